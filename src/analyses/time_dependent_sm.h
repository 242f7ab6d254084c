// Time-dependent s and M: the current discrete-species model fitted again
// and again to windows of scans, growing from the first scan or, after a
// growing start, sliding along the run; the s and M of species 1 of every
// window against a time, plotted and written to two text files.
#pragma once

#include "platform/win_types.h"

class TXLAWindow;
class CWINPlot;

// The window parameter n of the sliding fits ("enter number of scans per
// set"), nScans when a fit series starts, and which series made the results.
extern int nScansPerSMSet;
extern int nSMScans;
extern unsigned char bSMGrowing;
// Results 1..nSMScans - 1: the result of the window that ends at time-order
// position L is at index L - 1.
extern float* pSMTime;
extern float* pSMMolarMass;  // entry 1 of the parameter vector
extern float* pSMSValue;     // entry 5
extern CWINPlot* pSMPlot;

// Windows 1-2, 1-3, ..., 1-nScans, each stored with its last scan's time.
bool fitTimeDependentSMGrowing(TXLAWindow* pWindow);
// Windows 1-2 .. 1-n (the mean time of their first and last scan), then
// k..n + k for k = 1..nScans - n, each with scan k as initial condition.
// n outside 1..nScans is refused with a message and nothing is written.
bool fitTimeDependentSMSliding(TXLAWindow* pWindow);
// The scan at time-order position k (the first) as initial condition: its
// radii and signal in the extrapolation arrays, its header in
// hdrInitialScan, the arrays extended at the fit limits. The first clears
// bUseInitialData, the second sets it.
void setInitialScanForWindow(int k);
void setInitialScanFromFirst();
// The plot of M against time, and the two result files.
void plotTimeDependentSM();
bool saveTimeDependentSM(const float* pTimes, const float* pMolarMasses, const float* pSValues, int n);
// The picture of the result plot (redrawn), or none.
win::HMETAFILE drawTimeDependentSMPlot();
void freeTimeDependentSM();
