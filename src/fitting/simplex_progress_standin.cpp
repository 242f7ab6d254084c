// The progress step of the simplex, until the discrete-model fit and the
// distribution fits are part of the program: no model takes the best vertex
// back, so there is nothing to show.
#include "fitting/simplex.h"

void showSimplexBestVertex(TXLAWindow*, float*, int, float) {}
