// Services of the global-grid propagation and the solvent models that the
// other subsystems call, until those parts exist: the solvent settings with
// their start values, the oil volume of the loading cell, no buffer-mismatch
// model (it cannot be switched on: nothing to check or add), no matrices of
// the special geometries, and no co-solute data: the co-solute option of the
// non-ideal single species cannot be switched on (no tables are loaded, the
// curves give nothing).
#include "app/xla_window.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/loading_cell.h"
#include "fegrid/propagators.h"

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

// The inhomogeneous solvent cannot be switched on: nothing to hand over.
void setSolverInhomogeneousSolvent(CLammIdeal*) {}
void setSolverCosoluteSolvent(CLammIdeal*) {}

bool TXLAWindow::CheckBufferSedCompatibility() { return true; }
void TXLAWindow::SimulateBufferSignal() {}

bool assembleStaticFeMatrices() { return false; }

unsigned char bCosolutePreset = 0;
double* pSNonidTable = nullptr;
int nSNonidTable = 0;
double* pDNonidTable = nullptr;
int nDNonidTable = 0;
void setupSolventGradientArrays() {}
double densgradEmpiricalCurve(double) { return 0.0; }
double cosoluteDiffusionPreset(double) { return 0.0; }
double evalPolynomialTable(const double*, int, double) { return 0.0; }
