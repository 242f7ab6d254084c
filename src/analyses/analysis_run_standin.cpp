// Run of the classical analyses, until those analyses are part of the
// program: the two boundary analyses can be chosen from the Model menu, so
// their Run says that it is not in this version.
#include "analyses/analysis_globals.h"
#include "app/xla_window.h"
#include "platform/win.h"

namespace {

void notInThisVersion(TXLAWindow* pWindow, const char* szText)
{
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, szText, "NOT AVAILABLE", win::MB_OK);
}

}  // namespace

void runVanHoldeWeischet(TXLAWindow* pWindow)
{
    notInThisVersion(pWindow, "the van Holde-Weischet analysis is not in this version");
}

void runAreaFractionExtrapolation(TXLAWindow* pWindow)
{
    notInThisVersion(pWindow, "the extrapolation of ls-g*(s) area fractions is not in this version");
}

// The boundary analyses run no simplex of their own yet: no step to show.
void showSimplexStep(TXLAWindow*) {}
