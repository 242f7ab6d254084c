// Prior knowledge for the regularization: Use Prior Probabilities (command
// 529, Ctrl+W) with its dialog, and Prior Knowledge of Discrete Species
// (command 633, Ctrl+X), which takes the peaks of the shown distribution as
// sharp species, runs the distribution once with them as the prior of the
// maximum entropy, and reports how much of the signal the species hold.
//
// The prior sources are turned into pPriorProbability at the start of every
// run (setupPriorProbabilities); these commands only choose and fill them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_dialog.h"
#include "distributions/prior_probabilities.h"
#include "numerics/ccurve.h"
#include "numerics/nrutil.h"
#include "numerics/text_lines.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"

using namespace win;

namespace {

const char kPriorFilter[] = "dat files (*.dat*)|*.dat*|All Files (*.*)|*.*|";

// The file switched off: its first character into the stash, the name empty.
void switchPriorFileOff()
{
    if (!szPriorFileName[0]) return;
    cPriorFileStash = szPriorFileName[0];
    szPriorFileName[0] = 0;
}

bool priorFileSwitchedOff() { return !szPriorFileName[0] && szPriorFileName[1] && cPriorFileStash != '0'; }

void restorePriorFile()
{
    if (priorFileSwitchedOff()) szPriorFileName[0] = cPriorFileStash;
}

void checkPriorItem(TXLAWindow* w)
{
    if (HMENU m = w->GetMenu())
        CheckMenuItem(m, 529,
                      MF_BYCOMMAND | (bUsePriorProbabilities || bPriorFf0Gaussians ? MF_CHECKED : MF_UNCHECKED));
}

// p(f/f0) of the two-dimensional models from up to 10 Gaussians, asked one
// value at a time until the first incomplete entry.
void askFf0PriorGaussians(TXLAWindow* w)
{
    const char* szQuestion = "assemble prior p(f/f0) from Gaussians?";
    if (MessageBox(w->HWindow, szQuestion, "REGULARIZATION", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    bPriorFf0Gaussians = 1;
    bool bEnded = false;
    for (int g = 0; g < 10; g++) {
        float fPosition = 0.0f, fWidth = 0.0f, fEnhancement = 0.0f;
        if (!bEnded) {
            inputFloat(&fPosition, static_cast<float>(dFf0PriorPeakPosition[g]), true, "at (f/f0)-value",
                       "REGULARIZATION");
            if (fPosition != 0.0f)
                inputFloat(&fWidth, static_cast<float>(2.0 * dFf0PriorPeakHalfWidth[g]), true, "width ",
                           "REGULARIZATION");
            if (fPosition != 0.0f && fWidth != 0.0f)
                inputFloat(&fEnhancement, static_cast<float>(1000.0 * dFf0PriorPeakEnhancement[g]), true,
                           "enhancement (default 10-100) ", "REGULARIZATION");
        }
        if (bEnded || fPosition == 0.0f || fWidth == 0.0f || fEnhancement == 0.0f) {
            dFf0PriorPeakPosition[g] = dFf0PriorPeakHalfWidth[g] = dFf0PriorPeakEnhancement[g] = 0.0;
            if (g == 0) bPriorFf0Gaussians = 0;
            bEnded = true;
            continue;
        }
        dFf0PriorPeakPosition[g] = fPosition;
        dFf0PriorPeakHalfWidth[g] = fWidth / 2.0;
        dFf0PriorPeakEnhancement[g] = fEnhancement * 0.001;
    }
}

double fieldValue(const char* sz)
{
    const char* p = sz;
    double v = 0.0;
    return readNumber(p, v) ? v : 0.0;
}

}  // namespace

void TXLAWindow::CmUsePriorProbabilities()
{
    bGJPriorLoaded = 0;
    RunPriorParamsBox();
    if (isTwoDimensionalModel()) {
        if (MessageBox(HWindow, "use prior probability?", "REGULARIZATION", MB_YESNO | MB_ICONQUESTION) == IDYES) {
            bUsePriorProbabilities = 1;
        } else {
            bUsePriorProbabilities = 0;
            bPriorFf0Gaussians = 0;
        }
        askFf0PriorGaussians(this);
    }
    checkPriorItem(this);
    if (bUsePriorProbabilities) bPriorFromDiscreteSpecies = 0;
}

void fillPriorParamsTransfer(PriorParamsTransfer* pTransfer)
{
    PriorParamsTransfer& t = *pTransfer;
    TMCDPriorParamsBox::InitTransfer(&t);

    // 1. the source
    t.c818 = bUsePriorProbabilities ? 1 : 0;
    const bool bNoName = cPriorFileStash == '0' || (!szPriorFileName[0] && !szPriorFileName[1]);
    if (bNoName) {
        std::snprintf(t.e777, sizeof t.e777, "no filename selected");
    } else {
        std::string name = szPriorFileName[0] ? std::string(szPriorFileName)
                                              : std::string(1, cPriorFileStash) + (szPriorFileName + 1);
        if (name.size() >= 999)
            std::snprintf(t.e777, sizeof t.e777, "filename too long");
        else
            std::snprintf(t.e777, sizeof t.e777, "%s%s", name.c_str(), bGJTPriorFile ? " [GJT file]" : "");
    }
    t.c822 = bGJTPriorFile ? 1 : 0;
    if (bUsePriorProbabilities) {
        if (szPriorFileName[0])
            t.r819 = 1;
        else if (bPriorFromDiscreteSpecies)
            t.r823 = 1;
        else
            t.r820 = 1;
    }
    t.c821 = 0;

    // 2. the peak table
    for (int k = 1; k <= nPriorPeakRows; k++) {
        if (dPriorPeakAmplitude[k] <= 0) dPriorPeakWidth[k] = -1;
        const size_t r = static_cast<size_t>(k - 1);
        if (dPriorPeakWidth[k] >= 0) {
            t.cPeak[r] = 1;
            std::snprintf(t.eLocation[r], sizeof t.eLocation[r], "%.3f ", dPriorPeakLocation[k]);
            std::snprintf(t.eWidth[r], sizeof t.eWidth[r], "%.3f ", dPriorPeakWidth[k]);
            std::snprintf(t.eAmplitude[r], sizeof t.eAmplitude[r], "%.3f ", dPriorPeakAmplitude[k]);
        } else {
            std::snprintf(t.eLocation[r], sizeof t.eLocation[r], "0");
            std::snprintf(t.eWidth[r], sizeof t.eWidth[r], "0");
            std::snprintf(t.eAmplitude[r], sizeof t.eAmplitude[r], "0");
        }
    }
}

void TXLAWindow::RunPriorParamsBox()
{
    PriorParamsTransfer t;
    fillPriorParamsTransfer(&t);

    // 3.
    if (TMCDPriorParamsBox(this, &t).Execute() != IDOK) return;

    // 4.
    for (int k = 1; k <= nPriorPeakRows; k++) {
        const size_t r = static_cast<size_t>(k - 1);
        if (!t.cPeak[r]) {
            dPriorPeakLocation[k] = 0;
            dPriorPeakWidth[k] = -1;
            dPriorPeakAmplitude[k] = 0;
        } else {
            dPriorPeakLocation[k] = fieldValue(t.eLocation[r]);
            dPriorPeakWidth[k] = fieldValue(t.eWidth[r]);
            dPriorPeakAmplitude[k] = fieldValue(t.eAmplitude[r]);
        }
        if (dPriorPeakAmplitude[k] <= 0) dPriorPeakWidth[k] = -1;
    }
    bool bUse = t.c818 != 0;
    if (!bUsePriorProbabilities && (t.r819 || t.r820 || t.r823)) bUse = true;
    bGJTPriorFile = t.c822 ? 1 : 0;

    // 5.
    if (!bUse) {
        bUsePriorProbabilities = 0;
        switchPriorFileOff();
        return;
    }

    // 6.
    bUsePriorProbabilities = 1;
    if (t.r823) PriorKnowledgeDiscreteSpecies(true);
    if (t.r823 || t.r820) {
        switchPriorFileOff();
        if (dPriorPeakLocation[1] == 0 || dPriorPeakWidth[1] == -1 || dPriorPeakAmplitude[1] == 0) {
            dPriorPeakLocation[1] = 0;
            dPriorPeakWidth[1] = -1;
            dPriorPeakAmplitude[1] = 0;
            bUsePriorProbabilities = 0;
        }
    } else if (t.r819 && t.c821) {
        char szPath[1000];
        std::snprintf(szPath, sizeof szPath, "%s", szPriorFileName);
        if (!AskFileName(this, 0, szPath, sizeof szPath, "Select Prior Probability Data File", nullptr, kPriorFilter)) {
            showErrorMessage("Could Not Open MaxEnt Prior File", 0);
            std::memset(szPriorFileName, 0, sizeof szPriorFileName);
            bUsePriorProbabilities = 0;
            return;
        }
        std::snprintf(szPriorFileName, sizeof szPriorFileName, "%s", szPath);
        cPriorFileStash = szPriorFileName[0];
        if (t.c822) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            const bool bRead = ImportGJPrior();
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            if (!bRead) bUsePriorProbabilities = 0;
            bGJPriorLoaded = bRead ? 1 : 0;
            // the values are in the discrete-species prior now
            switchPriorFileOff();
        }
    } else if (t.r819) {
        restorePriorFile();
    }
}

bool TXLAWindow::ImportGJPrior() { return importGJPriorFile(szPriorFileName) != 0; }

void TXLAWindow::CmPriorKnowledgeDiscreteSpecies() { PriorKnowledgeDiscreteSpecies(false); }

void TXLAWindow::PriorKnowledgeDiscreteSpecies(bool bTableMode)
{
    const int n = nResolution;
    if (!pDistPlot || !pDistCurve || !pDistValues || !pDistAxisS || n < 4 || !priorCsTypeModel()) return;
    // 1.
    freePriorDiscreteSpecies();
    pPriorDiscreteSpecies = dvector(1, n);
    pPriorDiscreteSpeciesValues = dvector(1, n);
    nPriorDiscreteSpecies = n;
    // 2.
    float px[11], py[11];
    int pi[11];
    const int nPeaks = pDistCurve->FindPeaks(px, py, pi, 10, 2);
    if (nPeaks < 1) return;
    // 3.
    if (!bTableMode) {
        bPriorFromDiscreteSpecies = 1;
        bUsePriorProbabilities = 1;
        // a prior of an earlier run of this command must not make the Run
        // below drop this one
        bDiscreteSpeciesPriorUsed = 0;
    }
    double* s = pPriorDiscreteSpecies;
    double* m = pPriorDiscreteSpeciesValues;
    for (int i = 1; i <= n; i++) {
        m[i] = 0.001;
        s[i] = pDistAxisS[i];
    }

    // 4. the sharp peaks: alone (each edge at most half the peak) and of
    // signal 0.01 at least
    // (each peak once: a maximum inside a higher peak is part of it)
    std::vector<int> placedAt;
    for (const DistributionPeak& peak : distinctPeaks(pi, nPeaks, 0.9f)) {
        const int nFirst = peak.nFirst, nLast = peak.nLast;
        const float fSw = peak.fMean, fArea = peak.fSignal, fHeight = pDistValues[peak.nIndex];
        if (nFirst < 1 || !(pDistValues[nFirst] <= 0.5f * fHeight && pDistValues[nLast] <= 0.5f * fHeight) ||
            !(fArea >= 0.01f))
            continue;
        int j = 0;
        for (int i = nFirst; i <= n - 2; i++)
            if (s[i] <= fSw && fSw < s[i + 1]) {
                j = i;
                break;
            }
        if (j <= 1) continue;
        if (!bTableMode) placeSharpPriorPeak(s, m, j, sharpPriorPeakHeight(s, j, fArea), fSw, true);
        const int nRow = static_cast<int>(placedAt.size()) + 1;
        if (nRow > nPriorPeakRows) continue;
        dPriorPeakLocation[nRow] = fSw;
        dPriorPeakWidth[nRow] = 0;
        dPriorPeakAmplitude[nRow] = fArea;
        placedAt.push_back(j);
    }
    // the table holds the peaks found and nothing else
    for (int k = static_cast<int>(placedAt.size()) + 1; k <= nPriorPeakRows; k++) dPriorPeakWidth[k] = -1;

    // 5.
    if (isTwoDimensionalModel()) {
        bPriorFf0Gaussians = 0;
        askFf0PriorGaussians(this);
    }
    // 6. the method that takes the prior, checked and set
    CmRegularizationMaxEnt();
    if (HMENU menu = GetMenu()) CheckMenuItem(menu, 529, MF_BYCOMMAND | MF_CHECKED);
    if (bTableMode) return;

    // 7. one run with this prior
    CmRun();
    bUsePriorProbabilities = 0;
    bDiscreteSpeciesPriorUsed = 1;

    // 8. the report
    if (!pDistValues || !pDistAxisS || nResolution != n) return;
    float fTotal = 0.0f, fMean = 0.0f, fWhole = 0.0f;
    integrateDistribution(pDistAxisS[2], pDistAxisS[n - 1], &fTotal, &fMean, &fWhole, nullptr, nullptr, nullptr);
    std::string text;
    char sz[300];
    double dPeakSignal = 0.0, dPeakMoment = 0.0;
    for (size_t k = 0; k < placedAt.size(); k++) {
        const int j = placedAt[k];
        const float a = pDistAxisS[j - 1], b = pDistAxisS[j + 2];
        float c = 0.0f, fSw = 0.0f, fAll = 0.0f;
        integrateDistribution(a, b, &c, &fSw, &fAll, nullptr, nullptr, nullptr);
        std::snprintf(sz, sizeof sz, "peak #%d: from %.2f - %.2fS, sw = %.3f, signal = %.3f (%.2f%%)\n",
                      static_cast<int>(k) + 1, a, b, fSw, c, fTotal != 0.0f ? 100.0f * c / fTotal : 0.0f);
        text += sz;
        dPeakSignal += c;
        dPeakMoment += double(c) * fSw;
    }
    // the rest: its signal and its own weight-average s
    const double dRest = fTotal - dPeakSignal;
    const double dRestSw = dRest > 0.0 ? (double(fTotal) * fMean - dPeakMoment) / dRest : 0.0;
    std::snprintf(sz, sizeof sz, "\nOTHER MATERIAL:  %.2f%% (sw=%.2f)", fTotal != 0.0f ? 100.0 * dRest / fTotal : 0.0,
                  dRestSw);
    text += sz;
    FILE* f = fopenMapped("DiscInts.dat", "w");
    bool bWritten = f && std::fputs(text.c_str(), f) >= 0;
    if (f && std::fclose(f) != 0) bWritten = false;
    if (!bWritten) {
        showErrorMessage("Could Not Open DiscInts.dat File", 0);
        return;
    }
    WinExec("notepad.exe DiscInts.dat", SW_SHOWNORMAL);
}
