// Sampling the solution at the scans: scans recorded at a finite velocity,
// scans with radii of their own, the progress of a run.
#include <gtest/gtest.h>

#include <cmath>

#include "lamm_fixture.h"

namespace {
double omega(double rpm) { return rpm * 2 * M_PI / 60; }
}

// At 6 cm/min a scan of the cell 6.0 - 7.2 cm takes 12 s; with 4 sub-intervals
// it is assembled from four bands of 0.3 cm, each taken from the solution at
// its own time (the plateau tells the time).
TEST(LammScanOutput, ScanAtFiniteVelocity)
{
    const double s = 5, rpm = 50000, t0 = 600, w2s = omega(rpm) * omega(rpm) * s * 1e-13;
    LammExperiment e(1, t0, t0, rpm, 6.0, 7.2, 1201);
    auto L = makeSolver(e, s, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L->SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false,
                   nullptr, 1, 1, true, true, true, 6.0f, false, 0, true);
    L->bRampRotorSpeed = 0;
    ASSERT_TRUE(L->bSimTimeResolution);
    runOnGrid(*L, 1201);
    ASSERT_EQ(L->nAbort, 0);
    EXPECT_NEAR(L->dScanDuration, 12.0, 1e-6);
    EXPECT_NEAR(L->dSubInterval, 3.0, 1e-6);
    EXPECT_NEAR(L->dTime, t0 + 12, 1e-9);  // the run ends when the last band is in
    auto at = [&](double r) { return e.out[1][(int)std::lround((r - 6.0) / 0.001) + 1]; };
    auto plateau = [&](double t) { return std::exp(-2 * w2s * t); };
    // the first band at the scan time, the later bands at the ends of their sub-intervals
    EXPECT_NEAR(at(6.25), plateau(t0), 2e-7);
    EXPECT_NEAR(at(6.45), plateau(t0 + 6), 2e-7);
    EXPECT_NEAR(at(6.75), plateau(t0 + 9), 2e-7);
    EXPECT_NEAR(at(7.05), plateau(t0 + 12), 2e-7);
    // band edges at 6.3, 6.6 and 6.9 cm
    EXPECT_NEAR(at(6.298), plateau(t0), 2e-7);
    EXPECT_NEAR(at(6.302), plateau(t0 + 6), 2e-7);
    EXPECT_NEAR(at(6.898), plateau(t0 + 9), 2e-7);
    EXPECT_NEAR(at(6.902), plateau(t0 + 12), 2e-7);
}

// Scans with radii of their own are computed on a private copy and then
// delivered into the caller's rows; a worker-owned solver never polls keys
// and publishes its progress for the user-interface thread.
TEST(LammScanOutput, OwnRadiiAndWorkerProgress)
{
    const double s = 5, rpm = 50000, w2s = omega(rpm) * omega(rpm) * s * 1e-13;
    LammExperiment e(3, 500, 1500, rpm, 6.0, 7.2, 100);
    float* radii[4];
    int points[4] = {0, 60, 80, 100};
    float** out = matrix(1, 3, 1, 100);
    for (int k = 1; k <= 3; k++) {
        radii[k] = new float[points[k] + 1];
        for (int j = 1; j <= points[k]; j++) radii[k][j] = (float)(6.5 + 0.6 * (j - 1) / (points[k] - 1));
        for (int j = 1; j <= 100; j++) out[k][j] = -1;
    }
    auto L = makeSolver(e, s, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L->SetScanData(nullptr, nullptr, e.headers.data(), out, nullptr, 0, radii, points, false, nullptr, 3, 1, true,
                   true, false, 0, false, 0, false);
    ASSERT_TRUE(L->bScanDataOk);
    ASSERT_TRUE(L->bPerScanRadii);
    L->bRampRotorSpeed = 0;
    L->bOwnedByThread = 1;
    EXPECT_FALSE(L->UserAborted());
    runOnGrid(*L, 800);
    ASSERT_EQ(L->nAbort, 0);
    for (int k = 1; k <= 3; k++) {
        for (int j = 1; j <= points[k]; j++)
            ASSERT_NEAR(out[k][j], std::exp(-2 * w2s * e.headers[k].time), 1e-4) << k << " " << j;
        for (int j = points[k] + 1; j <= 100; j++) ASSERT_EQ(out[k][j], -1.0f);  // nothing beyond the scan
    }
    EXPECT_EQ(L->progress.nSteps.load(), L->nStepCount);
    EXPECT_DOUBLE_EQ(L->progress.dTime.load(), 1500.0);
    EXPECT_GT(L->progress.nUpdates.load(), 3);
    for (int k = 1; k <= 3; k++) delete[] radii[k];
    free_matrix(out, 1, 3, 1, 100);
}
