// The special geometries end to end, as a new user runs them: the example
// velocity scans, Model > linear Lamm Equation, the values the example was made
// with, Run. In the rectangular channel the plateau thins by exp(-s w^2 t) once
// (the sector's radial dilution would take it twice), so the model of the last
// scan stands at 0.8 exp(-s w^2 t) + 0.02, with s w^2 t from the scan's own
// omega-squared-t.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fegrid/global_grid.h"
#include "fegrid/loading_cell.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// The model of the last scan at the radius.
float lastModelAt(double r)
{
    const int k = pScanTimeOrder[nScans];
    int best = 1;
    for (int j = 1; j <= pScanPoints[k]; j++)
        if (std::fabs(ppRadius[k][j] - r) < std::fabs(ppRadius[k][best] - r)) best = j;
    return ppFit[k][best];
}

}  // namespace

TEST_F(MainWindowTest, LinearLammEquationOfTheExampleThinsThePlateauOnce)
{
    installDialogTemplates();
    OpenWindow();
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    ASSERT_EQ(nScans, 30);
    headless::Script script;
    script.command(280).command(212).command(213);
    script.expectDialog("noninteracting species model", exampleDiscreteSpeciesAnswer());
    // the example was made in the sector: the help wizard finds the residuals
    // of the channel's model large (no error box)
    script.expectMessageBox("Help Wizard", IDOK).expectMessageBox("Help Wizard", IDOK);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bGeometryLinear);
    EXPECT_TRUE(bModelComputed);
    const ScanHeader& last = pScanHeaders[pScanTimeOrder[nScans]];
    EXPECT_EQ(+last.time, 9300.0);
    const double plateau = 0.8 * std::exp(-4.3e-13 * last.omega2t) + 0.02;
    EXPECT_NEAR(plateau, 0.7369, 5e-5);
    EXPECT_NEAR(lastModelAt(7.10), plateau, 5e-4);
    // the sector's would be 0.8 exp(-2 s w^2 t) + 0.02
    EXPECT_GT(std::fabs(lastModelAt(7.10) - (0.8 * std::exp(-2 * 4.3e-13 * last.omega2t) + 0.02)), 0.07);
    // the equidistant grid of the static propagator, whatever the settings chose
    EXPECT_TRUE(bClaverie);
    EXPECT_FALSE(bVariableGridBuilt);
}

// The loading cell asks for the oil; with the taper filled it is the linear
// geometry, on either road of the settings.
TEST_F(MainWindowTest, LoadingCellWithTheTaperFilledIsTheLinearGeometry)
{
    installDialogTemplates();
    OpenWindow();
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    headless::Script script;
    script.command(281).command(212).command(213);
    script.expectInput("enter volume of oil used in run", "0.02");
    script.expectDialog("noninteracting species model", exampleDiscreteSpeciesAnswer());
    script.expectMessageBox("Help Wizard", IDOK).expectMessageBox("Help Wizard", IDOK);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fElcOilVolume, 0.02f);
    const ScanHeader& last = pScanHeaders[pScanTimeOrder[nScans]];
    EXPECT_NEAR(lastModelAt(7.10), 0.8 * std::exp(-4.3e-13 * last.omega2t) + 0.02, 5e-4);
}
