#include "numerics/interpolate_grid.h"

namespace {

// The targets are usually increasing, so the search walks on from the last
// interval and only falls back to bisection when a target goes backwards.
template <class TX, class TY, class TT, class TO, bool Add>
void interpolate(int nOut, const TT* xOut, TO* yOut, int nIn, const TX* xIn, const TY* yIn)
{
    if (nOut < 5 || nIn < 5 || !xOut || !yOut || !xIn || !yIn) return;
    double outLo = xOut[1], outHi = xOut[1];
    for (int j = 2; j <= nOut; j++) {
        if (xOut[j] < outLo) outLo = xOut[j];
        if (xOut[j] > outHi) outHi = xOut[j];
    }
    if (outHi < (double)xIn[1] || outLo > (double)xIn[nIn]) return;
    int k = 1;  // xIn[k] <= x < xIn[k + 1]
    for (int j = 1; j <= nOut; j++) {
        const double x = xOut[j];
        double y;
        if (x <= (double)xIn[1]) {
            y = yIn[1];
        } else if (x >= (double)xIn[nIn]) {
            y = yIn[nIn];
        } else {
            if (x < (double)xIn[k]) {
                int lo = 1, hi = nIn;
                while (hi - lo > 1) {
                    const int mid = (lo + hi) / 2;
                    if ((double)xIn[mid] > x)
                        hi = mid;
                    else
                        lo = mid;
                }
                k = lo;
            }
            while (k < nIn - 1 && (double)xIn[k + 1] <= x) k++;
            const double x0 = xIn[k], x1 = xIn[k + 1];
            const double f = (x - x0) / (x1 - x0);
            y = (double)yIn[k] + f * ((double)yIn[k + 1] - (double)yIn[k]);
        }
        if (Add)
            yOut[j] += (TO)y;
        else
            yOut[j] = (TO)y;
    }
}

}  // namespace

void interpolateOnGridFD(int nOut, const float* xOut, float* yOut, int nIn, const double* xIn,
                         const double* yIn)
{
    interpolate<double, double, float, float, false>(nOut, xOut, yOut, nIn, xIn, yIn);
}

void interpolateOnGridFD2(int nOut, const float* xOut, float* yOut, int nIn, const double* xIn,
                          const double* yIn)
{
    interpolate<double, double, float, float, true>(nOut, xOut, yOut, nIn, xIn, yIn);
}

void interpolateOnGridDD(int nOut, const double* xOut, double* yOut, int nIn, const double* xIn,
                         const double* yIn)
{
    interpolate<double, double, double, double, false>(nOut, xOut, yOut, nIn, xIn, yIn);
}

void interpolateOnGridDF(int nOut, const double* xOut, double* yOut, int nIn, const float* xIn,
                         const float* yIn)
{
    interpolate<float, float, double, double, false>(nOut, xOut, yOut, nIn, xIn, yIn);
}
