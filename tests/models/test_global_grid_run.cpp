// The global-grid road end to end, as a new user runs it: the example velocity
// scans, the discrete-species model with the values it was made with, and the
// Lamm settings' "Experimental Initial Distribution": the first scan is the
// starting profile and the later scans are propagated from it on the global
// grid, with the Claverie algorithm or the moving hat.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fegrid/global_grid.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {


// rms of data minus model inside the fit limits, scans 2..nScans in time order.
double residualRmsAfterFirstScan(long* pCount)
{
    double d2 = 0;
    long n = 0;
    for (int pos = 2; pos <= nScans; ++pos) {
        const int k = pScanTimeOrder[pos];
        for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; ++p) {
            const double r = ppSignal[k][p] - ppFit[k][p];
            d2 += r * r;
            ++n;
        }
    }
    *pCount = n;
    return n ? std::sqrt(d2 / n) : 0;
}

class GlobalGridRunTest : public MainWindowTest, public ::testing::WithParamInterface<bool> {};

}  // namespace

TEST_P(GlobalGridRunTest, ExperimentalInitialDistributionOfTheExample)
{
    const bool bHat = GetParam();
    installDialogTemplates();
    OpenWindow();
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    ASSERT_EQ(nScans, 30);
    headless::Script script;
    script.command(198).command(212).command(611).command(213);
    script.expectDialog("noninteracting species model", exampleDiscreteSpeciesAnswer());
    script.expectDialog("Numerical Control of Lamm Equation Solution", headless::DialogAnswer()
                                                                           .check(630)
                                                                           .check(622, false)
                                                                           .check(624, !bHat)
                                                                           .check(625, bHat));
    script.expectMessageBox("LAMM EQUATION PARAMETERS", IDNO);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bModelComputed);
    EXPECT_EQ(bMovingHat, bHat ? 1 : 0);
    EXPECT_EQ(bClaverie, bHat ? 0 : 1);
    EXPECT_TRUE(bGridArraysAllocated);
    EXPECT_EQ(nFirstModelScan, 2);
    // the first scan's model is its own data
    const int k1 = pScanTimeOrder[1];
    for (int p = 1; p <= pScanPoints[k1]; ++p) ASSERT_EQ(ppFit[k1][p], ppSignal[k1][p]);
    long n = 0;
    const double rms = residualRmsAfterFirstScan(&n);
    EXPECT_GT(n, 1000);
    EXPECT_GT(rms, 0.0038);
    EXPECT_LT(rms, 0.0048);
}

INSTANTIATE_TEST_SUITE_P(ClaverieAndMovingHat, GlobalGridRunTest, ::testing::Values(false, true));
