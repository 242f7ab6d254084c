// The van Holde-Weischet analysis on scans from the Lamm solver object.
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

class VanHoldeWeischetTest : public BoundaryWindowTest {};

}  // namespace

TEST_F(VanHoldeWeischetTest, OneSpeciesGivesItsSInEveryFraction)
{
    LoadExperiment(writeLammScans(scratch, {{5.0, 6e-7, 1.0}}, evenTimes(30, 1200.0, 200.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    for (int f = 1; f <= 10; f++) printf("%d %g %g\n", f, pDistAxisS[f], pDistValues[f]);
}

TEST_F(VanHoldeWeischetTest, TwoSpecies)
{
    LoadExperiment(writeLammScans(scratch, {{3.0, 7e-7, 0.5}, {7.0, 5e-7, 0.5}}, evenTimes(30, 2400.0, 120.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    for (int f = 1; f <= 10; f++) printf("%d %g %g\n", f, pDistAxisS[f], pDistValues[f]);
}
