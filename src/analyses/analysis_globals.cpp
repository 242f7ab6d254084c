// Definitions of the equilibrium-analysis globals (analysis_globals.h).
#include "analyses/analysis_globals.h"

unsigned char bEquilibriumDiscrete = 0;
unsigned char bEqTestMode = 0;
unsigned char bEqTestPlotShown = 0;
