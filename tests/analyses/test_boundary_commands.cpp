// The boundary analyses as a user runs them from the menus: the van
// Holde-Weischet command with its questions, Run, the result in the
// distribution plot and the result plot in the window until Escape.
#include <gtest/gtest.h>

#include <cmath>

#include "analyses/boundary/boundary_fractions.h"
#include "analyses/boundary_fixture.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "platform/headless.h"
#include "plot/cwinplot.h"

using namespace boundarytest;

namespace {

class BoundaryCommandTest : public BoundaryWindowTest {};

}  // namespace

TEST_F(BoundaryCommandTest, VanHoldeWeischetFromTheMenuShowsGOfSAndItsExtrapolation)
{
    LoadExperiment(writeLammScans(scratch, {{5.0, 6e-7, 1.0}}, evenTimes(30, 1200.0, 200.0)));
    win::headless::Script script;
    script.expectMessageBox("van Holde-Weischet for sedimentation?", win::IDYES)
        .expectInput("enter resolution", "10")
        .expectMessageBox("show plot with extrapolation", win::IDYES);
    command(292);
    command(213);
    EXPECT_EQ(script.pending(), 0u);

    // G(s) in the distribution plot: ten points at 5 S
    ASSERT_TRUE(pDistPlot);
    const CCurve* g = pDistPlot->pCurves[0];
    ASSERT_EQ(g->pX->nSize, 10u);
    for (int i = 0; i < 10; i++) {
        EXPECT_NEAR(g->pX->pData[i], 5.0, 0.15) << "fraction " << i + 1;
        EXPECT_FLOAT_EQ(g->pY->pData[i], (i + 1) / 11.0f);
    }
    EXPECT_STREQ(pDistPlot->szYLabel, "fraction");
    // the result plot over the data: 30 scans, then one line per fraction
    // ending at its intercept at 1/sqrt(t) = 0
    ASSERT_TRUE(pAreaFractionPlot);
    ASSERT_EQ(pAreaFractionPlot->nCurves, 30 + 10);
    for (int f = 1; f <= 10; f++) {
        const CCurve* line = pAreaFractionPlot->pCurves[29 + f];
        const unsigned n = line->pX->nSize;
        ASSERT_EQ(n, 31u);
        EXPECT_EQ(line->pX->pData[n - 1], 0.0f);
        EXPECT_EQ(line->pY->pData[n - 1], g->pX->pData[f - 1]);
    }
    window->Invalidate(true);
    win::headless::processMessages();

    script.typeChar('\x1b');
    win::headless::processMessages();
    EXPECT_FALSE(pAreaFractionPlot);
    EXPECT_FALSE(bAreaFractionResults);
    // the result in the distribution plot stays
    EXPECT_TRUE(pDistPlot);
}
