// Run and Fit of the equilibrium and classical analyses, until those analyses
// are part of the program. The approach-to-equilibrium test cannot be switched
// on yet, so its run has nothing to do; the equilibrium modes and the two
// boundary analyses can be chosen from the Model menu, so their Run (and the
// Fit of the equilibrium modes) says that it is not in this version.
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

void runVanHoldeWeischet(TXLAWindow* pWindow)
{
    notInThisVersion(pWindow, "the van Holde-Weischet analysis is not in this version");
}

void runAreaFractionExtrapolation(TXLAWindow* pWindow)
{
    notInThisVersion(pWindow, "the extrapolation of ls-g*(s) area fractions is not in this version");
}
