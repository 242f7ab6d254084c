// The extent of a distribution peak and the six-column file of the
// two-dimensional distributions, until the distribution run with its
// integration is part of the program: a peak extends over its maximum only
// (limits and weight-average abscissa are the abscissa of the maximum; its
// signal and fraction, which need the integration, are 0), and no six-column
// file is written (no two-dimensional distribution is computed yet).
#include "distributions/conti_globals.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_result.h"

void findPeakExtent(int nPeak, float* pfLow, float* pfHigh, float* pfMean, int* pnFirst, int* pnLast,
                    float* pfHeight, float* pfFraction, float* pfSignal, float)
{
    const bool bOnGrid = pDistAxisS && pDistValues && nPeak >= 1 && nPeak <= nResolution;
    const float fX = bOnGrid ? pDistAxisS[nPeak] : 0.0f;
    for (float* p : {pfLow, pfHigh, pfMean})
        if (p) *p = fX;
    if (pnFirst) *pnFirst = bOnGrid ? nPeak : 0;
    if (pnLast) *pnLast = bOnGrid ? nPeak : 0;
    if (pfHeight) *pfHeight = bOnGrid ? pDistValues[nPeak] : 0.0f;
    if (pfFraction) *pfFraction = 0.0f;
    if (pfSignal) *pfSignal = 0.0f;
}

void saveDistributionFile(const char*) {}
