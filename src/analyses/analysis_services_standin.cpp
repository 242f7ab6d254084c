// Equilibrium services the Data menu calls, until the approach-to-equilibrium
// test and the equilibrium fits are part of the program: the test mode never
// opens, and there is no fitted equilibrium curve to save.
#include "analyses/analysis_globals.h"

void endEqTestMode(TXLAWindow*) {
    bEqTestMode = 0;
    bEqTestPlotShown = 0;
}
void saveEquilibriumScan(const char*) {}
