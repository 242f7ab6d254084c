// Equilibrium and classical services the Data and Model menus call, until
// the equilibrium and classical analyses are part of the program: the test
// mode and the M* screens never open, there is no fitted equilibrium curve to
// save, and no time-dependent s and M or extrapolation results to draw or
// free (the time-dependent fits' command stays grayed).
#include "analyses/analysis_globals.h"

unsigned char bMStarMode = 0;
unsigned char bMStarAllSets = 0;

void endEqTestMode(TXLAWindow*) {
    bEqTestMode = 0;
    bEqTestPlotShown = 0;
}
void mStarSetScreen(TXLAWindow*) {}
void saveEquilibriumScan(const char*) {}

int nTimeDependentScansPerSet = 4;
void fitTimeDependentSMSliding(TXLAWindow*) {}
void fitTimeDependentSMGrowing(TXLAWindow*) {}
win::HMETAFILE drawTimeDependentSMPlot() { return nullptr; }
void freeTimeDependentSM() {}
void clearExtrapolationResults() {}
void mStarFreePlots(TXLAWindow*) { bMStarMode = 0; }
