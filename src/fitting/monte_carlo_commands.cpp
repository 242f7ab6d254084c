// Statistics > Monte-Carlo for Distributions (296) and Monte-Carlo for
// Integrated Weight-Average s-Values (546): the questions, then the run of
// distributions/monte_carlo.cpp, the limits at other confidence levels or
// the weight-average s over other ranges, and the end of the run.
#include <cmath>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/monte_carlo.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

constexpr const char* szMCTitle = "Monte Carlo for Distributions";
constexpr const char* szOnlyDistribution =
    "This Monte-Carlo routine will show the statistics only arising from the distribution and regularization.\n";

// Loaded scans and a continuous model (or a boundary analysis).
bool monteCarloApplies() { return nScans > 0 && (bModelContinuous || bBoundaryAnalysisMode); }

bool askNumber(TXLAWindow* w, float* pf, float fDefault, const char* szPrompt)
{
    return inputFloatInWindow(w, pf, fDefault, true, szPrompt, szMCTitle);
}

// The folder of the files (the name is a dummy) and whether every iteration
// is written; false on Cancel.
bool askFilesAndSaving(TXLAWindow* w, char* szFile, int nSize, int* pbSaveEach)
{
    std::snprintf(szFile, static_cast<size_t>(nSize), "%s", "mc.dat");
    if (!AskSaveWithWindowRecord(w, szFile, nSize, "select directory (keep dummy filename) for Distributions", false))
        return false;
    *pbSaveEach =
        MessageBox(w->HWindow, "write distribution to file at each iteration?", "SET PREFERENCE", MB_YESNO) == IDYES;
    return true;
}

// A confidence level strictly between 0 and 1; otherwise it is refused with
// the message of the other statistics commands (the limit files are named by
// it: 1.5 would give "lim1250.dat" and "lim-250.dat").
bool confidenceLevelValid(TXLAWindow* w, float P)
{
    if (P > 0.0f && P < 1.0f) return true;
    MessageBox(w->HWindow, "the confidence level must lie between 0 and 1", szMCTitle, MB_OK);
    return false;
}

// The number of simulations, rounded down; a count beyond any run's memory
// is held to ten million (the run then finds no memory and ends).
int iterationCount(float f)
{
    if (!(f > 0.0f)) return 0;
    return f < 1e7f ? static_cast<int>(std::floor(f)) : 10000000;
}

}  // namespace

void TXLAWindow::CmMonteCarloDistributions()
{
    if (!monteCarloApplies()) return;
    char szText[400];
    std::snprintf(szText, sizeof szText, "%s - continue?", szOnlyDistribution);
    if (MessageBox(HWindow, szText, szMCTitle, MB_YESNO) != IDYES) return;
    float fCount = 100.0f, P = 0.68f;
    if (!askNumber(this, &fCount, 100.0f, "number of simulations")) return;
    if (!askNumber(this, &P, 0.68f, "confidence level for display")) return;
    if (!confidenceLevelValid(this, P)) return;
    char szFile[260];
    int bSaveEach = 0;
    if (!askFilesAndSaving(this, szFile, sizeof szFile, &bSaveEach)) return;

    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    bMCWeightAvgS = 0;
    runMonteCarloDistributions(this, iterationCount(fCount), P, szFile, bSaveEach);
    float fNewP = P;
    while (inputFloatInWindow(this, &fNewP, P, true, "change confidence level", szMCTitle)) {
        if (!confidenceLevelValid(this, fNewP)) continue;
        P = fNewP;
        plotMonteCarloLimits(P);
        Invalidate(true);
    }
    endMonteCarlo(this);
    Invalidate(true);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void TXLAWindow::CmMonteCarloWeightAverageS()
{
    char szText[1200];
    std::snprintf(szText, sizeof szText, "%s%s%s%s%s - continue?", szOnlyDistribution,
                  "It will not optimize at each step non-linear parameters (such as meniscus value) but considers them "
                  "fixed.\n",
                  "If you need to consider their influence on confidence limits on integrated sw, too, you can use the "
                  "Monte-Carlo procedure\n",
                  "to the hybrid discrete/continuous distribution of DRELLIX (slow), or, alternatively, do a two-step "
                  "analysis of determining confidence intervals\n",
                  "of the nonlinear parameter first, and then apply the present Monte-Carlo for distributions procedure "
                  "to the extreme values (faster).");
    if (MessageBox(HWindow, szText, szMCTitle, MB_YESNO) != IDYES) return;
    if (!monteCarloApplies()) return;
    float fCount = 100.0f, P = 0.68f, smin = 1.0f, smax = 10.0f;
    if (!askNumber(this, &fCount, 100.0f, "number of simulations")) return;
    if (!askNumber(this, &P, 0.68f, "confidence level of regularization (P-value, recommended 0.68)")) return;
    if (!confidenceLevelValid(this, P)) return;
    if (!askNumber(this, &smin, 1.0f, "left integration limit (smin)")) return;
    if (!askNumber(this, &smax, 10.0f, "right integration limit (smax)")) return;
    char szFile[260];
    int bSaveEach = 0;
    if (!askFilesAndSaving(this, szFile, sizeof szFile, &bSaveEach)) return;

    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    bMCWeightAvgS = 1;
    runMonteCarloWeightAvgS(this, iterationCount(fCount), P, smin, smax, szFile, bSaveEach);
    while (MessageBox(HWindow, "other integration limits?", szMCTitle, MB_YESNO) == IDYES) {
        if (!askNumber(this, &smin, smin, "left integration limit (smin)")) break;
        if (!askNumber(this, &smax, smax, "right integration limit (smax)")) break;
        monteCarloWeightAvgS(this, smin, smax, P);
    }
    endMonteCarlo(this);
    Invalidate(true);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}
