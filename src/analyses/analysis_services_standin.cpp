// Equilibrium services the Data menu calls, until the equilibrium analyses
// are part of the program: the test mode and the M* screens never open, and
// there is no fitted equilibrium curve to save.
#include "analyses/analysis_globals.h"

unsigned char bMStarMode = 0;
unsigned char bMStarAllSets = 0;

void endEqTestMode(TXLAWindow*) {
    bEqTestMode = 0;
    bEqTestPlotShown = 0;
}
void mStarSetScreen(TXLAWindow*) {}
void saveEquilibriumScan(const char*) {}
