// The flag of Generate > Series, until the generation of synthetic data is
// part of the program: no series ever runs.
#include "fitting/fit_globals.h"

unsigned char bGeneratingSeries = 0;
