// Fit ranges of meniscus and bottom: while meniscus or bottom is floated the
// fitters keep it inside fMinMeniscus..fMaxMeniscus and fMinBottom..fMaxBottom.
// The automatic ranges lie around the current values (0.02 cm for the
// meniscus and 0.05 cm for the bottom, 0.1 cm for both with fluorescence
// data) and never reach into the radial fit limits: the largest meniscus
// stays 0.001 cm inside the left limit, the smallest bottom 0.001 cm outside
// the right one; they follow a meniscus or bottom changed in the parameter
// dialog. Ranges the user set stay until data are loaded again; a low limit
// above its up limit is refused (in the table and in the two questions of the
// electrophoresis geometry).
#include <cstring>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "plot/entry_dialogs.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// The ranges hold the current values and keep out of the fit limits.
bool rangesValid()
{
    return fMinMeniscus <= fMeniscus && fMeniscus <= fMaxMeniscus && fMaxMeniscus <= fFitLeftLim &&
           fFitRightLim <= fMinBottom && fMinBottom <= fBottom && fBottom <= fMaxBottom &&
           fMinMeniscus <= fMaxMeniscus && fMinBottom <= fMaxBottom;
}

}  // namespace

void setAutoMeniscusBottomLimits()
{
    if (bUserMeniscusBottomRange) return;
    const float dMeniscus = bFluorescenceData ? 0.1f : 0.02f;
    const float dBottom = bFluorescenceData ? 0.1f : 0.05f;
    fMaxMeniscus = fMeniscus + dMeniscus;
    fMinMeniscus = fMeniscus - dMeniscus;
    fMaxBottom = fBottom + dBottom;
    fMinBottom = fBottom - dBottom;
    if (fMaxMeniscus >= fFitLeftLim) fMaxMeniscus = fFitLeftLim - 0.001f;
    if (fMinBottom <= fFitRightLim) fMinBottom = fFitRightLim + 0.001f;
}

void keepFitLimitsInsideCell()
{
    if (nScans < 1 || bDLSData) return;
    if (fFitLeftLim != 0 && (fFitLeftLim < fMeniscus || fFitLeftLim > fBottom)) updateLeftFitLimit();
    if (fFitRightLim != 0 && (fFitRightLim > fBottom || fFitRightLim < fMeniscus)) updateRightFitLimit();
}

void TXLAWindow::CmSetMeniscusBottomLimits()
{
    if (bHelpRequest) {
        WinHelp(HWindow, "morvex.hlp", HELP_CONTEXT, 321);
        bHelpRequest = 0;
        return;
    }
    SetMeniscusBottomRanges(true);
}

void TXLAWindow::SetMeniscusBottomRanges(bool bForce)
{
    if (!bForce && rangesValid()) return;
    bool bAuto = false;
    if (bElectrophoresis) {
        // the bottom follows the meniscus in this geometry: only the meniscus
        const char* szTitle = "SET RANGE FOR MENISCUS VARIATION";
        const float fUpper = bVaryMeniscusWarned ? fMaxMeniscus : fMeniscus + 0.02f;
        const float fLower = bVaryMeniscusWarned ? fMinMeniscus : fMeniscus - 0.02f;
        // Cancel leaves the ranges as they were. A lower limit above the
        // upper leaves no meniscus to fit (every one was clamped onto the
        // upper limit): refused as in the table, and asked again with what
        // was typed; the unattended run takes it as Cancel.
        float fMax = fUpper, fMin = fLower;
        for (;;) {
            if (!inputPositiveFloat(&fMax, fMax, true, "enter upper limit (0 for auto default)", szTitle)) return;
            if (fMax > 0 &&
                !inputPositiveFloat(&fMin, fMin, true, "enter lower limit (0 for auto default)", szTitle))
                return;
            if (!(fMax > 0 && fMin > 0 && fMin > fMax)) break;
            playErrorSound();
            MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
            if (bBatchMode) return;
        }
        fMaxMeniscus = fMax;
        if (fMax > 0) fMinMeniscus = fMin;
        bAuto = fMax <= 0 || fMin <= 0;
    } else {
        float** v = matrix(1, 2, 1, 3);
        char*** labels = new char**[3];
        const char* szText[3][4] = {{}, {"", "meniscus", "low limit (0=auto)", "up limit (0=auto)"},
                                    {"", "bottom", "low limit (0=auto)", "up limit (0=auto)"}};
        for (int i = 1; i <= 2; ++i) {
            labels[i] = new char*[4];
            for (int j = 1; j <= 3; ++j) {
                labels[i][j] = new char[40];
                std::strncpy(labels[i][j], szText[i][j], 39);
                labels[i][j][39] = 0;
            }
        }
        v[1][1] = fMeniscus;
        v[1][2] = fMinMeniscus;
        v[1][3] = fMaxMeniscus;
        v[2][1] = fBottom;
        v[2][2] = fMinBottom;
        v[2][3] = fMaxBottom;
        // A low limit above its up limit leaves no value to fit: the table
        // comes again with what was typed. The unattended run, whose default
        // answer would give the same table back for ever, takes it as Cancel.
        auto crossed = [](float fLow, float fUp) { return fLow > 0 && fUp > 0 && fLow > fUp; };
        bool bOk = GetMatrix(this, 2, 3, v, labels, "set meniscus+limits");
        while (bOk && (crossed(v[1][2], v[1][3]) || crossed(v[2][2], v[2][3]))) {
            playErrorSound();
            MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
            bOk = !bBatchMode && GetMatrix(this, 2, 3, v, labels, "set meniscus+limits");
        }
        if (bOk) {
            paramVectorToGlobals();
            fMeniscus = v[1][1];
            fMinMeniscus = v[1][2];
            fMaxMeniscus = v[1][3];
            fBottom = v[2][1];
            fMinBottom = v[2][2];
            fMaxBottom = v[2][3];
            globalsToParamVector();
            keepFitLimitsInsideCell();
            bAuto = fMinMeniscus <= 0 || fMaxMeniscus <= 0 || fMinBottom <= 0 || fMaxBottom <= 0;
        }
        for (int i = 1; i <= 2; ++i) {
            for (int j = 1; j <= 3; ++j) delete[] labels[i][j];
            delete[] labels[i];
        }
        delete[] labels;
        free_matrix(v, 1, 2, 1, 3);
        if (!bOk) return;
    }
    if (bAuto) {
        bUserMeniscusBottomRange = 0;
        setAutoMeniscusBottomLimits();
    } else {
        bUserMeniscusBottomRange = 1;
    }
    InvalidateUnlessBatch();
}
