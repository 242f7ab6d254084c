// Fit (Ctrl+F): the gradient check, the bounds of a floated meniscus or bottom
// that reach into the fitting range, the dispatch by model family, then the
// residuals of the result, the fit-done sound, the parameter text and the
// wizard's advice.
#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_fit.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

namespace {

// The grey bound marker at radius fOld is erased (drawn over in XOR) and
// drawn again at fNew.
void moveBoundMarker(TXLAWindow* pWindow, float fOld, float fNew)
{
    if (!pDataPlot || !pWindow->HWindow) return;
    pWindow->DrawXorLine(pDataPlot->MapX(fOld));
    pWindow->DrawXorMarker(plotXPixel(pWindow, pDataPlot, fNew));
}

}  // namespace

void TXLAWindow::CmFit()
{
    bKeepPlotLayout = 0;
    if (bFlagStrongGradients && !CheckMaxGradient()) return;
    bFitting = 1;
    // the boundary analyses have nothing to fit
    if (bBoundaryAnalysisMode) {
        CmRun();
        bFitting = 0;
        return;
    }
    if (bFitMeniscus && fFitLeftLim > 0 && fMaxMeniscus > 0 && fFitLeftLim < fMaxMeniscus) {
        if (win::MessageBox(HWindow,
                            "Left fitting limit is at smaller radius than maximum potential meniscus value.\nThis "
                            "could cause problems during the fit.\nFix by repositioning maximum meniscus?",
                            "PROBLEM WITH FITTING", win::MB_YESNO) != win::IDYES) {
            bFitting = 0;
            return;
        }
        const float fOld = fMaxMeniscus;
        fMaxMeniscus = fFitLeftLim - 0.001f;
        moveBoundMarker(this, fOld, fMaxMeniscus);
    }
    if (bFitBottom && fFitRightLim > 0 && fMinBottom > 0 && fMinBottom < fFitRightLim) {
        if (win::MessageBox(HWindow,
                            "Right fitting limit is at higher radius than minimum potential bottom value.\nThis could "
                            "cause problems during the fit.\nFix by repositioning minimum bottom?",
                            "PROBLEM WITH FITTING", win::MB_YESNO) != win::IDYES) {
            bFitting = 0;
            return;
        }
        const float fOld = fMinBottom;
        fMinBottom = fFitRightLim + 0.001f;
        moveBoundMarker(this, fOld, fMinBottom);
    }
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    if (bEqTestMode)
        runEqTest(this);
    else if (bModelContinuous)
        contiFit(this);
    else if (bEquilibriumDiscrete || bEquilibriumHeteroAssoc)
        fitEquilibriumSingleSpecies(this);
    else
        RunFit();
    // The residuals of the result: a distribution fit computes its fits
    // without them, and the band would go on showing what it held before
    // (the data themselves, copied there at the load or while the fit's grid
    // was laid out with no fit yet).
    if (bModelComputed) updateResidualsPlot(1);
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
    playFitDoneSound();
    bFitting = 0;
    bShowParameterText = 1;
    bDataChanged = 0;
    ShowModelParameters();
    if (bWizardMessages) FitWizardCheckResiduals();
}
