// Services of the global-grid propagation and the solvent models that the
// distributions call, until those parts exist: the solvent settings with
// their start values.
#include "fegrid/inhomogeneous_solvent.h"

unsigned char bInhomogeneousSolvent = 0;
unsigned char bCompressibleSolvent = 1;
double dSolventCompressibility = 4.591e-4;
float fGradientBufferDensity = 0.99823f;
float fGradientBufferViscosityRef = 1.0f;
unsigned char bNonidealCosolute = 0;
unsigned char bSolventParamsConverted = 0;
int nCosoluteGridSize = 50;

// The special geometries' matrices come with the geometry models; until then
// nothing is assembled and their runs compute nothing.
#include "fegrid/propagators.h"
bool assembleStaticFeMatrices() { return false; }
