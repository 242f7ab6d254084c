// Helpers shared by the approach-to-equilibrium test and the sorting of
// equilibrium scans.
#pragma once

#include "platform/win_types.h"

// Shows the n points x[1..n], y[1..n] (copied) as the shared side-result
// plot, in the band of the data and residual plots, which it replaces on the
// screen until it is released.
void showEqSidePlot(const float* x, const float* y, int n, const char* szXLabel, const char* szYLabel, int nStyle,
                    bool bConnect, win::COLORREF cr);
// The scan's comparison values over its points first..last into the side
// plot against radius ("radius", "signal").
void showEqScanSidePlot(int nScan, int nFirst, int nLast, int nStyle);
