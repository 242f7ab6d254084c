#include "numerics/smoothing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "numerics/cvector.h"
#include "numerics/error_stop.h"
#include "numerics/interpolate_grid.h"
#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"

void savgol(float* c, int np, int nl, int nr, int ld, int m)
{
    if (np < nl + nr + 1 || nl < 0 || nr < 0 || ld < 0 || m < 0 || ld > m || nl + nr < m)
        abandonComputation("bad args in savgol");
    int* indx = ivector(1, m + 1);
    CScopeExit releaseIndx([&] { free_ivector(indx, 1, m + 1); });
    float** a = matrix(1, m + 1, 1, m + 1);
    CScopeExit releaseA([&] { free_matrix(a, 1, m + 1, 1, m + 1); });
    float* b = vector(1, m + 1);
    CScopeExit releaseB([&] { free_vector(b, 1, m + 1); });
    for (int ipj = 0; ipj <= (m << 1); ipj++) {
        float sum = ipj ? 0.0f : 1.0f;
        for (int k = 1; k <= nr; k++) sum += static_cast<float>(std::pow(static_cast<double>(k), ipj));
        for (int k = 1; k <= nl; k++) sum += static_cast<float>(std::pow(static_cast<double>(-k), ipj));
        int mm = std::min(ipj, 2 * m - ipj);
        for (int imj = -mm; imj <= mm; imj += 2) a[1 + (ipj + imj) / 2][1 + (ipj - imj) / 2] = sum;
    }
    float d;
    ludcmp(a, m + 1, indx, &d);
    for (int j = 1; j <= m + 1; j++) b[j] = 0.0f;
    b[ld + 1] = 1.0f;
    lubksb(a, m + 1, indx, b);
    for (int kk = 1; kk <= np; kk++) c[kk] = 0.0f;
    for (int k = -nl; k <= nr; k++) {
        float sum = b[1], fac = 1.0f;
        for (int mm = 1; mm <= m; mm++) sum += b[mm + 1] * (fac *= static_cast<float>(k));
        c[((np - k) % np) + 1] = sum;
    }
}

namespace {

// Coefficients of a window with nLeft and nRight points. Short windows at the
// data ends cannot carry a high order: the order drops to what they hold.
void windowCoefficients(float* c, int nLeft, int nRight, int order)
{
    int np = nLeft + nRight + 1;
    if (order == 1) {
        for (int k = 1; k <= np; k++) c[k] = 1.0f / static_cast<float>(np);
        return;
    }
    savgol(c, np, nLeft, nRight, 0, std::min(order, nLeft + nRight));
}

float windowSum(const float* y, int i, int nLeft, int nRight, const float* c)
{
    int np = nLeft + nRight + 1;
    float sum = y[i] * c[1];
    for (int j = 1; j <= nLeft; j++) sum += y[i - j] * c[1 + j];
    for (int j = 1; j <= nRight; j++) sum += y[i + j] * c[np + 1 - j];
    return sum;
}

} // namespace

int CVector::Smooth(int nl, int nr, int order)
{
    int np = nl + nr + 1;
    if (np < 2) return 0;
    if (nl < 0 || nr < 0) abandonComputation("bad args in savgol");
    int n = static_cast<int>(nSize);
    if (!pData || n < np) {
        std::string sz = "window for smoothing too big!\n";
        sz += std::to_string(nl) + "+" + std::to_string(nr) + "+1<" + std::to_string(n);
        reportError(sz.c_str(), 0);
        return 0;
    }
    // The full window must carry the order; the ends then always can.
    if (order != 1 && order > nl + nr) abandonComputation("bad args in savgol");
    float* c = vector(1, np);
    CScopeExit releaseC([&] { free_vector(c, 1, np); });
    float* pResult = new (std::nothrow) float[static_cast<size_t>(n)];
    if (!pResult) {
        reportError("Could not allocate temporary vector while smoothing", 0);
        return 0;
    }
    CScopeExit releaseResult([&] { delete[] pResult; });
    for (int i = 0; i < nl; i++) {
        windowCoefficients(c, i, nr, order);
        pResult[i] = windowSum(pData, i, i, nr, c);
    }
    windowCoefficients(c, nl, nr, order);
    for (int i = nl; i <= n - nr - 1; i++) pResult[i] = windowSum(pData, i, nl, nr, c);
    for (int i = n - nr; i < n; i++) {
        int r = n - 1 - i;
        windowCoefficients(c, nl, r, order);
        pResult[i] = windowSum(pData, i, nl, r, c);
    }
    std::memcpy(pData, pResult, sizeof(float) * static_cast<size_t>(n));
    return 1;
}

int CVector::SmoothOnEvenGrid(int n, const CVector& x, int nl, int nr, int order)
{
    int m = static_cast<int>(nSize);
    if (x.nSize != nSize) return 0;
    if (!pData || !x.pData || m < 5 || n < 5) return 0;
    float fMin = x.Min(), fMax = x.Max();
    if (!(fMax > fMin)) return 0;

    float* g = vector(1, n);
    CScopeExit releaseG([&] { free_vector(g, 1, n); });
    float* yg = vector(1, n);
    CScopeExit releaseYG([&] { free_vector(yg, 1, n); });
    float* xs = vector(1, m);
    CScopeExit releaseXS([&] { free_vector(xs, 1, m); });
    float* ys = vector(1, m);
    CScopeExit releaseYS([&] { free_vector(ys, 1, m); });
    for (int i = 1; i <= n; i++) g[i] = fMin + (fMax - fMin) / static_cast<float>(n - 1) * static_cast<float>(i - 1);
    for (int i = 1; i <= m; i++) {
        xs[i] = x.pData[i - 1];
        ys[i] = pData[i - 1];
    }
    // Nothing is changed unless both mappings apply.
    if (!interpolateOnGrid(n, g, yg, m, xs, ys)) return 0;
    CVector smoothed;
    smoothed.Attach(yg, static_cast<unsigned int>(n), 1);
    if (!smoothed.Smooth(nl, nr, order)) return 0;
    float* yBack = vector(1, m);
    CScopeExit releaseBack([&] { free_vector(yBack, 1, m); });
    if (!interpolateOnGrid(m, xs, yBack, n, g, yg)) return 0;
    for (int i = 1; i <= m; i++) pData[i - 1] = yBack[i];
    return 1;
}
