// Services the distribution result and its grid call into, until the parts
// that own them exist: the non-ideal c(s) has no external mean field to
// check.
#include "app/xla_window.h"
#include "distributions/conti_globals.h"

void checkExternalMeanField() {}
