// Equilibrium and classical services the Data and Model menus call, until
// the equilibrium and classical analyses are part of the program: the test
// mode never opens, there is no fitted equilibrium curve to
// save, and no time-dependent s and M or extrapolation results to draw or
// free (the time-dependent fits' command stays grayed).
#include "analyses/analysis_globals.h"

void endEqTestMode(TXLAWindow*) {
    bEqTestMode = 0;
    bEqTestPlotShown = 0;
}
void saveEquilibriumScan(const char*) {}

int nTimeDependentScansPerSet = 4;
void fitTimeDependentSMSliding(TXLAWindow*) {}
void fitTimeDependentSMGrowing(TXLAWindow*) {}
win::HMETAFILE drawTimeDependentSMPlot() { return nullptr; }
void freeTimeDependentSM() {}
