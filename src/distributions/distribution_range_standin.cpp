// The range selection on the distribution plot, as far as the realtime update
// of files needs it, until the integration commands and peak tools are part
// of the program: a range chosen during a realtime update is kept, so the
// update can pass it back after a refit.
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"

float fRealtimeDistXMin = 0.0f;
float fRealtimeDistXMax = 0.0f;

void TXLAWindow::SelectPeakRange(float fLow, float fHigh)
{
    if (!bRealtimeUpdate) return;
    bRealtimeAutoAdjustRange = 1;
    fRealtimeDistXMin = fLow;
    fRealtimeDistXMax = fHigh;
}
