// The extrapolation of ls-g*(s) area fractions on sharp-boundary scans.
#include <gtest/gtest.h>

#include <cmath>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "analyses/boundary_fixture.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"

using namespace boundarytest;

namespace {

class AreaFractionTest : public BoundaryWindowTest {};

}  // namespace

TEST_F(AreaFractionTest, TwoSharpBoundariesGiveTheirSAndEqualShares)
{
    LoadExperiment(writeStepScans(scratch, {{3.0, 0.0, 0.5}, {7.0, 0.0, 0.5}}, evenTimes(30, 600.0, 270.0)));
    SelectExtrapolation(0.0f, 10.0f, 201, 4, 3);
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    const float expected[] = {3.0f, 3.0f, 7.0f, 7.0f};
    for (int c = 1; c <= 4; c++) {
        EXPECT_NEAR(pDistAxisS[c], expected[c - 1], 0.05) << "fraction " << c;
        EXPECT_NEAR(pDistValues[c], 0.2f * c, 0.01) << "fraction " << c;
    }
    printf("rmsd %g loading %g\n", fRmsd, fLoadingConcentration);
}
