// Definitions of the continuous-distribution globals (conti_globals.h).
#include "distributions/conti_globals.h"

CContiNonid* pContiNonid = nullptr;
unsigned char bSGridLimitsAccepted = 0;
