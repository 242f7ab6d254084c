// Services of the global-grid propagation and the solvent models that the
// distributions call, until those parts exist: the solvent settings with
// their start values, the oil volume of the loading cell, no radial filter (a
// profile keeps its values), and no buffer-mismatch model (it cannot be
// switched on: nothing to check or add).
#include "app/xla_window.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/loading_cell.h"
#include "fegrid/radial_profile_filters.h"

unsigned char bInhomogeneousSolvent = 0;
unsigned char bCompressibleSolvent = 1;
double dSolventCompressibility = 4.591e-4;
float fGradientBufferDensity = 0.99823f;
float fGradientBufferViscosityRef = 1.0f;
unsigned char bNonidealCosolute = 0;
unsigned char bSolventParamsConverted = 0;
int nCosoluteGridSize = 50;
float fElcOilVolume = 0.01f;
unsigned char bCosoluteGradient = 0;
unsigned char bSedimentingCosolute = 0;
float fGradientVbar = 0.73f;
unsigned char bFitVbarInGradient = 0;

void convolveAbsorbanceResolution(int, float, float*, float*) {}
// The inhomogeneous solvent cannot be switched on: nothing to hand over.
void setSolverInhomogeneousSolvent(CLammIdeal*) {}
void setSolverCosoluteSolvent(CLammIdeal*) {}

bool TXLAWindow::CheckBufferSedCompatibility() { return true; }
void TXLAWindow::SimulateBufferSignal() {}
