// The solve step: checks of the settings, the engine choice, the closed form
// without diffusion, and the moving-grid engine against the static grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "lamm_fixture.h"
#include "app/app_globals.h"
#include "models/model_globals.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "platform/headless.h"
#include "platform/win.h"

namespace {

const double kM = 6.0, kB = 7.2;

double omega(double rpm) { return rpm * 2 * M_PI / 60; }

bool shown(const std::string& text)
{
    for (const auto& s : shownErrorMessages())
        if (s == text) return true;
    return false;
}

// The amount in the cell of the piecewise-linear profile on the solver's grid
// (the integral of r c, exact on each element).
double gridAmount(const CLammIdeal& L)
{
    double a = 0;
    for (int i = 1; i < L.nGridPoints; i++) {
        const double r0 = L.pRadius[i], r1 = L.pRadius[i + 1], c0 = L.pConc[i], c1 = L.pConc[i + 1];
        a += (r1 - r0) * (c0 * (2 * r0 + r1) + c1 * (r0 + 2 * r1)) / 6;
    }
    return a;
}

// The static grid at a constant speed, the engine chosen by hand, laid out as
// a run lays it out.
void setUpStaticGrid(CLammIdeal& L)
{
    L.bRampRotorSpeed = 0;
    L.bAutoFEAlgorithm = 0;
    L.bEngineStaticGrid = 1;
    L.bEngineMovingGrid = 0;
    L.InitAcceleration();
    L.SetupGrid();
}

}  // namespace

// At 60000 rpm (f = 2) with norm 5 the moving grid takes |s| >= 5 / 4 = 1.25 S.
// A floating species with very small D uses a tenth of the norm; a speed
// profile always runs on the static grid.
TEST(LammSolve, EngineChoiceFollowsTheNormAtTheLastScanSpeed)
{
    LammExperiment e(3, 1000, 3000, 60000, kM, kB, 50);
    auto choose = [&](double s, double D) {
        auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        L->bOptimizeGridSpacing = 0;  // the plain norm
        L->ChooseEngine();
        EXPECT_NE(L->bEngineMovingGrid, L->bEngineStaticGrid);
        return (int)L->bEngineMovingGrid;
    };
    EXPECT_EQ(choose(1.25, 1e-7), 1);
    EXPECT_EQ(choose(1.2, 1e-7), 0);
    EXPECT_EQ(choose(-1.0, 1e-9), 1);  // threshold 0.125 S
    EXPECT_EQ(choose(-1.0, 1e-7), 0);
    e.headers[3].rpm = 30000;  // only the last scan's speed counts: threshold 5 S
    EXPECT_EQ(choose(4.9, 1e-7), 0);
    e.headers[3].rpm = 60000;

    auto L = makeSolver(e, 20, 1e-7, kM, kB, 1.0, 6.1f, 7.1f);
    const float start[3] = {0, 0, 1000}, rpm[3] = {0, 60000, 40000}, rate[3] = {0, 300, 300};
    L->LoadSpeedSteps(2, start, rpm, rate, 0);
    L->ChooseEngine();
    EXPECT_TRUE(L->bEngineStaticGrid);
    EXPECT_FALSE(L->bEngineMovingGrid);
}

// Check 9 refuses an acceleration between 0.0001 and 150 rpm/s recorded in the
// first scan (150 itself passes), with both acceleration options on; the
// other checks refuse missing setting groups with their messages, never
// touching the output.
TEST(LammSolve, ChecksRefuseWithTheirMessagesAndNumbers)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);  // the boxes are read back below
    LammExperiment e(2, 1000, 2000, 50000, kM, kB, 50);
    for (double rate : {100.0, 0.0, 150.0, 200.0}) {
        e.headers[1].accelRate = rate;
        e.headers[1].accelTime = 200;
        auto L = makeSolver(e, 5, 6e-7, kM, kB, 1.0, 6.1f, 7.1f);
        L->bRampRotorSpeed = 1;
        clearShownErrorMessages();
        bInterruptComputation = 0;
        const int result = L->Solve();
        if (rate == 100.0) {
            EXPECT_EQ(result, 5);
            EXPECT_TRUE(shown("too slow rotor acceleration"));
            EXPECT_EQ(bInterruptComputation.load(), 1);
        } else {
            EXPECT_EQ(result, 0) << rate;
            EXPECT_EQ(bInterruptComputation.load(), 0);
        }
    }
    bInterruptComputation = 0;
    e.headers[1].accelRate = 1e6;
    e.headers[1].accelTime = 0;

    for (int k = 1; k <= 2; k++)
        for (int j = 1; j <= e.nPoints; j++) e.out[k][j] = -7;
    auto untouched = [&] {
        for (int k = 1; k <= 2; k++)
            for (int j = 1; j <= e.nPoints; j++)
                if (e.out[k][j] != -7) return false;
        return true;
    };
    clearShownErrorMessages();
    bGeometryLinear = 1;
    EXPECT_EQ(makeSolver(e, 5, 6e-7, kM, kB, 1.0, 6.1f, 7.1f)->Solve(), 4);
    bGeometryLinear = 0;
    EXPECT_TRUE(shown("can't do special geometries in CLammIdeal"));

    clearShownErrorMessages();
    EXPECT_EQ(makeSolver(e, 5, -1e-7, kM, kB, 1.0, 6.1f, 7.1f)->Solve(), 4);
    EXPECT_TRUE(shown("invalid geometry or s, D parameters loaded in CLammIdeal"));
    EXPECT_TRUE(shown("diffcoeff < 0 loaded in CLammIdeal"));
    clearShownErrorMessages();
    EXPECT_EQ(makeSolver(e, 5, 6e-7, 0.0, kB, 1.0, 6.1f, 7.1f)->Solve(), 4);  // the meniscus at the axis
    EXPECT_TRUE(shown("invalid geometry or s, D parameters loaded in CLammIdeal"));
    EXPECT_TRUE(shown("meniscus or bottom <= 0 loaded in CLammIdeal"));
    clearShownErrorMessages();
    EXPECT_EQ(makeSolver(e, 5, 6e-7, kM, kB, 1.0, 6.1f, 7.5f)->Solve(), 4);
    EXPECT_TRUE(shown("meniscus or bottom parameters in conflict with fitting limits in CLammIdeal"));

    {
        auto L = makeSolver(e, 5, 6e-7, kM, kB, 1.0, 6.1f, 7.1f);
        L->SetSimulationTarget(5, 6e-7, nullptr, e.radii, e.nPoints, nullptr, nullptr);
        clearShownErrorMessages();
        EXPECT_EQ(L->Solve(), 4);
        EXPECT_TRUE(shown("invalid output parameters loaded in CLammIdeal"));
        // scans without headers have no times: refused the same way
        L->SetScanData(nullptr, nullptr, nullptr, e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr, 2, 1,
                       true, true, false, 0, false, 0, false);
        clearShownErrorMessages();
        EXPECT_EQ(L->Solve(), 4);
        EXPECT_TRUE(shown("invalid output parameters loaded in CLammIdeal"));
    }
    {
        auto L = makeSolver(e, 5, 6e-7, kM, kB, 1.0, 6.1f, 7.1f);
        L->bWienerIncompatible = 1;
        EXPECT_EQ(L->Solve(), 7);
    }
    // D = 0 with a concentration-dependent model or an inhomogeneous solvent:
    // refused with 4, never reported as a result
    {
        auto L = makeSolver(e, 5, 0, kM, kB, 1.0, 6.1f, 7.1f);
        L->bUseReactingModel = 1;
        clearShownErrorMessages();
        EXPECT_EQ(L->Solve(), 4);
        EXPECT_TRUE(shown("D = 0 or s = 0 models are not implemented yet for concentration dependent sedimentation models"));
    }
    {
        auto L = makeSolver(e, 5, 0, kM, kB, 1.0, 6.1f, 7.1f);
        L->bInhomogeneousSolvent = 1;
        clearShownErrorMessages();
        EXPECT_EQ(L->Solve(), 4);
        EXPECT_TRUE(shown("D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent"));
    }
    EXPECT_TRUE(untouched());
    clearShownErrorMessages();
    win::headless::setPolicy(win::headless::Policy::FailOnUnexpected);
}

// Without diffusion the boundary is a step at m exp(x), x = s int omega^2 dt,
// with the plateau c0 exp(-2x); past x = 2 the row is empty; s = 0 keeps the
// loading as it was laid, a uniform one or a lamella at the meniscus.
TEST(LammSolve, NoDiffusionClosedForm)
{
    const double rpm = 40000, s = 4, c0 = 2.0;
    LammExperiment e(3, 2000, 6000, rpm, kM, kB, 240);
    e.headers[3].time = e.headers[3].timeWritten = 4e5;  // x > 2
    auto L = makeSolver(e, s, 0, kM, kB, c0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    ASSERT_EQ(L->Solve(), 0);
    const double w2s = omega(rpm) * omega(rpm) * s * 1e-13;
    for (int k = 1; k <= 2; k++) {
        const double x = w2s * e.headers[k].time, rb = kM * std::exp(x);
        for (int j = 1; j <= e.nPoints; j++) {
            const double r = e.radii[j];
            if (std::fabs(r - rb) < 1e-6) continue;
            EXPECT_NEAR(e.out[k][j], r > rb ? c0 * std::exp(-2 * x) : 0.0, 1e-6) << k << " " << r;
        }
    }
    for (int j = 1; j <= e.nPoints; j++) ASSERT_EQ(e.out[3][j], 0.0f);

    auto Z = makeSolver(e, 0, 0, kM, kB, c0, 6.1f, 7.1f);
    Z->bRampRotorSpeed = 0;
    ASSERT_EQ(Z->Solve(), 0);
    for (int k = 1; k <= 3; k++)
        for (int j = 1; j <= e.nPoints; j++) ASSERT_NEAR(e.out[k][j], c0, 1e-6);

    // A lamella of 0.05 cm laid on at the meniscus (zone centrifugation, on the
    // moving grid as the zone model runs it, and on the static grid) that
    // neither sediments nor diffuses stays as it was laid: c0 out to
    // m + 0.05 cm and nothing beyond, at every scan; the inverted band the
    // other way round. Radii within 30 um of the lamella's edge are passed over
    // (the grid's elements are about 12 um long).
    for (const bool moving : {true, false})
        for (const bool inverted : {false, true}) {
            auto Z0 = makeSolver(e, 0, 0, kM, kB, c0, 6.1f, 7.1f);
            Z0->bRampRotorSpeed = 0;
            Z0->bAutoFEAlgorithm = 0;
            Z0->bEngineMovingGrid = moving ? 1 : 0;
            Z0->bEngineStaticGrid = moving ? 0 : 1;
            Z0->SetBandForming(true, 0.05f, inverted);
            ASSERT_EQ(Z0->Solve(), 0);
            int inside = 0;
            for (int k = 1; k <= 3; k++)
                for (int j = 1; j <= e.nPoints; j++) {
                    const double r = e.radii[j];
                    if (std::fabs(r - (kM + 0.05)) < 0.003) continue;
                    const bool in = r < kM + 0.05;
                    inside += in;
                    ASSERT_NEAR(e.out[k][j], in != inverted ? c0 : 0.0, 1e-6)
                        << moving << " " << inverted << " " << k << " " << r;
                }
            EXPECT_EQ(inside, 3 * 10);
        }

    // a scan of a single point (Exclude Data can leave one) gets its value too
    {
        LammExperiment one(1, 2000, 2000, rpm, kM, kB, 1);
        one.radii[1] = 7.0f;
        one.out[1][1] = -1.0f;
        auto O = makeSolver(one, s, 0, kM, kB, c0, 6.1f, 7.1f);
        O->bRampRotorSpeed = 0;
        ASSERT_EQ(O->Solve(), 0);
        EXPECT_NEAR(one.out[1][1], c0 * std::exp(-2 * w2s * 2000), 1e-6);
    }

    // The rotor brought up from rest at 200 rpm/s, by the ramp of the scans or
    // by a speed profile: the scans record omega^2 t = w^2 (t - 2 ta / 3) of the
    // linear ramp over ta = 200 s, and x follows that integral, not the final
    // speed times the time.
    const double ta = rpm / 200;
    for (int k = 1; k <= 3; k++) {
        e.headers[k].accelRate = 200;
        e.headers[k].accelTime = (float)ta;
        e.headers[k].omega2t = omega(rpm) * omega(rpm) * (e.headers[k].time - 2 * ta / 3);
    }
    for (const bool profile : {false, true}) {
        auto R = makeSolver(e, s, 0, kM, kB, c0, 6.1f, 7.1f);
        R->bRampRotorSpeed = profile ? 0 : 1;
        const float start[2] = {0, 0}, speed[2] = {0, (float)rpm}, rate[2] = {0, 200};
        if (profile) R->LoadSpeedSteps(1, start, speed, rate, 0);
        ASSERT_EQ(R->Solve(), 0);
        for (int k = 1; k <= 2; k++) {
            const double x = w2s * (e.headers[k].time - 2 * ta / 3), rb = kM * std::exp(x);
            for (int j = 1; j <= e.nPoints; j++) {
                const double r = e.radii[j];
                if (std::fabs(r - rb) < 1e-6) continue;
                EXPECT_NEAR(e.out[k][j], r > rb ? c0 * std::exp(-2 * x) : 0.0, 1e-6) << profile << " " << k << " " << r;
            }
        }
        for (int j = 1; j <= e.nPoints; j++) ASSERT_EQ(e.out[3][j], 0.0f);
    }
}

// With the scan's time resolution each radius is read (r - m) / v after the
// scan starts at the meniscus: the plateau at r is that of its own reading time,
// and the step lies where the scanner meets the boundary, r = m exp(x(r))
// (r = b exp(x(r)) when floating), found here by iterating to convergence.
TEST(LammSolve, NoDiffusionSweptByTheScanner)
{
    const double rpm = 60000, c0 = 2.0, v = 0.5 / 60;  // 0.5 cm/min
    for (const double s : {10.0, -10.0}) {
        LammExperiment e(2, 2000, 4000, rpm, kM, kB, 600);
        auto L = makeSolver(e, s, 0, kM, kB, c0, 6.1f, 7.1f);
        L->bRampRotorSpeed = 0;
        L->bSimTimeResolution = 1;
        L->fScanVelocity = 0.5f;
        ASSERT_EQ(L->Solve(), 0);
        const double k = omega(rpm) * omega(rpm) * s * 1e-13;
        for (int n = 1; n <= 2; n++) {
            const double t = e.headers[n].time;
            auto x = [&](double r) { return k * (t + (r - kM) / v); };
            double meet = s > 0 ? kM : kB;
            for (int it = 0; it < 100; it++) meet = (s > 0 ? kM : kB) * std::exp(x(meet));
            int inside = 0;
            for (int j = 1; j <= e.nPoints; j++) {
                const double r = e.radii[j];
                if (std::fabs(r - meet) < 0.002) continue;
                const bool in = s > 0 ? r > meet : r < meet;
                inside += in;
                EXPECT_NEAR(e.out[n][j], in ? c0 * std::exp(-2 * x(r)) : 0.0, 2e-6) << s << " " << n << " " << r;
            }
            EXPECT_GT(inside, 50);
            EXPECT_LT(inside, e.nPoints - 50);
        }
    }
}

// A run that failed numerically is retried, and each retry that changes the
// engine or the truncation says so in the solver log with the failure that led
// to it.
TEST(LammSolve, RetriesAreLogged)
{
    const unsigned char saved = bDiagnosticsLamm;
    bDiagnosticsLamm = 1;
    LammExperiment e(3, 500, 1500, 50000, kM, kB, 60);
    auto L = makeSolver(e, 5, 6e-7, kM, kB, 1.0, 6.1f, 7.1f);
    bDiagnosticsLamm = saved;
    L->bRampRotorSpeed = 0;
    L->nThreadNumber = 9;
    ASSERT_EQ(L->Solve(), 0);
    L->nDiscretizationError = 1;  // as a run that gave up would leave it
    L->RetryAfterNumericalFailure();
    EXPECT_EQ(L->nDiscretizationError, 0);
    EXPECT_EQ(L->bTruncateGrid, 1);  // restored after the retry
    std::FILE* f = win::fopenMapped("c:\\temp\\debug_t9.txt", "r");
    ASSERT_NE(f, nullptr);
    std::string log;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) log.append(buf, n);
    std::fclose(f);
    EXPECT_NE(log.find("\nretry without grid truncation after a discretisation error at t = 1500 s"), std::string::npos)
        << log;
    EXPECT_NE(log.find("\nthe retry succeeded"), std::string::npos) << log;
}

// The dynamic grid size: the boundary's width sqrt(D tc) when its midpoint,
// m exp(s omega^2 t), reaches the inner fit limit spans fPointsPerSigma points.
// D is chosen so that (b - m) pps / sqrt(D tc) is 400 exactly; with the limit
// 0.01 cm from the meniscus the solver's estimate of tc is within 0.1 % of it.
// The rule knows nothing of vbar: a vbar of 0 (no particle volume, so no
// frictional ratio to compare with) sizes the grid as 0.73 does, and so does
// the vbar that makes s and D those of a sphere's half friction (a frictional
// ratio of 0.5, the least the rule takes for a particle). A reacting
// model sizes it for its fastest and least diffusing species, and a retry of
// the model after a numerical failure runs on a grid of that size.
TEST(LammSolve, DynamicGridSizeFollowsTheBoundaryWidth)
{
    const double s = 5, rpm = 50000, rb = (double)6.01f, pps = 5, n0 = 400;
    const double tc = std::log(rb / kM) / (omega(rpm) * omega(rpm) * s * 1e-13);
    const double w = (kB - kM) * pps / n0, D = w * w / tc;
    // f = R T / (N_A D) is half Stokes' 6 pi eta r0 of the sphere of volume
    // M vbar / N_A, M = R T s / ((1 - vbar rho) D), in water at 20 C and rho 1
    const double RT = kGasConstant * (20.0 + kZeroCelsius), r0 = 2 * RT / (kAvogadro * D) / (6 * M_PI * 0.01002);
    const double X = 4 * M_PI / 3 * r0 * r0 * r0 * kAvogadro * D / (RT * s * 1e-13), half = X / (1 + X);
    int points[3] = {0, 0, 0};
    for (const double vbar : {0.73, 0.0, half}) {
        LammExperiment e(3, 600, 1800, rpm, kM, kB, 200);
        auto L = makeSolver(e, s, D, kM, kB, 1.0, (float)rb, 7.1f);
        L->SetSolventAndParticle(20.0, vbar, 1.0, 1.0);
        L->bOptimizeGridSpacing = 0;
        setUpStaticGrid(*L);
        if (vbar == half) {
            EXPECT_EQ(L->fFrictionalRatio, 0.5f);
        }
        EXPECT_NEAR(L->fDynGridSizeEngine2, n0, 0.5) << vbar;
        points[vbar == 0.73 ? 0 : vbar == 0 ? 1 : 2] = L->nGridPoints;
    }
    EXPECT_EQ(points[1], points[0]);
    EXPECT_EQ(points[2], points[0]);

    // the inner fit limit at the meniscus: the width is taken where the
    // boundary has moved 10 um into the cell, the closest the rule looks, and
    // the run takes that size (1000 points at 25000 rpm: D 7.4e-7 cm^2/s, a
    // protein of 61 kDa)
    {
        const double t0 = std::log((kM + 0.001) / kM) / (omega(rpm / 2) * omega(rpm / 2) * s * 1e-13);
        const double w0 = (kB - kM) * pps / 1000;
        LammExperiment e(3, 600, 1800, rpm / 2, kM, kB, 200);
        auto L = makeSolver(e, s, w0 * w0 / t0, kM, kB, 1.0, (float)kM, 7.1f);
        setUpStaticGrid(*L);
        EXPECT_NEAR(L->fDynGridSizeEngine2, 1000, 0.5);
        EXPECT_EQ(L->nGridPoints, 1000);
    }

    // monomer - dimer, the dimer slower and more diffusing than the monomer
    LammExperiment e(3, 600, 1800, rpm, kM, kB, 200);
    auto L = makeSolver(e, s, D, kM, kB, 1.0, (float)rb, 7.1f);
    double load[3] = {0, 1.0, 1.0}, sk[3] = {0, s, 4.0}, Dk[3] = {0, D, 2 * D};
    L->SetSelfAssociation(false, true, true, false, false, 2, load, sk, Dk, nullptr, -8.0f, -8.0f, true, true, 1.0,
                          false, false, s, D, 1.0);
    L->SetAssociationConstant(2, 0.5);
    L->bRampRotorSpeed = 0;
    ASSERT_EQ(L->Solve(), 0);
    EXPECT_NEAR(L->fDynGridSizeEngine2, n0, 0.5);
    L->nDiscretizationError = 1;  // as a run that gave up would leave it
    L->RetryAfterNumericalFailure();
    EXPECT_EQ(L->nDiscretizationError, 0);
    EXPECT_NEAR(L->nGridPoints, n0, 0.5);
}

// The moving grid and the static grid on the same case, both converged, agree
// to 1e-3 of the loading, and both keep the amount in the cell and follow the
// plateau c0 exp(-2 omega^2 s t): a sedimenting species, and a floating one,
// whose lattice moves towards the meniscus and takes new nodes at the base.
TEST(LammSolve, MovingGridAgreesWithStaticGrid)
{
    for (const double s : {8.0, -8.0}) {
        SCOPED_TRACE(s);
        const double D = 4e-7, rpm = 50000, w2s = omega(rpm) * omega(rpm) * s * 1e-13;
        LammExperiment a(8, 300, 2400, rpm, kM, kB, 400), b(8, 300, 2400, rpm, kM, kB, 400);
        auto A = makeSolver(a, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        auto B = makeSolver(b, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        for (CLammIdeal* L : {A.get(), B.get()}) {
            L->bRampRotorSpeed = 0;
            L->bAutoFEAlgorithm = 0;
            L->bAutoDynamicGridSize = 0;
            L->bShutOffBackDiffusion = 0;
            L->bTruncateGrid = 0;
            L->nDefaultGridSize = 2000;
        }
        A->bEngineMovingGrid = 1;
        A->bEngineStaticGrid = 0;
        ASSERT_EQ(A->Solve(), 0);
        ASSERT_EQ(B->Solve(), 0);
        EXPECT_TRUE(A->bEngineMovingGrid);
        // within three widths sqrt(2 D t) of the boundary's start the lattice
        // coordinates lie sqrt(D t) / (2 x 5 points per sigma) apart (t when the
        // boundary reaches the fit range), the nodes laid out at the start and
        // those added behind the lattice since alike
        const double t1 = std::log(s > 0 ? 6.1f / kM : kB / 7.1f) / std::fabs(w2s);
        const double h = std::sqrt(D * t1) / 10, core = 3 * std::sqrt(2 * D * t1), R0 = s > 0 ? kM : kB;
        int nCore = 0;
        for (int i = 2; i <= A->nGridPoints; i++) {
            const double Ra = A->pFeRadius[i - 1], Rb = A->pFeRadius[i];
            if (Ra > 0 && std::fabs(Ra - R0) < core && std::fabs(Rb - R0) < core) {
                EXPECT_NEAR((Rb - Ra) / h, 1.0, 1e-6) << i;
                nCore++;
            }
        }
        EXPECT_GT(nCore, 80);
        double worst = 0;
        for (int k = 1; k <= a.nScans; k++) {
            // outside the pile-up at the cell end, which neither grid samples the same way
            for (int j = 1; j <= a.nPoints; j++)
                if (s > 0 ? a.radii[j] < 7.1 : a.radii[j] > 6.1)
                    worst = std::max(worst, (double)std::fabs(a.out[k][j] - b.out[k][j]));
            const int jp = (int)std::lround(((s > 0 ? 6.95 : 6.25) - kM) / (kB - kM) * (a.nPoints - 1)) + 1;
            const double plateau = std::exp(-2 * w2s * a.headers[k].time);
            if (s > 0 ? kM * std::exp(w2s * a.headers[k].time) + 5 * std::sqrt(2 * D * a.headers[k].time) < 6.9
                      : kB * std::exp(w2s * a.headers[k].time) - 5 * std::sqrt(2 * D * a.headers[k].time) > 6.3) {
                EXPECT_NEAR(a.out[k][jp], plateau, 1e-3) << k;
                EXPECT_NEAR(b.out[k][jp], plateau, 1e-3) << k;
            }
        }
        // each engine keeps its own measure of the amount: the element weights of
        // the static grid, the control volumes of the moving one
        const double loaded = 1.2 * 0.0349065850398866 * (kB * kB - kM * kM) / 2;
        EXPECT_NEAR(A->TotalAmountInCell() / loaded, 1.0, 1e-6);
        EXPECT_NEAR(B->TotalAmountInCell() / loaded, 1.0, 1e-6);
        EXPECT_NEAR(gridAmount(*B) / (loaded / (1.2 * 0.0349065850398866)), 1.0, 1e-6);
        EXPECT_LT(worst, 1e-3);
    }
    // A floating species followed until its lattice has run into the fixed
    // nodes of the layer at the meniscus and the cell has cleared: a lattice
    // node leaves before it reaches the fixed node ahead of it, so the nodes
    // stay in order and the run stays on the moving grid (no retry); at the end
    // the layer is the equilibrium exp(s w^2 (r^2 - m^2) / 2D) holding the
    // loaded amount (to the 1.1 % the control volumes give at the meniscus).
    const double s = -8, D = 4e-7, al = s * 1e-13 * omega(50000) * omega(50000) / (2 * D);
    const double top = (kB * kB - kM * kM) * al / std::expm1(al * (kB * kB - kM * kM));
    for (int k = 0; k <= 6; k++) {
        LammExperiment e(2, 1000, 7000 + 500 * k, 50000, kM, kB, 50);
        auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        L->bRampRotorSpeed = L->bAutoFEAlgorithm = L->bShutOffBackDiffusion = L->bTruncateGrid = 0;
        L->bEngineMovingGrid = 1;
        L->bEngineStaticGrid = 0;
        ASSERT_EQ(L->Solve(), 0);
        EXPECT_TRUE(L->bEngineMovingGrid) << k;
        for (int i = 2; i <= L->nGridPoints; i++) ASSERT_GT(L->pRadius[i], L->pRadius[i - 1]) << k << " " << i;
        for (int i = 1; k == 6 && i <= L->nGridPoints; i++)
            EXPECT_NEAR(L->pConc[i] / top, std::exp(al * (L->pRadius[i] * L->pRadius[i] - kM * kM)), 0.015) << i;
    }
}

// A fast species on the static grid (100 S, chosen by hand: the automatic
// choice would take the moving grid) empties the end it leaves within an
// element, the meniscus when it sediments, the base when it floats: the run
// goes on to its last scan, never holds a value below -1e-6 of the loading,
// keeps the amount in the cell and carries the plateau c0 exp(-2 omega^2 s t)
// on the side the boundary has not reached.
TEST(LammSolve, StaticGridEmptiesEitherEndOfAFastSpecies)
{
    for (const double s : {100.0, -100.0}) {
        SCOPED_TRACE(s);
        const double D = 1.5e-7, rpm = 50000, w2s = omega(rpm) * omega(rpm) * s * 1e-13;
        LammExperiment e(7, 75, 525, rpm, kM, kB, 400);
        auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        L->bShutOffBackDiffusion = 0;
        L->bTruncateGrid = 0;
        setUpStaticGrid(*L);
        L->SetInitialConcentration();
        const double loaded = L->TotalAmountInCell();
        L->RunTimeStepping();
        ASSERT_EQ(L->nDiscretizationError, 0) << "at t = " << L->dTime << " s";
        ASSERT_EQ(L->nAbort, 0);
        EXPECT_NEAR(L->dTime, 525.0, 1e-9);
        EXPECT_NEAR(L->TotalAmountInCell() / loaded, 1.0, 1e-9);
        double lowest = 0;
        for (int i = 1; i <= L->nGridPoints; i++) lowest = std::min(lowest, L->pConc[i]);
        for (int k = 1; k <= e.nScans; k++) {
            const double t = e.headers[k].time, front = 5 * std::sqrt(2 * D * t);
            const double plateau = std::exp(-2 * w2s * t);
            int checked = 0;
            for (int j = 1; j <= e.nPoints; j++) {
                lowest = std::min(lowest, (double)e.out[k][j]);
                const double r = e.radii[j];
                if (s > 0 ? r > kM * std::exp(w2s * t) + front && r < kB - 0.1
                          : r < kB * std::exp(w2s * t) - front && r > kM + 0.1) {
                    EXPECT_NEAR(e.out[k][j], plateau, 1e-3) << "scan " << k << " at " << r;
                    checked++;
                }
            }
            EXPECT_GT(checked, 0) << "scan " << k;
        }
        EXPECT_GE(lowest, -1e-6);
    }
}

// Once a fast species has left the whole cell but for the node at the end it
// runs against (the base when it sediments, the meniscus when it floats), the
// elements can still drive the node next to that one below zero. The emptied
// end reaches up to it, so its value goes to the end node with the amount
// kept: 30 times the loading on the end node and -0.01 of it beside come out
// as no negative value and the same amount.
TEST(LammSolve, AnEmptiedCellKeepsNoNegativeValueBesideItsEnd)
{
    for (const double s : {100.0, -100.0}) {
        SCOPED_TRACE(s);
        LammExperiment e(2, 75, 525, 50000, kM, kB, 400);
        auto L = makeSolver(e, s, 1.5e-7, kM, kB, 1.0, 6.1f, 7.1f);
        L->bShutOffBackDiffusion = 0;
        L->bTruncateGrid = 0;
        setUpStaticGrid(*L);
        L->SetInitialConcentration();
        L->SetTruncationReference();  // as the run starts: the loading is the reference
        const int N = L->nGridPoints;
        ASSERT_GT(N, 10);
        double* c = L->pConc;
        const int end = s > 0 ? N : 1, beside = s > 0 ? N - 1 : 2;
        for (int i = 1; i <= N; i++) c[i] = 0;
        c[beside] = -0.01;
        c[end] = 30;
        const double before = L->TotalAmountInCell();
        L->ClearEmptiedEnd();
        for (int i = 1; i <= N; i++) EXPECT_GE(c[i], 0.0) << i;
        EXPECT_NEAR(L->TotalAmountInCell() / before, 1.0, 1e-12);
    }
}

// An empty cell never changes, so on the moving grid in fixed steps of 1000 s
// every step is steady, and the run ends as docs/lamm.md says, after more
// than ten such steps: at the eleventh, 11000 s, before the scans at 20000
// and 30000 s, which get the empty profile. Sedimenting and floating alike.
TEST(LammSolve, MovingGridEndsAfterMoreThanTenSteadySteps)
{
    for (const double s : {5.0, -5.0}) {
        SCOPED_TRACE(s);
        LammExperiment e(2, 20000, 30000, 50000, kM, kB, 200);
        for (int k = 1; k <= 2; k++)
            for (int j = 1; j <= e.nPoints; j++) e.out[k][j] = -7;
        auto L = makeSolver(e, s, 6e-7, kM, kB, 0.0, 6.1f, 7.1f);
        L->bRampRotorSpeed = L->bAutoFEAlgorithm = L->bShutOffBackDiffusion = L->bTruncateGrid = 0;
        L->bEngineMovingGrid = 1;
        L->bEngineStaticGrid = 0;
        L->bFixedTimestep = 1;
        L->dMaxDcOverC = 1000;
        ASSERT_EQ(L->Solve(), 0);
        ASSERT_TRUE(L->bEngineMovingGrid);
        EXPECT_TRUE(L->bSteadyState);
        EXPECT_EQ(L->nStepCount, 11);
        EXPECT_DOUBLE_EQ(L->dTime, 11000.0);
        for (int k = 1; k <= 2; k++)
            for (int j = 1; j <= e.nPoints; j++) ASSERT_EQ(e.out[k][j], 0.0f) << k << " " << j;
    }
}

// A first scan taken a denormal time after the start (a damaged header) asks
// the refinement for the boundary's path for spacings of 1e-26 cm, below what
// a radius of 6 cm can hold: the grid stays a few hundred nodes, strictly
// increasing, and the run ends with the loading at that scan.
TEST(LammSolve, FirstScanAnInstantAfterTheStart)
{
    LammExperiment e(3, 600, 1800, 50000, kM, kB, 200);
    e.headers[1].time = e.headers[1].timeWritten = e.headers[1].timeRead = 1e-45;
    auto L = makeSolver(e, 5, 6e-7, kM, kB, 1.0, 6.05f, 7.1f);
    setUpStaticGrid(*L);
    ASSERT_LT(L->nGridPoints, 3000);
    for (int i = 2; i <= L->nGridPoints; i++) ASSERT_GT(L->pRadius[i], L->pRadius[i - 1]) << i;
    ASSERT_EQ(L->Solve(), 0);
    for (int j = 1; j <= e.nPoints; j++) ASSERT_NEAR(e.out[1][j], 1.0, 1e-6) << j;
    for (int k = 2; k <= 3; k++)
        for (int j = 1; j <= e.nPoints; j++) ASSERT_TRUE(std::isfinite(e.out[k][j])) << k << " " << j;
}

// Scans that carry the same time (a scan loaded twice) see one profile: the
// moving grid takes no step of zero length between them. Twenty pairs, 200 s
// apart, for a sedimenting and a floating species on engine 1.
TEST(LammSolve, ScansOfOneTimeGetOneProfile)
{
    for (const double s : {5.0, -5.0}) {
        SCOPED_TRACE(s);
        LammExperiment e(40, 0, 0, 50000, kM, kB, 400);
        for (int k = 1; k <= e.nScans; k++) {
            ScanHeader& h = e.headers[k];
            h.time = h.timeWritten = h.timeRead = 100 + 200 * ((k - 1) / 2);
            h.omega2t = omega(50000) * omega(50000) * h.time;
        }
        auto L = makeSolver(e, s, 4e-7, kM, kB, 1.0, 6.1f, 7.1f);
        L->bRampRotorSpeed = L->bAutoFEAlgorithm = L->bShutOffBackDiffusion = L->bTruncateGrid = 0;
        L->bEngineMovingGrid = 1;
        L->bEngineStaticGrid = 0;
        ASSERT_EQ(L->Solve(), 0);
        ASSERT_TRUE(L->bEngineMovingGrid);
        for (int k = 1; k < e.nScans; k += 2)
            for (int j = 1; j <= e.nPoints; j++) ASSERT_EQ(e.out[k][j], e.out[k + 1][j]) << k << " " << j;
    }
}
