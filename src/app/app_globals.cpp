// Definitions of the main-window globals (declared in app_globals.h).
#include "app/app_globals.h"

unsigned char bBatchMode = 0;
char szWindowTitle[512] = "Sedimentation Analysis";
unsigned char bModelComputed = 0;
unsigned char bRealtimeUpdate = 0;
unsigned char bRealtimeError = 0;
unsigned char bAutoLoadMultiSpeed = 0;
unsigned char bLoadFromList = 0;
unsigned char bWindowPainted = 0;
unsigned char bSound = 1;
unsigned char bAbortRequested = 0;
unsigned char bRepaintAfterCalc = 0;
char szTempDir[260] = "";
unsigned char bDiagnosticsLamm = 0;
unsigned char bDiagnosticsThreads = 0;
int nLammThreads = 2;

float fFitLeftLim = 0.0f;
float fFitRightLim = 0.0f;

float fExtrapolationDistanceFactor = 1.0f;
int nPolynomOrder = 2;

unsigned char bSetNColumns = 0;
int nDataColumns = 3;
unsigned char bDontLoadSpikes = 0;
float fSpikeLevel = 0.4f;
float fSpikeThresholdFDS = 100.0f;
unsigned char bOldFilenameConvention = 0;

char szSoundError[260] = "";
char szSoundInfo[260] = "";
char szSoundQuestion[260] = "";
char szSoundFitDone[260] = "";
char szSoundHi[260] = "";
char szSoundBye[260] = "";
char szSoundOk[260] = "";
char szSoundBeer[260] = "";

CWINPlot* pDataPlot = nullptr;
CWINPlot* pResidualsPlot = nullptr;
CWINPlot* pResidualsBitmapPlot = nullptr;

// The data and residual plots are not part of the program yet: there is no
// plot to build, label or redraw, and no temperature warning to show.
void buildScanPlotVectors() {}
void setPlotAxisLabels() {}
void redrawDataPlot(int) {}
void checkTemperatureFluctuation(float) {}
// No plot of the scans is ever made yet, so the pointers stay null.
void deleteScanPlots() { pDataPlot = pResidualsPlot = pResidualsBitmapPlot = nullptr; }

// Main-window services the scan loaders call. Diagnostics files and the noise
// buttons are not part of the program yet.
#include "app/xla_window.h"
#include "fitting/fit_globals.h"

void TXLAWindow::DebugLog(const char*) {}
void TXLAWindow::InvalidateUnlessBatch() {
    if (!bBatchMode && HWindow) Invalidate(true);
}
void TXLAWindow::ShowNoiseButtons() {}
void TXLAWindow::DeleteNoiseButtons() {}
