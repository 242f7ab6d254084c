// Options > Fitting Options: the optimiser of Fit, one of three with its
// check mark, and the settings of simulated annealing, which the defaults
// file keeps (lines 12-15 of "morvexparams.ini").
#include "app/preferences.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "resources/commands.h"

namespace {

constexpr const char* szAnnealingTitle = "Fit With Simulated Annealing";

void chooseOptimizer(TXLAWindow* pWindow, unsigned char bSimplexOn, unsigned char bAnnealingOn,
                     unsigned char bMarquardtOn)
{
    bSimplex = bSimplexOn;
    bSimulatedAnnealing = bAnnealingOn;
    bMarquardLevenbergMin = bMarquardtOn;
    pWindow->UpdateFittingOptionChecks();
}

// An answer of the number dialog, or the value as it was on Cancel.
float ask(TXLAWindow* pWindow, float fValue, const char* szPrompt)
{
    float f = fValue;
    inputFloatInWindow(pWindow, &f, fValue, true, szPrompt, szAnnealingTitle);
    return f;
}

// A count as typed, held inside the range of an int.
int toCount(float f)
{
    if (!(f > -2e9f)) return -2000000000;
    if (!(f < 2e9f)) return 2000000000;
    return static_cast<int>(f);
}

}  // namespace

void TXLAWindow::UpdateFittingOptionChecks()
{
    win::HMENU m = GetMenu();
    if (!m) return;
    auto check = [m](win::UINT id, bool bOn) {
        win::CheckMenuItem(m, id, win::MF_BYCOMMAND | (bOn ? win::MF_CHECKED : win::MF_UNCHECKED));
    };
    check(CM_SIMPLEX, bSimplex);
    check(CM_SIMULATED_ANNEALING, bSimulatedAnnealing);
    check(CM_MARQUARDT_LEVENBERG, bMarquardLevenbergMin);
}

void TXLAWindow::CmSimplexAlgorithm() { chooseOptimizer(this, 1, 0, 0); }

void TXLAWindow::CmMarquardtLevenberg() { chooseOptimizer(this, 0, 0, 1); }

void TXLAWindow::CmSimulatedAnnealing()
{
    chooseOptimizer(this, 0, 1, 0);
    // stored as given: the fit copes with any number of steps and iterations
    SAmaxTemp = ask(this, SAmaxTemp, "starting 'temperature' (rel increase glob.chisq)");
    nSANumberOfTemps = toCount(ask(this, static_cast<float>(nSANumberOfTemps), "# of temperature steps"));
    nSAItMax = toCount(ask(this, static_cast<float>(nSAItMax), "# of iterations per temperature"));
    const float fFinal = ask(this, bSAFinalML ? 1.0f : bAnnealFinalSimplex ? 2.0f : 0.0f,
                             "final ML (1), Simplex (2), or none (0)");
    bSAFinalML = fFinal == 1.0f ? 1 : 0;
    bAnnealFinalSimplex = fFinal == 2.0f ? 1 : 0;
    defaultPreferences.nSAFinal = bSAFinalML ? 1 : bAnnealFinalSimplex ? 2 : 0;
    fSATemperature = SAmaxTemp;
    nAnnealingSeed = -3;
    if (win::MessageBox(HWindow, "save as default setting?", "SET PREFERENCE", win::MB_YESNO | win::MB_ICONQUESTION) ==
        win::IDYES)
        writeDefaultPreferences();
}
