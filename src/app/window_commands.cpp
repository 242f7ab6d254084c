// Commands of the main window that belong to no other subsystem: display
// ranges, settings asked for one at a time, preference toggles.
#include <cmath>
#include <cstdio>

#include "app/app_globals.h"
#include "app/preferences.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "plot/cwinplot.h"
#include "plot/mouse_tracker.h"
#include "plot/number_entry.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"

using namespace win;

namespace {

// "save as default setting?": rewrites the defaults file on Yes.
void offerSavePreference(TXLAWindow* w)
{
    if (MessageBox(w->HWindow, "save as default setting?", "SET PREFERENCE", MB_YESNO | MB_ICONQUESTION) == IDYES)
        writeDefaultPreferences();
}

void check(TXLAWindow* w, UINT id, bool bOn)
{
    if (HMENU m = w->GetMenu()) CheckMenuItem(m, id, MF_BYCOMMAND | (bOn ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

void TXLAWindow::UpdatePreferenceChecks()
{
    check(this, CM_FLAG_STRONG_GRADIENTS, bFlagStrongGradients);
    check(this, CM_WIZARD_MESSAGES, bWizardMessages);
    check(this, CM_MULTIPLE_THREADS, bMultiThreaded);
    check(this, CM_SCAN_COLOR_FROM_TIME, bScanColorFromTime);
    check(this, CM_SHOW_RESIDUALS_BITMAP, bShowResidualsBitmap);
    check(this, CM_OLD_FILENAME_CONVENTION, bOldFilenameConvention);
    check(this, CM_ALWAYS_LOAD_G2, bAlwaysG2);
}

void TXLAWindow::CmDataRange()
{
    // A tool's side plot gives the window back to the data plots.
    if (pAuxPlot) {
        releaseResultArrays();
        Invalidate(true);
    }
    if (!pDataPlot) return;
    nZoomLevel = 0;
    pDataPlot->ResetZoom();
    pDataPlot->Draw();
    Invalidate(true);
}

void TXLAWindow::CmFullRange()
{
    CmDataRange();
    if (pResidualsPlot && pResidualsPlot->nCurves > 0) {
        pResidualsPlot->ResetZoom();
        pResidualsPlot->Draw();
    }
}

void TXLAWindow::CmUpdate()
{
    if (pDataPlot) pDataPlot->Draw();
    if (bModelComputed) updateResidualsPlot(1);
    InvalidateUnlessBatch();
}

void TXLAWindow::CmToggleDisplayFlag210()
{
    bDisplayFlag210 = !bDisplayFlag210;
    InvalidateUnlessBatch();
}

void TXLAWindow::CmCheckElapsedTime()
{
    int r = MessageBox(HWindow,
                       "check the recorded elapsed times against the file time stamps after each load?",
                       "TIME STAMPS", MB_YESNO | MB_ICONQUESTION);
    bCheckTimeStamps = r == IDYES ? 1 : 0;
    float fThreshold = static_cast<float>(dTimeStampThreshold);
    if (inputFloatInWindow(this, &fThreshold, fThreshold, true,
                           "correct the times when the time stamps run faster by a factor above:", "TIME STAMPS")) {
        if (fThreshold >= 1.0f && fThreshold <= 10.0f)
            dTimeStampThreshold = fThreshold;
        else
            MessageBox(HWindow, "the factor must lie between 1 and 10; it stays as it was", "Input Error", MB_OK);
    }
    offerSavePreference(this);
    if (nScans > 1 && CheckTimeStamps()) LoadScanFileList();
}

void TXLAWindow::CmSetRadialResolution()
{
    float f = fRadialResolution;
    if (!inputPositiveFloatInWindow(this, &f, fRadialResolution, true, "radial resolution (cm):",
                                    "SET RADIAL RESOLUTION"))
        return;
    if (f >= 0.1f) {
        MessageBox(HWindow, "the radial resolution must be below 0.1 cm; it stays as it was", "Input Error", MB_OK);
        return;
    }
    fRadialResolution = f;
}

void TXLAWindow::CmSetGradientLimit()
{
    float f = fGradientLimit;
    if (!inputPositiveFloatInWindow(this, &f, fGradientLimit, true, "largest signal gradient of the data (per cm):",
                                    "GRADIENT LIMIT"))
        return;
    if (!(f > 0.0f)) {
        MessageBox(HWindow, "the gradient limit must be above 0; it stays as it was", "Input Error", MB_OK);
        return;
    }
    fGradientLimit = f;
    offerSavePreference(this);
}

void TXLAWindow::CmToggleMouseSliding()
{
    const char* szText;
    if (bMouseSlidingOff) {
        bMouseSlidingOff = 0;
        szText = "switching on mouse sliding";
    } else if (bMouseBounceMode == 0) {
        bMouseSlidingOff = 1;
        bMouseBounceMode = 1;
        szText = "switching off mouse sliding";
    } else {
        bMouseBounceMode = 0;
        szText = "toggling mouse bouncing";
    }
    MessageBox(HWindow, szText, "MOUSE SLIDING", MB_OK);
}

void TXLAWindow::CmFlagStrongGradients()
{
    bFlagStrongGradients = !bFlagStrongGradients;
    UpdatePreferenceChecks();
    writeDefaultPreferences();
}

void TXLAWindow::CmWizardMessages()
{
    bWizardMessages = !bWizardMessages;
    UpdatePreferenceChecks();
    writeDefaultPreferences();
}

void TXLAWindow::CmMultipleThreads()
{
    bMultiThreaded = !bMultiThreaded;
    UpdatePreferenceChecks();
    writeDefaultPreferences();
}

void TXLAWindow::CmScanColorFromTime()
{
    bScanColorFromTime = !bScanColorFromTime;
    UpdatePreferenceChecks();
    writeDefaultPreferences();
    if (nScans > 0 && pDataPlot) {
        buildScanPlotVectors();
        pDataPlot->Draw();
    }
    InvalidateUnlessBatch();
}

void TXLAWindow::CmShowResidualsBitmap()
{
    bShowResidualsBitmap = !bShowResidualsBitmap;
    UpdatePreferenceChecks();
    layoutAndRedrawPlots();
    InvalidateUnlessBatch();
}

void TXLAWindow::CmOldFilenameConvention()
{
    bOldFilenameConvention = !bOldFilenameConvention;
    UpdatePreferenceChecks();
}

void TXLAWindow::CmCopyFitParameters() { fitParameterReportText(this); }
