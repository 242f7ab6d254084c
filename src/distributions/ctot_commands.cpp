// The mean-field ctot(r, t) commands of the non-ideal c(s) (Data menu while
// the model is chosen): restore from a file (1103), export (1104), display
// over the data (1105), clear (1106); the question when new scans are
// loaded, and the file saved beside the parameters and offered on reload.
#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/ctot_movie.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/number_entry.h"
#include "plot/overlays.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

const char szCtotFilter[] = "ctot files (*.ctot)|*.ctot|All Files (*.*)|*.*|";
const char szCtotTitle[] = "select NONIDEAL CTOT DATA files";

// The computed field of the loaded data, when one is ready.
bool computedFieldReady()
{
    return pContiNonid && pContiNonid->bMeanFieldFramesBuilt && pContiNonid->bMeanFieldDefined &&
           pContiNonid->bMeanFieldReady;
}

// A loaded movie, made from the computed field when none is loaded.
bool movieOrComputedField()
{
    if ((!pCtotMovie || !pCtotMovie->bLoaded) && computedFieldReady()) {
        createCtotMovie();
        pContiNonid->StoreInCtotMovie();
    }
    return pCtotMovie && pCtotMovie->bLoaded;
}

// The window's paint-suspension flag for the time of a command.
struct CtotBusy {
    TXLAWindow* w;
    unsigned char bWas;
    explicit CtotBusy(TXLAWindow* p) : w(p), bWas(p->bCtotBusy) { w->bCtotBusy = 1; }
    ~CtotBusy() { w->bCtotBusy = bWas; }
};

}  // namespace

void askResetMeanFieldCtotData(TXLAWindow* pWindow)
{
    if (!pCtotMovie) return;
    if (MessageBox(pWindow ? pWindow->HWindow : nullptr, "reset mean field ctot data?", "LOAD FILES", MB_YESNO) ==
        IDYES)
        forgetMeanFieldCtotData();
}

void TXLAWindow::LoadCtotDataFiles(int bAsk)
{
    CtotBusy busy(this);
    char szPath[999];
    std::snprintf(szPath, sizeof szPath, "%s", szScanExtra.c_str());
    if (!pCtotMovie) {
        createCtotMovie();
    } else if (pCtotMovie->szPath && pCtotMovie->szPath[0]) {
        if (bAsk) {
            char sz[400];
            std::snprintf(sz, sizeof sz, "keep %s ?", pCtotMovie->szPath);
            if (MessageBox(HWindow, sz, "NONIDEAL CTOT DATA", MB_YESNO) == IDYES) return;
        }
        std::snprintf(szPath, sizeof szPath, "%s", pCtotMovie->szPath);
    }
    if (!AskFileName(this, 0, szPath, sizeof szPath, szCtotTitle, "ctot", szCtotFilter) || !szPath[0]) {
        MessageBox(HWindow, "sorry could not identify valid file", szCtotTitle, MB_OK);
        return;
    }
    if (!pCtotMovie->Read(szPath)) MessageBox(HWindow, "sorry loading CTOT DATA file failed", szCtotTitle, MB_OK);
}

void TXLAWindow::SaveCtotDataFile()
{
    // with no movie loaded the computed field of the loaded data is exported
    if (!movieOrComputedField()) return;
    CtotBusy busy(this);
    char szPath[999];
    if (pCtotMovie->szPath && pCtotMovie->szPath[0])
        std::snprintf(szPath, sizeof szPath, "%s", pCtotMovie->szPath);
    else
        std::snprintf(szPath, sizeof szPath, "%s.%s", szScanExtra.c_str(), "ctot");
    if (!AskFileName(this, 1, szPath, sizeof szPath, "select NONIDEAL CTOT DATA file", "ctot", szCtotFilter) ||
        !szPath[0]) {
        MessageBox(HWindow, "sorry could not find destination CTOT DATA file", szCtotTitle, MB_OK);
        return;
    }
    if (!pCtotMovie->SaveAs(szPath)) MessageBox(HWindow, "sorry could not save CTOT DATA file", szCtotTitle, MB_OK);
}

void TXLAWindow::UseCtotDataFlag()
{
    // with no movie loaded the computed field of the loaded data is shown
    if (!movieOrComputedField()) return;
    bShowCtotOverlay = 1;
    InvalidateUnlessBatch();
}

void TXLAWindow::PaintCtotOverlay(CWINPlot* pPlot, HDC dc)
{
    if (!movieOrComputedField() || !pPlot || pPlot->nCurves <= 0 || pCtotMovie->nPoints < 1) return;
    const float v = pCtotMovie->ppCtot[1][pCtotMovie->nPoints];
    const int z = nZoomLevel;
    if (z == 0) {  // the whole range as the plot shows it
        fZoomXMin[0] = pPlot->fXMin;
        fZoomXMax[0] = pPlot->fXMax;
        fZoomYMin[0] = pPlot->fYMin;
        fZoomYMax[0] = pPlot->fYMax;
    }
    bool bChanged = false;
    if (fZoomYMin[z] > 0) {
        fZoomYMin[z] = -0.05f * v;
        bChanged = true;
    }
    if (v > fZoomYMax[z]) {
        fZoomYMax[z] = 1.1f * v;
        bChanged = true;
    }
    if (bChanged) {
        // the frames come with the next paint, in the new range
        pPlot->SetAxisRanges(fZoomXMin[z], fZoomXMax[z], fZoomYMin[z], fZoomYMax[z]);
        pPlot->Draw();
        Invalidate(true);
        return;
    }
    for (int i = 1; i <= pCtotMovie->nFrames; i++) {
        HMETAFILE h = overlayFloatArrays(pPlot, pCtotMovie->pRadii, pCtotMovie->ppCtot[i], pCtotMovie->nPoints,
                                         RGB(100, 100, 244), -1, 0);
        if (h) {
            PlayMetaFile(dc, h);
            DeleteMetaFile(h);
        }
    }
}

void saveCtotDataWithParameters(const char* szParameterPath)
{
    if (!szParameterPath || !movieOrComputedField()) return;
    const std::string sz = std::string(szParameterPath) + "." + "ctot";
    pCtotMovie->SaveAs(sz.c_str());
}

void TXLAWindow::LoadCtotDataWithParameters(const char* szParameterPath)
{
    if (!szParameterPath) return;
    const std::string sz = std::string(szParameterPath) + "." + "ctot";
    if (!fileExists(sz.c_str())) return;
    createCtotMovie();
    char szText[400];
    std::snprintf(szText, sizeof szText, "also load mean field CTOT data from %s ?", sz.c_str());
    if (MessageBox(HWindow, szText, "NONIDEAL CTOT DATA", MB_YESNO) != IDYES) return;
    if (!pCtotMovie->Read(sz.c_str())) {
        MessageBox(HWindow, "sorry loading CTOT DATA file failed", szCtotTitle, MB_OK);
        return;
    }
    bMeanFieldExternal = 1;
    bMeanFieldFromData = 0;
}
