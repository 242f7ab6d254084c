// Simulated annealing and Marquardt-Levenberg, of discrete models and of
// distributions, until they are part of the program: Options > Fitting
// Options cannot choose them yet, so no fit reaches these drivers; were one
// called, it would not start.
#include "distributions/conti_fit.h"
#include "fitting/fit_driver.h"

unsigned char SimplexFit(TXLAWindow*) { return 0; }
unsigned char MLOptimize(TXLAWindow*) { return 0; }
bool contiAnnealingFit(TXLAWindow*) { return false; }
bool MLContiFit(TXLAWindow*) { return false; }
