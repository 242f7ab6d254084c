#include "numerics/straight_line.h"

#include <cfloat>
#include <cmath>

bool abscissaeSpread(const float* x, int n)
{
    if (n < 2) return false;
    double dSum = 0.0, dSumSquares = 0.0;
    for (int k = 1; k <= n; k++) {
        dSum += x[k];
        dSumSquares += static_cast<double>(x[k]) * x[k];
    }
    const double dMean = dSum / n;
    double dCentred = 0.0;
    for (int k = 1; k <= n; k++) dCentred += (x[k] - dMean) * (x[k] - dMean);
    // n dCentred against n eps n Sxx; not-a-number fails the comparison
    return std::isfinite(dSumSquares) && dCentred > n * static_cast<double>(FLT_EPSILON) * dSumSquares;
}

float fitStraightLine(float* pfIntercept, float* pfSlope, const float* x, const float* y, int n)
{
    if (!abscissaeSpread(x, n)) return -1.0f;
    float fSx = 0.0f, fSxx = 0.0f, fSy = 0.0f, fSxy = 0.0f;
    for (int k = 1; k <= n; k++) {
        fSx += x[k];
        fSxx += x[k] * x[k];
        fSy += y[k];
        fSxy += x[k] * y[k];
    }
    const float fN = static_cast<float>(n);
    const float fDelta = fN * fSxx - fSx * fSx;
    const float a = (fSxx * fSy - fSx * fSxy) / fDelta;
    const float b = (fN * fSxy - fSx * fSy) / fDelta;
    *pfIntercept = a;
    *pfSlope = b;
    float fChi = 0.0f;
    for (int k = 1; k <= n; k++) {
        const float r = y[k] - (a + b * x[k]);
        fChi += r * r;
    }
    return fChi;
}
