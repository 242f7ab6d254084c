// Sampling the solution at the scans: scans recorded at a finite velocity,
// scans with radii of their own, the progress of a run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "lamm_fixture.h"
#include "platform/win.h"
#include "plot/key_polling.h"
#include "scandata/scan_file.h"

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

// A key pressed while a solver runs on the user-interface thread ends the run
// after the scan at hand is stored and raises the stop flag.
TEST(LammScanOutput, KeyStopsTheRunAfterTheCurrentScan)
{
    LammExperiment e(3, 500, 1500, 50000, 6.0, 7.2, 100);
    for (int k = 1; k <= 3; k++)
        for (int j = 1; j <= 100; j++) e.out[k][j] = -1;
    auto L = makeSolver(e, 5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    win::headless::Script script;
    script.pressKey(win::VK_ESCAPE);
    bInterruptComputation = 0;
    runOnGrid(*L, 400);
    EXPECT_TRUE(L->bAborted);
    EXPECT_EQ(bInterruptComputation.load(), 1);
    EXPECT_NEAR(L->dTime, 500, 1e-9);
    EXPECT_GT(e.out[1][50], 0.9f);   // the first scan was stored
    EXPECT_EQ(e.out[2][50], -1.0f);  // the others were not computed
    bInterruptComputation = 0;
}

// The solver log goes to "c:\temp" (the working folder here); with the
// second-component option each stored scan writes "comp2_<n>.r00" beside the
// data file.
TEST(LammScanOutput, SolverLogAndSecondComponentFile)
{
    CLammIdeal L;
    L.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L.nThreadNumber = 7;
    L.DebugLog(nullptr);
    L.DebugLog("\nsecond line");
    std::FILE* f = win::fopenMapped("c:\\temp\\debug_t7.txt", "r");
    ASSERT_NE(f, nullptr);
    char text[300] = {0};
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(text, n),
              "starting new debugging session for Lamm equation s = 5.0000 S, D = 6.000 F\nsecond line");

    LammExperiment e(2, 500, 1000, 50000, 6.0, 7.2, 100);
    auto S = makeSolver(e, 5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    S->bRampRotorSpeed = 0;
    const std::string folder = win::workingFolder();
    std::snprintf(S->szDataFileName, sizeof S->szDataFileName, "%sdata.r01", folder.c_str());
    double r2[6] = {0, 6.0, 6.3, 6.6, 6.9, 7.2}, c2[6] = {0, 1.0, 1.5, 2.0, 2.5, 3.0};
    S->bSecondComponentFile = 1;
    S->nSecondComponentPoints = 5;
    S->pSecondComponentRadii = r2;
    S->pSecondComponentValues = c2;
    runOnGrid(*S, 300);
    for (int k = 1; k <= 2; k++) {
        ScanHeader h;
        int points = 0;
        float *r = nullptr, *v = nullptr;
        const std::string path = folder + "comp2_" + std::to_string(k) + ".r00";
        ASSERT_EQ(readScanFile(path.c_str(), &h, &points, &r, &v, nullptr, nullptr, 0), 1) << path;
        EXPECT_NE(std::string(h.title).find("component 2"), std::string::npos);
        EXPECT_NEAR(h.time, e.headers[k].time, 1);
        EXPECT_GE(points, 4);  // the reader leaves out the last point
        EXPECT_NEAR(r[2], 6.3, 1e-4);
        EXPECT_NEAR(v[3], 2.0, 1e-4);
        free_vector(r, 1, points);
        free_vector(v, 1, points);
    }
}
