// The static-grid engine against the physics of the sector-shaped cell.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "lamm_fixture.h"

namespace {

const double kM = 6.0, kB = 7.2;

double omega(double rpm) { return rpm * 2 * M_PI / 60; }

// Amount between the meniscus and grid point k: the integral of r times the
// piecewise-linear profile, by the trapezoid rule on each element (exact for
// r c with c linear up to the r^2 term, which the element weights carry).
double amountUpTo(const CLammIdeal& L, int k)
{
    double a = 0;
    for (int i = 1; i < k; i++) {
        const double r0 = L.pRadius[i], r1 = L.pRadius[i + 1], c0 = L.pConc[i], c1 = L.pConc[i + 1];
        const double h = r1 - r0;
        a += h * (c0 * (2 * r0 + r1) + c1 * (r0 + 2 * r1)) / 6;
    }
    return a;
}

// One species run to a single scan at time t; the grid then holds the profile at t.
std::unique_ptr<CLammIdeal> runToTime(LammExperiment& e, double s, double D, int n, bool truncate)
{
    auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    L->bTruncateGrid = truncate;
    runOnGrid(*L, n);
    return L;
}

}  // namespace

// Mass balance, radial dilution of the plateau and the second-moment boundary
// of a 5 S protein at 50000 rpm.
TEST(LammEngine, ConservesAmountAndFollowsPlateauAndSecondMoment)
{
    const double s = 5, D = 6e-7, rpm = 50000, w2s = omega(rpm) * omega(rpm) * s * 1e-13;
    LammExperiment e(25, 200, 5000, rpm, kM, kB);
    auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    L->bTruncateGrid = 0;
    L->bShutOffBackDiffusion = 0;
    L->nGridPoints = 1000;
    L->AllocGridArrays();
    L->InitAcceleration();
    L->SetInitialConcentration();
    const double before = L->TotalAmountInCell();
    // the grid radii are kept in single precision
    EXPECT_NEAR(before / (1.2 * 0.0349065850398866 * (kB * kB - kM * kM) / 2), 1.0, 1e-6);
    L->RunTimeStepping();
    EXPECT_EQ(L->nAbort, 0);
    EXPECT_EQ(L->nDiscretizationError, 0);
    EXPECT_NEAR(L->dTime, 5000.0, 1e-9);
    EXPECT_NEAR(L->TotalAmountInCell() / before - 1, 0, 1e-9);

    // the plateau at 6.9 cm and 7.0 cm of every scan
    for (int k = 1; k <= e.nScans; k++) {
        const double c = std::exp(-2 * w2s * e.headers[k].time);
        for (double r : {6.9, 7.0}) {
            const int j = (int)std::lround((r - kM) / (kB - kM) * (e.nPoints - 1)) + 1;
            EXPECT_NEAR(e.out[k][j], c, 1e-4) << "scan " << k << " at " << r;
        }
    }

    // second moment of the boundary: amount up to a plateau point rp gives
    // r2^2 = rp^2 - 2 A / c_p = m^2 exp(2 s w^2 t)
    for (double t : {1000.0, 2500.0, 4000.0}) {
        LammExperiment one(1, t, t, rpm, kM, kB, 50);
        auto S = runToTime(one, s, D, 1000, false);
        const int kp = (int)std::lround((6.95 - kM) / (kB - kM) * 999) + 1;
        const double rp = S->pRadius[kp], cp = S->pConc[kp];
        EXPECT_NEAR(cp, std::exp(-2 * w2s * t), 1e-4);
        const double r2 = std::sqrt(rp * rp - 2 * amountUpTo(*S, kp) / cp);
        EXPECT_NEAR(r2, kM * std::exp(w2s * t), 1e-4) << "t = " << t;
    }
}

// The active window (cleared meniscus region skipped, plateau beyond the
// bottom window set in closed form) must not change the result; a normal,
// monotone front of the cleared region is not an error.
TEST(LammEngine, TruncatedWindowAgreesWithFullGrid)
{
    const double s = 5, D = 6e-7, rpm = 50000;
    LammExperiment full(20, 250, 5000, rpm, kM, kB), cut(20, 250, 5000, rpm, kM, kB);
    auto A = makeSolver(full, s, D, kM, kB, 1.0, 6.1f, 7.1f);
    auto B = makeSolver(cut, s, D, kM, kB, 1.0, 6.1f, 7.1f);
    A->bRampRotorSpeed = B->bRampRotorSpeed = 0;
    A->bTruncateGrid = 0;
    A->bShutOffBackDiffusion = 0;
    B->bSteepGradient = 1;  // back-diffusion shut-off and a moving bottom window
    runOnGrid(*A, 1000);
    B->nGridPoints = 1000;
    B->AllocGridArrays();
    B->InitAcceleration();
    B->SetInitialConcentration();
    B->bSteepGradient = 1;
    B->RunTimeStepping();
    EXPECT_EQ(B->nAbort, 0);
    EXPECT_EQ(B->nDiscretizationError, 0);
    EXPECT_GT(B->nFirstActive, 3) << B->nFirstActive;  // the meniscus region was dropped
    EXPECT_GT(B->nLastActive, 100);  // the bottom window followed the boundary
    EXPECT_LT(B->nLastActive, 1000);
    // Outside the bottom pile-up (which the shut-off removes) the two agree to
    // the accuracy of the step control, whose steps differ between the two.
    for (int k = 1; k <= full.nScans; k++)
        for (int j = 1; j <= full.nPoints - 60; j++)
            ASSERT_NEAR(cut.out[k][j], full.out[k][j], 5e-4) << "scan " << k << " point " << j;

    // On a coarse grid the tail of a 20 S boundary oscillates at the front of
    // the cleared region, which is then smoothed with its sum kept (docs/lamm.md):
    // the amount in the cell stays that of the loading to the truncation level
    // (what the clearing takes away is less), at the default level and at a
    // hundred times it.
    for (double level : {1e-6, 1e-4}) {
        LammExperiment coarse(10, 300, 3000, rpm, kM, kB);
        auto C = makeSolver(coarse, 20, 2e-7, kM, kB, 1.0, 6.1f, 7.1f);
        C->bRampRotorSpeed = 0;
        C->bShutOffBackDiffusion = 0;
        C->dTruncateLevel = level;
        C->nGridPoints = 100;
        C->AllocGridArrays();
        C->InitAcceleration();
        C->SetInitialConcentration();
        const double before = C->TotalAmountInCell();
        C->RunTimeStepping();
        EXPECT_EQ(C->nAbort, 0) << level;
        EXPECT_EQ(C->nDiscretizationError, 0) << level;
        EXPECT_GT(C->nFirstActive, 3) << level;
        EXPECT_NEAR(C->TotalAmountInCell() / before, 1.0, level) << level;

        // One more step, of a microsecond, from the front rows k-1..k+3 alone
        // (zero elsewhere). The step is linear in them, so what it makes of an
        // oscillating front, before the smoothing, sums to what it makes of the
        // front plus a monotone one less what it makes of the monotone one
        // (neither of which is smoothed). The oscillating front comes out as
        // the ramp a/27 x (5, 10, 20, 40, 60) of that sum; the monotone one as
        // it went in, but for what the edge row trades with the cleared rows
        // in the solve (8 % here).
        const int k = C->nFirstActive;
        const double q = 0.1 * level;  // the mean stays below the take-back at ten times the threshold
        const double wave[5] = {3, -1, 2, -0.5, 1.5}, rise[5] = {0.2, 0.4, 0.6, 0.8, 1.0};
        auto step = [&](double a, double b) {  // from a x wave + b x rise
            std::fill(C->pConcOld + k - 2, C->pConcOld + C->nLastActive + 1, 0.0);
            for (int j = 0; j < 5; j++) C->pConcOld[k - 1 + j] = q * (a * wave[j] + b * rise[j]);
            C->SolveStaticGridStep(1e-6);
            return std::vector<double>(C->pConc + k - 1, C->pConc + k + 4);
        };
        const auto both = step(1, 10), rising = step(0, 10), smoothed = step(1, 0);
        double sum = 0;
        for (int j = 0; j < 5; j++) sum += both[j] - rising[j];
        for (int j = 0; j < 5; j++) {
            EXPECT_NEAR(smoothed[j], sum / 135 * (j == 4 ? 60 : 5 << j), 1e-9 * q) << level << " row " << j;
            EXPECT_NEAR(rising[j], 10 * q * rise[j], q * rise[j]) << level << " row " << j;  // to a tenth
        }
    }
}

// A long run at low speed reaches sedimentation equilibrium: ln c against r^2/2
// has the slope M(1 - vbar rho) w^2 / RT with the buoyant mass s R T / D.
TEST(LammEngine, ApproachesSedimentationEquilibrium)
{
    const double s = 2, D = 6e-7, rpm = 10000, m = 6.8, b = 7.2, T = 293.15, R = 8.31451e7;
    LammExperiment e(4, 2.5e5, 1e6, rpm, m, b, 200);
    auto L = makeSolver(e, s, D, m, b, 1.0, 6.85f, 7.15f);
    L->bRampRotorSpeed = 0;
    L->dMaxRelativeChange = 1e-12;  // no early end: run to the last scan
    L->SetFixedStepLimit(1000);
    L->nGridPoints = 400;
    L->AllocGridArrays();
    L->InitAcceleration();
    L->SetInitialConcentration();
    const double before = L->TotalAmountInCell();
    L->RunTimeStepping();
    EXPECT_EQ(L->nAbort, 0);
    EXPECT_NEAR(L->dTime, 1e6, 1e-6);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const int n = L->nGridPoints;
    for (int i = 1; i <= n; i++) {
        const double x = L->pRadius[i] * L->pRadius[i] / 2, y = std::log(L->pConc[i]);
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double buoyantMass = slope * R * T / (omega(rpm) * omega(rpm));
    EXPECT_NEAR(buoyantMass / (s * 1e-13 * R * T / D), 1.0, 1e-3);
    EXPECT_NEAR(L->TotalAmountInCell() / before, 1.0, 1e-9);
}

// A run that stops because the profile no longer changes gives every later
// scan the final profile, never zeros.
TEST(LammEngine, SteadyStateFillsLaterScans)
{
    const double m = 6.8, b = 7.2;
    LammExperiment e(6, 1e5, 2e6, 10000, m, b, 200);
    auto L = makeSolver(e, 2, 6e-7, m, b, 1.0, 6.85f, 7.15f);
    L->bRampRotorSpeed = 0;
    L->SetFixedStepLimit(1000);
    runOnGrid(*L, 400);
    EXPECT_EQ(L->nAbort, 0);
    EXPECT_TRUE(L->bSteadyState);
    EXPECT_LT(L->dTime, 1e6);
    for (int j = 1; j <= e.nPoints; j++) {
        EXPECT_GT(e.out[e.nScans][j], 0.5f);
        EXPECT_FLOAT_EQ(e.out[e.nScans][j], e.out[e.nScans - 1][j]);
    }
    // the profile is the one on the grid when the run stopped
    EXPECT_NEAR(e.out[e.nScans][1], L->pConc[1], 1e-6);
    EXPECT_NEAR(e.out[e.nScans][e.nPoints], L->pConc[L->nGridPoints], 1e-6);
}

// Halving the grid spacing reduces the error of the linear elements by about 4.
TEST(LammEngine, GridRefinementConvergesAtSecondOrder)
{
    auto profile = [](int n) {
        LammExperiment one(1, 1000, 1000, 50000, kM, kB, 50);
        auto L = runToTime(one, 5, 6e-7, n, false);
        return std::vector<double>(L->pConc, L->pConc + n + 1);
    };
    const auto a = profile(151), b = profile(301), c = profile(601);
    double e1 = 0, e2 = 0;
    for (int i = 1; i <= 140; i++) {  // up to 0.08 cm before the base, where the pile-up is steep
        e1 = std::max(e1, std::fabs(a[i] - b[2 * i - 1]));
        e2 = std::max(e2, std::fabs(b[2 * i - 1] - c[4 * i - 3]));
    }
    EXPECT_GT(e1 / e2, 3.3);
    EXPECT_LT(e1 / e2, 4.8);
}

// Without any loading the engine only walks the time through the scans.
TEST(LammEngine, EmptyCellGivesEmptyScans)
{
    LammExperiment e(3, 100, 300, 50000, kM, kB, 100);
    for (int k = 1; k <= 3; k++)
        for (int j = 1; j <= 100; j++) e.out[k][j] = -1;
    auto L = makeSolver(e, 5, 6e-7, kM, kB, 0.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    runOnGrid(*L, 200);
    EXPECT_NEAR(L->dTime, 300, 1e-9);
    for (int k = 1; k <= 3; k++)
        for (int j = 1; j <= 100; j++) ASSERT_EQ(e.out[k][j], 0.0f);
    // simulated beyond the last scan, the run still ends, at its stop time
    auto C = makeSolver(e, 5, 6e-7, kM, kB, 0.0, 6.1f, 7.1f);
    C->bRampRotorSpeed = 0;
    C->bSimulateBeyondLastScan = 1;
    runOnGrid(*C, 200);
    EXPECT_EQ(C->dTime, 1e8);
    EXPECT_FALSE(C->bRunning);
}

// A floating species is the mirror image: the plateau near the base rises as
// c0 exp(-2 s w^2 t) with s < 0 and the amount in the cell stays, unless the
// back-diffusion shut-off lets the species out through the meniscus.
TEST(LammEngine, FloatingSpecies)
{
    const double s = -5, D = 6e-7, rpm = 50000, w2s = omega(rpm) * omega(rpm) * s * 1e-13;
    LammExperiment e(10, 500, 5000, rpm, kM, kB);
    auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    L->bShutOffBackDiffusion = 0;
    L->nGridPoints = 1000;
    L->AllocGridArrays();
    L->InitAcceleration();
    L->SetInitialConcentration();
    const double before = L->TotalAmountInCell();
    L->RunTimeStepping();
    ASSERT_EQ(L->nAbort, 0);
    EXPECT_FALSE(L->bTruncationMode);  // no active window for s < 0
    EXPECT_NEAR(L->TotalAmountInCell() / before, 1.0, 1e-9);
    const int j = (int)std::lround((6.3 - kM) / (kB - kM) * (e.nPoints - 1)) + 1;
    for (int k = 1; k <= e.nScans; k++)
        EXPECT_NEAR(e.out[k][j], std::exp(-2 * w2s * e.headers[k].time), 1e-4) << "scan " << k;
    EXPECT_LT(e.out[e.nScans][e.nPoints], 1e-3);  // the base has cleared

    // With the back-diffusion shut-off the meniscus lets the species out at
    // the plateau's flux |s| w^2 m^2 c per unit angle and height, the plateau
    // reaching the meniscus all along: of the loading c0 (b^2 - m^2) / 2 there
    // is c0 (b^2 - m^2 exp(-2 s w^2 t)) / 2 left at time t.
    LammExperiment out(10, 500, 5000, rpm, kM, kB);
    auto F = makeSolver(out, s, D, kM, kB, 1.0, 6.1f, 7.1f);
    F->bRampRotorSpeed = 0;
    F->nGridPoints = 1000;
    F->AllocGridArrays();
    F->InitAcceleration();
    F->SetInitialConcentration();
    F->bSteepGradient = 1;
    const double loaded = F->TotalAmountInCell();
    F->RunTimeStepping();
    ASSERT_EQ(F->nAbort, 0);
    EXPECT_TRUE(F->bShutOffActive);
    const double left = (kB * kB - kM * kM * std::exp(-2 * w2s * F->dTime)) / (kB * kB - kM * kM);
    EXPECT_NEAR(F->TotalAmountInCell() / loaded, left, 1e-4) << "t = " << F->dTime;
    for (int k = 1; k <= out.nScans; k++)  // and nothing piles up at the meniscus
        EXPECT_NEAR(out.out[k][1], std::exp(-2 * w2s * out.headers[k].time), 1e-5) << "scan " << k;
}

// The accuracy cap follows the boundary at m exp(w^2 s t), from the base
// b exp(w^2 s t) when floating: at the time the two stand at sqrt(m b) on an
// even grid they are capped alike, below a quarter of the time elapsed; once
// the boundary has left the cell the quarter alone caps the step (8192 s:
// 2048 s, a rung of the ladder 2^(k/4) s).
TEST(LammEngine, AccuracyCapFollowsTheBoundaryEitherWay)
{
    const double s = 10, D = 4e-7, rpm = 50000, k = omega(rpm) * omega(rpm) * s * 1e-13;
    LammExperiment e(1, 100, 100, rpm, kM, kB);
    auto up = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f), down = makeSolver(e, -s, D, kM, kB, 1.0, 6.1f, 7.1f);
    for (CLammIdeal* L : {up.get(), down.get()}) {
        L->bRampRotorSpeed = 0;
        L->nGridPoints = 1000;
        L->AllocGridArrays();
        L->InitAcceleration();
        L->dTime = std::log(kB / kM) / (2 * k);
    }
    EXPECT_LT(up->AccuracyStepCap(), up->dTime / 4);
    EXPECT_EQ(down->AccuracyStepCap(), up->AccuracyStepCap());
    up->dTime = down->dTime = 8192;
    EXPECT_EQ(up->AccuracyStepCap(), 2048.0);
    EXPECT_EQ(down->AccuracyStepCap(), 2048.0);
}

// A band layered at the meniscus sediments whole, whether it is loaded as a
// band or given as the starting profile: every scan holds the amount loaded,
// and once the band has left the meniscus its mean square radius follows the
// moment law of the Lamm equation, d<r^2>/dt = 2 s w^2 <r^2> + 4 D (no flux and
// no concentration at the cell ends), so that <r^2> + 2 D / (s w^2) grows as
// exp(2 s w^2 t) from scan to scan.
TEST(LammEngine, BandSedimentsWholeWithItsSecondMoment)
{
    const double s = 10, D = 6e-7, rpm = 50000, k = omega(rpm) * omega(rpm) * s * 1e-13;
    for (const bool asProfile : {false, true}) {
        SCOPED_TRACE(asProfile ? "starting profile" : "band");
        LammExperiment e(9, 1000, 3000, rpm, kM, kB);
        auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        L->bRampRotorSpeed = 0;
        if (asProfile) {
            float r[10] = {0, 5.9f, 5.95f, 6.0f, 6.0195f, 6.0205f, 6.3f, 6.6f, 6.9f, 7.3f};
            float v[10] = {0, 1, 1, 1, 1, 0, 0, 0, 0, 0};
            ASSERT_TRUE(L->SetInitialProfile(9, r, v));
        } else {
            L->SetBandForming(true, 0.02f, false);
        }
        L->nGridPoints = 1200;
        L->AllocGridArrays();
        L->InitAcceleration();
        L->SetInitialConcentration();
        const double loaded = L->TotalAmountInCell() / (1.2 * 0.0349065850398866);  // int r c dr
        EXPECT_NEAR(loaded, 0.02 * 6.01, 3e-3);  // the lamella: 0.02 cm at 6 cm
        L->RunTimeStepping();
        ASSERT_EQ(L->nAbort, 0);
        ASSERT_EQ(L->nDiscretizationError, 0);
        EXPECT_NEAR(L->dTime, 3000.0, 1e-9);
        std::vector<double> r2(e.nScans + 1);
        for (int j = 1; j <= e.nScans; j++) {
            double a = 0, m2 = 0;
            for (int i = 1; i < e.nPoints; i++) {
                const double r0 = e.radii[i], r1 = e.radii[i + 1], h = r1 - r0;
                a += h * (r0 * e.out[j][i] + r1 * e.out[j][i + 1]) / 2;
                m2 += h * (r0 * r0 * r0 * e.out[j][i] + r1 * r1 * r1 * e.out[j][i + 1]) / 2;
            }
            EXPECT_NEAR(a / loaded, 1.0, 1e-5) << "scan " << j;
            r2[j] = m2 / a;
        }
        const double q = 2 * D / k;
        for (int j = 2; j <= e.nScans; j++) {
            const double dt = e.headers[j].time - e.headers[1].time;
            EXPECT_NEAR(r2[j] + q, (r2[1] + q) * std::exp(2 * k * dt), 5e-5) << "scan " << j;
        }
        // the band's centre has moved with it, from 6.01 cm as exp(s w^2 t)
        EXPECT_NEAR(std::sqrt(r2[e.nScans]), 6.01 * std::exp(k * 3000), 0.01);
    }
}

// A steep band (20 S with almost no diffusion) runs into steps whose change
// passes the working maximum; each is redone shorter, and the scans of the
// default max dc/c 1 lie within 2e-3 of the loading of those of a tenfold
// smaller maximum on the same grid: the time error stays small.
TEST(LammEngine, StepControlKeepsASteepBandConvergedInTime)
{
    std::vector<std::vector<float>> scans;
    for (const double maxDcOverC : {1.0, 0.1}) {
        LammExperiment e(10, 30, 1500, 40000, kM, kB, 300);
        auto L = makeSolver(e, 20, 1e-8, kM, kB, 1.0, 6.1f, 7.1f);
        L->SetBandForming(true, 0.02f, false);
        L->dMaxDcOverC = maxDcOverC;
        runOnGrid(*L, 1000);
        ASSERT_EQ(L->nAbort, 0);
        ASSERT_EQ(L->nDiscretizationError, 0);
        std::vector<float> v;
        for (int k = 1; k <= e.nScans; k++) v.insert(v.end(), e.out[k] + 1, e.out[k] + e.nPoints + 1);
        scans.push_back(v);
    }
    double worst = 0;
    for (size_t i = 0; i < scans[0].size(); i++)
        worst = std::max(worst, (double)std::fabs(scans[0][i] - scans[1][i]));
    EXPECT_LT(worst, 2e-3);
}

// A node that held nothing (below 1e-4 of the top) and gains more than that
// has no change of its own to measure: the step control takes its gain
// relative to what the nearest node inwards held, at a band's leading edge as
// on a band that sits on the first node alone (a gain of 0.01 of the loading
// there is a change of 0.01, and a step that makes it is not refused).
TEST(LammEngine, StepControlMeasuresAnEmptyNodeAgainstItsNeighbour)
{
    LammExperiment e(3, 100, 300, 50000, kM, kB, 50);
    auto L = makeSolver(e, 10, 6e-7, kM, kB, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    L->nGridPoints = 12;
    L->AllocGridArrays();
    L->InitAcceleration();
    L->nFirstActive = 1;
    L->nLastActive = 12;
    L->dTime = 100;  // past the first seconds, whose negative values have a rule of their own
    for (const int edge : {4, 1}) {
        SCOPED_TRACE(edge);
        const double held = edge == 1 ? 1.0 : 0.2;  // what the last node of the band held
        for (int i = 1; i <= 12; i++) L->pConcOld[i] = L->pConc[i] = i < edge ? 1.0 : i == edge ? held : 0.0;
        L->pConc[edge + 1] = 0.01;
        EXPECT_NEAR(L->MaxRelativeChange(), 0.01 / held, 1e-12);
    }
}

// Under a speed profile the negative values the elements leave are taken out
// after every step with the amount in the closed cell kept: one at the first
// point goes to the second, one between two positive values is made up from
// its neighbours in equal shares, in the amount weights of the nodes (the
// first node's covers half an element, and a grid laid out for a run is not
// even). First a dip to -0.2 of the loading in a plateau, with almost no
// diffusion to fill it within the one step of 1 s, the rotor still near rest;
// then a 20 S species of little diffusion through a profile to 40000 rpm on
// the grid a run lays out, the meniscus emptying in every step.
TEST(LammEngine, UnderASpeedProfileNegativeValuesAreTakenOutWithTheAmountKept)
{
    {
        LammExperiment e(1, 1, 1, 50000, kM, kB, 50);
        auto L = makeSolver(e, 5, 1e-9, kM, kB, 1.0, 6.1f, 7.1f);
        const float start[] = {0, 0}, rpm[] = {0, 50000}, rate[] = {0, 400};
        L->LoadSpeedSteps(1, start, rpm, rate, 0);
        L->bTruncateGrid = 0;
        L->bShutOffBackDiffusion = 0;
        L->nGridPoints = 400;
        L->AllocGridArrays();
        L->InitAcceleration();
        L->SetInitialConcentration();
        L->pConc[200] = -0.2;
        const double loaded = amountUpTo(*L, 400);
        L->RunTimeStepping();
        ASSERT_EQ(L->nAbort, 0);
        ASSERT_EQ(L->nDiscretizationError, 0);
        EXPECT_NEAR(L->dTime, 1.0, 1e-12);
        EXPECT_NEAR(amountUpTo(*L, 400) / loaded, 1.0, 1e-12);
        for (int i = 1; i <= 400; i++) EXPECT_GE(L->pConc[i], 0.0) << i;
        EXPECT_NEAR(L->pConc[199], L->pConc[201], 1e-3);
        EXPECT_LT(L->pConc[199], 0.95);
    }
    {
        LammExperiment e(2, 1500, 3000, 40000, kM, kB, 300);
        auto L = makeSolver(e, 20, 5e-8, kM, kB, 1.0, 6.1f, 7.1f);
        const float start[] = {0, 0, 1000}, rpm[] = {0, 30000, 40000}, rate[] = {0, 300, 0};
        L->LoadSpeedSteps(2, start, rpm, rate, 0);
        L->nDefaultGridSize = 100;
        L->bTruncateGrid = 0;
        L->bShutOffBackDiffusion = 0;
        L->bAutoFEAlgorithm = 0;
        L->bEngineStaticGrid = 1;
        L->bEngineMovingGrid = 0;
        L->InitAcceleration();
        L->SetupGrid();
        L->SetInitialConcentration();
        const double loaded = L->TotalAmountInCell();
        L->RunTimeStepping();
        ASSERT_EQ(L->nAbort, 0);
        ASSERT_EQ(L->nDiscretizationError, 0);
        EXPECT_NEAR(L->dTime, 3000.0, 1e-9);
        EXPECT_NEAR(L->TotalAmountInCell() / loaded, 1.0, 1e-9);
    }
}
