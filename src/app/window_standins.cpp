// Main-window services the scan loaders call, until the window paints its
// plots: no plot is made, nothing is logged, no button is shown.
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"

void buildScanPlotVectors() {}
void setPlotAxisLabels() {}
void redrawDataPlot(int) {}
void checkTemperatureFluctuation(float) {}
void releaseResultArrays() {}

void TXLAWindow::DebugLog(const char*) {}
void TXLAWindow::InvalidateUnlessBatch() {
    if (!bBatchMode && HWindow) Invalidate(true);
}
void TXLAWindow::ShowNoiseButtons() {}
void TXLAWindow::DeleteNoiseButtons() {}
