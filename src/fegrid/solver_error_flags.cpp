// Definitions of the solver error flags (solver_error_flags.h).
#include "fegrid/solver_error_flags.h"

unsigned char bSimulationError = 0;
unsigned char bDiscretizationError = 0;
