// The discrete-species model command and the solver error messages, as far as
// the equilibrium tools need them until model selection and evaluation are
// part of the program: choosing the model clears the other model flags and
// sets its own; a solver error is shown as the box of its number, without the
// repair questions of a low-speed phase.
#include "app/xla_window.h"
#include "fegrid/global_grid.h"
#include "models/model_globals.h"
#include "platform/win.h"

void TXLAWindow::CmModelDiscreteSpecies()
{
    for (unsigned char* b :
         {&bModelContinuous, &bModelCS, &bModelCSOneDiscreteM, &bModelCSOneDiscreteD, &bModelCSFf0,
          &bModelCSFf0OneDiscrete, &bModelNonidealCS, &bModelHinderedCS, &bModelCSFlotation, &bModelCSLinearRods,
          &bModelHybridCSLsgs, &bHybridWithDiscrete, &bModelCSInvariantD, &bModelCSWithMsTable,
          &bModelCSConformationalChange, &bModelCSWormlikeChain, &bModelCSFixFf0FloatingVbar,
          &bModelCSBimodalFf0OneDiscrete, &bModelCSBimodalFf0, &bModelCSScalingLaw, &bModelFMScalingLaw,
          &bModelCMVbarM, &bModelLsgs, &bModelLsgsOneDiscrete, &bModelElectrophoresisCV})
        *b = 0;
    bModelDiscreteSpecies = 1;
}

void TXLAWindow::ReportSimulationError(int nError)
{
    using namespace win;
    switch (nError) {
    case 1:
        MessageBox(HWindow, "could not allocate Lamm simulation arrays", "ERROR in simulation", MB_OK);
        break;
    case 2:
        bDiscretizationError = 1;
        MessageBox(HWindow, "change grid size and readjust max dc/c", "DISCRETIZATION ERROR", MB_OK | MB_ICONEXCLAMATION);
        break;
    case 3:
        bSimulationError = 1;
        MessageBox(HWindow, "singular tridiagonal matrix!", "ERROR in simulation", MB_OK);
        break;
    case 6:
        MessageBox(HWindow, "possible error in setupof Lamm eq. solution, nonideal parameters", "ERROR in simulation",
                   MB_OK | MB_ICONEXCLAMATION);
        break;
    case 7:
        MessageBox(HWindow, "nonideality out of range", "ERROR in simulation", MB_OK);
        break;
    default:
        break;
    }
}
