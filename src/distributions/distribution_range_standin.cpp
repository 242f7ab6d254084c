// The integral of the current distribution and the range selection that the
// realtime update of files uses, until the integration of distributions is
// part of the program: every integral is 0, so the range rule changes
// nothing. A range chosen during a realtime
// update is kept all the same, so the update can pass it back after a refit.
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"

float fRealtimeDistXMin = 0.0f;
float fRealtimeDistXMax = 0.0f;

void integrateDistribution(float, float, float* pfArea, float* pfMean, float* pfTotal, float* pfSigma,
                           float* pfHarmonicMean, float* pfZMean)
{
    for (float* p : {pfArea, pfMean, pfTotal, pfSigma, pfHarmonicMean, pfZMean})
        if (p) *p = 0.0f;
}

void TXLAWindow::SelectPeakRange(float fLow, float fHigh)
{
    if (!bRealtimeUpdate) return;
    bRealtimeAutoAdjustRange = 1;
    fRealtimeDistXMin = fLow;
    fRealtimeDistXMax = fHigh;
}
