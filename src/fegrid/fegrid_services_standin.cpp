// Services of the global-grid propagation and the solvent models that the
// distributions call, until those parts exist: the solvent settings with
// their start values, and no radial filter (a profile keeps its values).
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/radial_profile_filters.h"

unsigned char bInhomogeneousSolvent = 0;
unsigned char bCompressibleSolvent = 1;
double dSolventCompressibility = 4.591e-4;
float fGradientBufferDensity = 0.99823f;
float fGradientBufferViscosityRef = 1.0f;
unsigned char bNonidealCosolute = 0;
unsigned char bSolventParamsConverted = 0;
int nCosoluteGridSize = 50;

void convolveAbsorbanceResolution(int, float, float*, float*) {}
