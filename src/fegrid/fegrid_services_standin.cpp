// Services of the global-grid propagation and the solvent models that the
// other subsystems call, until those parts exist: the solvent settings with
// their start values, the oil volume of the loading cell, no buffer-mismatch
// model (its command is not there; a reloaded analysis may switch it on, and
// then it adds nothing to the model: only its bookkeeping of the species
// rows and fit flags is kept), no matrices of the special geometries, and no
// co-solute data: the co-solute option of the non-ideal single species
// cannot be switched on (no tables are loaded, the curves give nothing).
#include "app/xla_window.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/loading_cell.h"
#include "fegrid/propagators.h"
#include "models/model_globals.h"
#include "scandata/noise_grid.h"

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

void TXLAWindow::SwitchOffBufferSedimentation()
{
    if (win::HMENU m = GetMenu()) win::CheckMenuItem(m, 552, win::MF_BYCOMMAND | win::MF_UNCHECKED);
    if (!bModelDiscreteSpecies) return;
    pSpeciesIncluded[4] = 0;
    pSpeciesConcFloat[4] = pSpeciesMwFloat[4] = pSpeciesSFloat[4] = 0;
    pParamFloat[4] = pParamFloat[8] = pParamFloat[12] = 0;
}

void updateBufferSedimentationFitFlags()
{
    if (bModelDiscreteSpecies) {
        if (bAlgebraicConcentrations)
            for (int k = 1; k <= 3; ++k)
                if (pSpeciesIncluded[k]) pSpeciesConcFloat[k] = 1;
        pSpeciesConcFloat[4] = pParamFloat[12] = bFitBufferSignal ? 1 : 0;
    }
    fixUpModelDefaults();
    globalsToParamVector();
    allocExtraNoiseArrays();
}

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
