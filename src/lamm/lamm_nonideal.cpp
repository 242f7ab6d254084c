// CLammNonIdeal: concentration-dependent s and D of one species.
#include "lamm/lamm_nonideal.h"

#include <cmath>

#include "plot/key_polling.h"

CLammNonIdeal::CLammNonIdeal()
{
    nReactModel = 2;
    bReactOk = 0;  // until SetNonidealParams
    bNonidealSet = 0;
}

CLammNonIdeal::CLammNonIdeal(const CLammNonIdeal& tmpl) : CLammNonIdeal()
{
    CopyFrom(tmpl);
}

CLammNonIdeal::~CLammNonIdeal() = default;

void CLammNonIdeal::SetNonidealParams(float ks, float kd, double signalPerMgMl, bool hindered, bool linearLaw)
{
    nReactModel = 2;
    bHindered = hindered ? 1 : 0;
    bHinderedLinear = linearLaw ? 1 : 0;
    dSignalPerMgMl = signalPerMgMl;
    const bool valid = signalPerMgMl > 0 && std::isfinite(ks) && std::isfinite(kd);
    if (hindered) {
        dNonidealKs = std::fabs(ks);
        dNonidealKd = std::fabs(kd);
    } else if (valid) {
        // log10 of the coefficients in ml/mg, per unit of the signal
        dNonidealKs = std::pow(10.0, (double)ks) / signalPerMgMl;
        dNonidealKd = std::pow(10.0, (double)kd) / signalPerMgMl;
    }
    bReactOk = valid ? 1 : 0;
    bNonidealSet = bReactOk;
    bUseReactingModel = 1;
    bModelSet = 1;
}

// Slot 1: the concentration-dependent stepping runs on the static grid.
void CLammNonIdeal::ChooseEngine()
{
    bEngineStaticGrid = 1;
    bEngineMovingGrid = 0;
    bFixedTimestep = 0;
    bAutoDynamicGridSize = 0;
    bOptimizeGridSpacing = 0;
}

// Slot 2: the grid the ideal species of s0 and D0 would get, with the
// refinement zones (the loop has no back-diffusion shut-off).
void CLammNonIdeal::SetupGrid()
{
    bTwoZoneGrid = 0;
    nReactModel = 2;
    SetupReactingGrid();
    bSteepGradient = 0;
}

// Slot 3: the predictor-corrector loop with the non-ideal coefficients.
void CLammNonIdeal::RunTimeStepping()
{
    ResetRunState();
    if (!nGridAllocated || !pConc) {
        nAbort = 1;
        return;
    }
    nReactModel = 2;
    RunReactingTimeSteps();
    if (bPerScanRadii) CopyPrivateOutput();
    if (bAborted) bInterruptComputation = 1;
}
