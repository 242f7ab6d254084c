// The discrete-species model end to end, as a new user runs it: the example
// velocity scans loaded, Model > Non-Interacting Discrete Species, the
// parameters typed into the dialog, Run. The example was made with 4.3 S,
// D = 6.1e-7 cm^2/s, loading 0.8 and baseline 0.02 with noise of rms 0.004:
// the model with those values leaves residuals of that size and no mean.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {


// rms and mean of data minus model inside the fit limits.
void residuals(double* pRms, double* pMean, long* pCount)
{
    double d = 0, d2 = 0;
    long n = 0;
    for (int k = 1; k <= nScans; ++k)
        for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; ++p) {
            const double r = ppSignal[k][p] - ppFit[k][p];
            d += r;
            d2 += r * r;
            ++n;
        }
    *pCount = n;
    *pMean = n ? d / n : 0;
    *pRms = n ? std::sqrt(d2 / n) : 0;
}

}  // namespace

TEST_F(MainWindowTest, DiscreteModelOfTheExampleLeavesOnlyItsNoise)
{
    installDialogTemplates();
    OpenWindow();
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    ASSERT_EQ(nScans, 30);
    headless::Script script;
    script.command(198).command(212).command(213);
    script.expectDialog("noninteracting species model", exampleDiscreteSpeciesAnswer());
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bModelComputed);
    double rms = 0, mean = 0;
    long n = 0;
    residuals(&rms, &mean, &n);
    EXPECT_GT(n, 1000);
    EXPECT_NEAR(rms, 0.0040, 0.0002);
    EXPECT_LT(std::fabs(mean), 0.0005);
}

TEST_F(MainWindowTest, TheExampleWithItsLoadingSolvedAndTheSystematicNoise)
{
    // the loading floated (solved linearly) with time- and radial-invariant
    // noise: the loading comes out as made, the noise takes the baseline
    installDialogTemplates();
    OpenWindow();
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    headless::Script script;
    script.command(198).command(212).command(213);
    script.expectDialog("noninteracting species model", headless::DialogAnswer()
                                                             .check(401)
                                                             .set(405, "0.5")
                                                             .set(406, "6.1")
                                                             .set(407, "4.3")
                                                             .check(402)
                                                             .check(403, false)
                                                             .check(404, false)
                                                             .set(435, "6.0")
                                                             .check(434, false)
                                                             .set(437, "7.2")
                                                             .check(436, false)
                                                             .check(431)
                                                             .check(455));
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bAlgebraicConcentrations);
    EXPECT_TRUE(bModelComputed);
    EXPECT_NEAR(pSpeciesConc[1], 0.8, 0.005);
    double rms = 0, mean = 0;
    long n = 0;
    residuals(&rms, &mean, &n);
    EXPECT_LT(rms, 0.0041);
    EXPECT_LT(std::fabs(mean), 0.0005);
}

TEST_F(MainWindowTest, HelpOnTheParameterCommandsOpensTheirContexts)
{
    installDialogTemplates();
    OpenWindow();
    headless::Script script;
    window->EvHelpRequest(212);
    window->EvHelpRequest(240);
    ASSERT_EQ(script.lines().size(), 2u);
    EXPECT_EQ(script.lines()[0].rfind("Start WinHelp \"HELP_CONTEXT 320\"", 0), 0u);
    EXPECT_EQ(script.lines()[1].rfind("Start WinHelp \"HELP_CONTEXT 321\"", 0), 0u);
    // a Model command without a help step acts on F1
    window->EvHelpRequest(282);
    EXPECT_TRUE(bGeometryReserved && bModelDiscreteSpecies);
    // one with it offers the help instead
    script.expectMessageBox("HELP", IDNO);
    window->EvHelpRequest(227);
    EXPECT_FALSE(bModelNonidealSingle);
    EXPECT_EQ(script.pending(), 0u);
}
