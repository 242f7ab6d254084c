// Definitions of the equilibrium-analysis globals (analysis_globals.h).
#include "analyses/analysis_globals.h"

unsigned char bEquilibriumDiscrete = 0;
unsigned char bEquilibriumHeteroAssoc = 0;
unsigned char bEqTestMode = 0;
unsigned char bEqTestPlotShown = 0;
int nEqTestSeries = 0;
int pEqTestSeriesCount[nEqTestMaxSeries + 1] = {};
int nEqTestGroups = 0;
char pEqTestGroupNames[nEqTestMaxSeries + 1][10] = {};
int pEqTestGroupFirstScan[nEqTestMaxSeries + 1] = {};
unsigned char bEqTestAutoLimits = 0;
unsigned char bExtrapolateAreaFractions = 0;
int nBoundaryFractions = 10;
int nScansPerLsgSet = 5;
