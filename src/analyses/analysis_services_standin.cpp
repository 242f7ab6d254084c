// Classical services the Data and Model menus call, until the classical
// analyses are part of the program: no time-dependent s and M or
// extrapolation results to draw or free (the time-dependent fits' command
// stays grayed).
#include "analyses/analysis_globals.h"

int nTimeDependentScansPerSet = 4;
void fitTimeDependentSMSliding(TXLAWindow*) {}
void fitTimeDependentSMGrowing(TXLAWindow*) {}
win::HMETAFILE drawTimeDependentSMPlot() { return nullptr; }
void freeTimeDependentSM() {}
void clearExtrapolationResults() {}
