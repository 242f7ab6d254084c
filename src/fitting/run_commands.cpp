// Run (Ctrl+R) and the commands beside it: the loaders' Run, the switch that
// lets simulations run on beyond the last scan, and the direct boundary model
// from a g(s*) file.
#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/boundary_model.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/prior_probabilities.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/matrix_file.h"
#include "scandata/scan_data.h"

extern char szOpenFileNames[128000];

void TXLAWindow::CmRun()
{
    // 1. - 6.
    bKeepPlotLayout = 0;
    if (bFlagStrongGradients && !CheckMaxGradient()) return;
    if (!bEqTestMode && refuseEmptyFitRange(this)) return;
    bRunning = 1;
    if (bDiscreteSpeciesPriorUsed) {
        bPriorFromDiscreteSpecies = 0;
        bDiscreteSpeciesPriorUsed = 0;
    }
    bProgressTick = 0;
    bSkipRegularization = 0;
    bRepaintAfterCalc = 1;
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    // 7. The first matching mode runs. A boundary analysis that ends without
    // a model (no boundary found, times that do not spread) leaves the model
    // of an earlier run in place, which the wizard must not judge now.
    bool bModelNow = true;
    if (bEqTestMode) {
        runEqTest(this);
    } else if (bModelContinuous && !bBoundaryAnalysisMode) {
        if (bModelDlsRhTime)
            runDlsTimeCourse(this);
        else
            RunContiSed(this);
    } else if (bEquilibriumDiscrete || bEquilibriumHeteroAssoc) {
        runEquilibriumSingleSpecies(this);
    } else if (!bBoundaryAnalysisMode) {
        CalcModel();
    } else if (!bExtrapolateAreaFractions) {
        bModelNow = runVanHoldeWeischet(this);
    } else {
        bModelNow = runAreaFractionExtrapolation(this);
    }
    // The rmsd shown with the parameter text and the residuals plot belong to
    // this evaluation (the plot was laid out before the model was computed).
    if (bModelComputed) {
        calcRmsd();
        updateResidualsPlot(1);
    }
    // 8. - 10.
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
    bRepaintAfterCalc = 0;
    bShowParameterText = 1;
    bDataChanged = 0;
    bRunning = 0;
    InvalidateUnlessBatch();
    if (bWizardMessages && !bEqTestMode && bModelNow) FitWizardCheckResiduals();
}

void TXLAWindow::RunFromKeyboard() { CmRun(); }

void TXLAWindow::CmToggleSimulateBeyondLastScan()
{
    bSimulateBeyondLastScan = bSimulateBeyondLastScan ? 0 : 1;
    if (win::HMENU m = GetMenu())
        win::CheckMenuItem(m, 223, win::MF_BYCOMMAND | (bSimulateBeyondLastScan ? win::MF_CHECKED : win::MF_UNCHECKED));
}

void TXLAWindow::CmTransformGsToBoundaryModel()
{
    // 1. - 3.
    if (nScans < 1) return;
    win::MessageBox(HWindow,
                    "1) calculate g(s*) by dcdt (uncorrected s)\n2) write graph data to disk as ASCII (with error "
                    "estimates)",
                    "Make direct boundary model from g(s*)", win::MB_OK);
    szOpenFileNames[0] = szOpenFileNames[1] = '\0';
    const char* szOldTitle = ofnData.lpstrTitle;
    const win::DWORD nOldFlags = ofnData.Flags;
    ofnData.lpstrTitle = "select g*(s) ASCII file from dcdt analysis";
    ofnData.Flags = win::OFN_EXPLORER | win::OFN_FILEMUSTEXIST | win::OFN_PATHMUSTEXIST;
    const bool bChosen = win::GetOpenFileName(&ofnData) != 0;
    ofnData.Flags = nOldFlags;  // back to the multiple selection of the loaders
    ofnData.lpstrTitle = szOldTitle;
    if (!bChosen) return;
    // 4. - 6.
    int nRows = 0;
    float** ppTable = readMatrixFile(szOpenFileNames, 6, &nRows);
    if (!ppTable) return;
    const bool bBuilt = boundaryModelFromGs(ppTable, 6, nRows);
    free_matrix(ppTable, 1, 6, 1, nRows);
    if (!bBuilt) return;
    bModelComputed = 1;
    CmDataRange();
    ShowModelParameters();
}
