// Definitions of the program-wide Lamm values (lamm_globals.h).
#include "lamm/lamm_globals.h"

double dLammS = 0.0;
double dLammD = 0.0;
int nSimSpeciesIndex = 1;
