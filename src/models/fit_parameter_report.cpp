// The fit-parameter report: the included species with M (or D) and s, the
// loadings, meniscus, bottom and baseline with what was floated, the fit
// limits, the initial condition, the start time and the rmsd, as a text file
// (Save Fit Data) or as plain text on the clipboard (Copy Fit Parameters).
// The clipboard text keeps the wording it has always had, which differs from
// the file in three places (the s line ends without a line feed, a fixed
// baseline reads "(fitxed)", and the TI-noise note is a line of its own).
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/app_globals.h"
#include "app/clipboard_text.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"

using namespace win;

namespace {

void append(std::string& s, const char* szFormat, double x)
{
    char sz[96];
    std::snprintf(sz, sizeof sz, szFormat, x);
    s += sz;
}

const char* fitState(bool bFloated, const char* szFloated, const char* szFixed)
{
    return bFloated ? szFloated : szFixed;
}

std::string reportText(bool bClipboard)
{
    std::string s;
    for (int k = 1; k <= 4; ++k) {
        if (!pSpeciesIncluded[k]) continue;
        char sz[48];
        std::snprintf(sz, sizeof sz, "\n\ncomponent %d included:\n", k);
        s += sz;
        if (bUseMolarMass)
            append(s, "M\t=\t%f g/Mol", pSpeciesMw[k]);
        else
            append(s, "D\t=\t%.3f *10^-7 cm^2/sec", pSpeciesMw[k]);
        s += fitState(pSpeciesMwFloat[k] != 0, "\t(floated)\n", "\t(fixed)\n");
        append(s, "s\t=\t%.3f S", pSpeciesS[k]);
        if (bClipboard)
            s += fitState(pSpeciesSFloat[k] != 0, "\t\t\t(floated)", "\t\t\t(fixed)");
        else
            s += fitState(pSpeciesSFloat[k] != 0, "\t\t\t(floated)\n", "\t\t\t(fixed)\n");
    }
    s += "\n\nconcentrations = ";
    for (int k = 1; k <= 4; ++k)
        if (pSpeciesIncluded[k]) append(s, "%.3f | ", pParamValue[8 + k]);
    s += "(first is total, next are fractions)";

    append(s, "\n\nmeniscus at \t%1.4f cm", fMeniscus);
    s += fitState(bFitMeniscus != 0, "\t\t(floated)\n", "\t\t(fixed)\n");
    append(s, "bottom at \t%1.4f cm", fBottom);
    s += fitState(bFitBottom != 0, "\t\t(floated)\n", "\t\t(fixed)\n\n");
    append(s, "baseline at \t%1.5f OD", fBaseline);
    s += fitState(bFitBaseline || bAlgebraicBaseline, "\t\t(floated)\n",
                  bClipboard ? "\t\t(fitxed)\n" : "\t\t(fixed)\n");
    if (bFitTINoise) s += bClipboard ? "\t\ttime independent baseline fitted\n" : "\t\t(time independently fitted)";

    char sz[96];
    std::snprintf(sz, sizeof sz, "\nfitted from %1.4f to %1.4f cm\n", fFitLeftLim, fFitRightLim);
    s += sz;
    s += bExperimentalInitialDistribution ? "with experimental initial distribution"
                                          : "with constant initial distribution";
    append(s, "\nsimulation start time %f sec", fStartTime);
    s += fitState(bFitT0 != 0, "\t\t(floated)\n", "\t\t(fixed)\n");

    const float fSSR = fRmsd * fRmsd * fNumFitPoints;
    std::snprintf(sz, sizeof sz, "\nrmsd=%f (n=%.0f,SSR=%f)\n", fRmsd, fNumFitPoints, fSSR);
    s += sz;
    return s;
}

void setCursor(LPCSTR id) { SetCursor(LoadCursor(nullptr, id)); }

}  // namespace

void writeFitParameterReport(TXLAWindow* pWindow, const char* szPath)
{
    if (!szPath || !*szPath) return;
    const HWND hWnd = pWindow ? pWindow->HWindow : nullptr;
    char sz[400];
    std::error_code ec;
    if (std::filesystem::exists(szPath, ec)) {
        std::snprintf(sz, sizeof sz, "file %.300s already exists!\nOverwrite?", szPath);
        if (MessageBox(hWnd, sz, "ERROR", MB_YESNO) != IDYES) {
            MessageBox(hWnd, "parameters not saved", "ERROR", MB_OK);
            return;
        }
    }
    setCursor(IDC_WAIT);
    paramVectorToGlobals();
    std::FILE* f = std::fopen(szPath, "w");
    if (!f) {
        setCursor(IDC_ARROW);
        std::snprintf(sz, sizeof sz, "could not open %.300s", szPath);
        MessageBox(hWnd, sz, "ERROR", MB_OK);
        return;
    }
    const std::string text = reportText(false);
    const bool bWritten = std::fputs(text.c_str(), f) >= 0 && std::fflush(f) == 0 && std::ferror(f) == 0;
    const bool bClosed = std::fclose(f) == 0;
    setCursor(IDC_ARROW);
    if (!bWritten || !bClosed) {
        // a full disk: the report is not there, whatever the file holds
        std::snprintf(sz, sizeof sz, "could not write %.300s", szPath);
        MessageBox(hWnd, sz, "ERROR", MB_OK);
    }
}

bool fitParameterReportText(TXLAWindow* pWindow)
{
    paramVectorToGlobals();
    return putStringOnClipboard(pWindow, reportText(true));
}
