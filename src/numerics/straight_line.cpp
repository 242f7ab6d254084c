#include "numerics/straight_line.h"

float fitStraightLine(float* pfIntercept, float* pfSlope, const float* x, const float* y, int n)
{
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
