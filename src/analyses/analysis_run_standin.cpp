// Run and Fit of the equilibrium analyses, until those analyses are part of
// the program. The approach-to-equilibrium test cannot be switched on yet, so
// its run has nothing to do; the equilibrium modes can be chosen, so their
// Run and Fit say that they are not in this version.
#include "analyses/analysis_globals.h"
#include "app/xla_window.h"
#include "platform/win.h"

namespace {

void notInThisVersion(TXLAWindow* pWindow, const char* szText)
{
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, szText, "NOT AVAILABLE", win::MB_OK);
}

}  // namespace

void runEqTest(TXLAWindow*) {}

void runEquilibriumSingleSpecies(TXLAWindow* pWindow)
{
    notInThisVersion(pWindow, "the sedimentation equilibrium analysis is not in this version");
}

void fitEquilibriumSingleSpecies(TXLAWindow* pWindow)
{
    notInThisVersion(pWindow, "the sedimentation equilibrium analysis is not in this version");
}
