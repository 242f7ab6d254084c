// Lamm solutions into the store, and the sharp-boundary profiles.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/step_profiles.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

namespace {

class StepProfile : public ::testing::Test {
protected:
    void SetUp() override
    {
        fMeniscus = 6.0f;
        fBottom = 7.2f;
        for (int i = 1; i <= n; i++) x[i] = 5.9f + 0.01f * (i - 1);  // 5.9 .. 7.3
    }
    std::vector<float> profile(float c0, double t)
    {
        std::vector<float> y(n + 1, -1.0f);
        stepFunctionProfile(c0, t, x.data(), y.data(), n);
        return y;
    }
    // Where the scanner, leaving the meniscus (6 cm) at t with v cm/s, meets
    // a front moving as r0 e^(k tau): 6 + v (tau - t) = r0 e^(k tau), solved
    // by bisection.
    static double scannerMeets(double r0, double k, double t, double v)
    {
        double lo = t, hi = t + 1.5 / v;
        for (int i = 0; i < 100; i++) {
            const double mid = 0.5 * (lo + hi);
            (6.0 + v * (mid - t) < r0 * std::exp(k * mid) ? lo : hi) = mid;
        }
        return r0 * std::exp(k * lo);
    }
    static constexpr int n = 141;
    std::vector<float> x = std::vector<float>(n + 1);
};

}  // namespace

TEST_F(StepProfile, SedimentationAndFlotationBoundaries)
{
    // k = 0: the flotation branch, boundary at the bottom, no dilution
    dAreaFractionS = 0.0;
    std::vector<float> y = profile(1.5f, 3000.0);
    for (int i = 1; i <= n; i++) EXPECT_EQ(y[i], x[i] <= 7.2f ? 1.5f : 0.0f) << x[i];
    // sedimentation: radial dilution on the plateau behind m e^(kt)
    dAreaFractionS = 1e-5;
    y = profile(1.0f, 5000.0);
    const double rb = 6.0 * std::exp(0.05), c = std::exp(-0.1);
    for (int i = 1; i <= n; i++) EXPECT_NEAR(y[i], x[i] >= rb ? c : 0.0, 1e-6) << x[i];
    // flotation: from the bottom inwards
    dAreaFractionS = -1e-5;
    y = profile(1.0f, 5000.0);
    const double rf = 7.2 * std::exp(-0.05), cf = std::exp(0.1);
    for (int i = 1; i <= n; i++) EXPECT_NEAR(y[i], x[i] <= rf ? cf : 0.0, 1e-6) << x[i];
}

// In linear geometry the boundary moves by k t: radii exactly at it are on
// the plateau in both directions.
TEST_F(StepProfile, RadiusAtTheBoundaryIsOnThePlateau)
{
    bModelLsgv = 1;
    dAreaFractionS = 0.25;  // rb = 6 + 0.25 x 2 = 6.5
    std::vector<float> y = profile(2.0f, 2.0);
    for (int i = 1; i <= n; i++)
        if (x[i] == 6.5f) {
            EXPECT_EQ(y[i], 2.0f);
        }
    float xb[3] = {0, 6.5f, 6.4999f};
    float yb[3] = {0, -1, -1};
    stepFunctionProfile(2.0f, 2.0, xb, yb, 2);
    EXPECT_EQ(yb[1], 2.0f);
    EXPECT_EQ(yb[2], 0.0f);
    fMeniscus = 7.0f;
    dAreaFractionS = -0.25;  // rb = 7 - 0.5 = 6.5, plateau inside
    float xf[3] = {0, 6.5f, 6.5001f};
    stepFunctionProfile(2.0f, 2.0, xf, yb, 2);
    EXPECT_EQ(yb[1], 2.0f);
    EXPECT_EQ(yb[2], 0.0f);
}

TEST_F(StepProfile, ZoneEdgeIsOutside)
{
    bModelZone = 1;
    fZoneLamellaWidth = 0.25f;
    dAreaFractionS = 1e-5;
    float xz[5] = {0, 5.99f, 6.0f, 6.24f, 6.25f};
    float yz[5] = {0, -1, -1, -1, -1};
    stepFunctionProfile(1.0f, 0.0, xz, yz, 4);  // at t = 0: the lamella [6, 6.25)
    EXPECT_EQ(yz[1], 0.0f);
    EXPECT_EQ(yz[2], 1.0f);
    EXPECT_EQ(yz[3], 1.0f);
    EXPECT_EQ(yz[4], 0.0f);
}

TEST_F(StepProfile, ScanTimeCorrection)
{
    bSimTimeResolution = 1;
    fScanVelocity = 2.0f;  // cm/min
    dAreaFractionS = 2e-5;
    std::vector<float> y = profile(1.0f, 3000.0);
    // the scanner meets the boundary later than t: it has moved on
    const double v = 2.0 / 60.0, r0 = 6.0 * std::exp(0.06), t1 = 3000.0 + (r0 - 6.0) / v;
    const double rb = 6.0 * std::exp(2e-5 * t1);
    float fLast = 2.0f;
    int nPlateau = 0;
    for (int i = 1; i <= n; i++) {
        if (x[i] < rb) {
            EXPECT_EQ(y[i], 0.0f) << x[i];
            continue;
        }
        EXPECT_LT(y[i], fLast) << x[i];  // later radii are reached later: more diluted
        EXPECT_NEAR(y[i], std::exp(-2 * 2e-5 * t1) * std::exp(-2 * 2e-5 * (x[i] - 6.0) / v), 1e-6);
        fLast = y[i];
        nPlateau++;
    }
    EXPECT_GT(nPlateau, 10);

    // The zone: the scanner, leaving the meniscus at t, meets both edges of
    // the lamella later, where each has moved on. Each meeting is solved here
    // exactly; a radius 0.001 cm inside either edge is in the zone, one
    // 0.001 cm outside is not (the edges move 0.0025 cm while the scanner
    // travels to them).
    bModelZone = 1;
    fZoneLamellaWidth = 0.25f;
    const double rIn = scannerMeets(6.0, 2e-5, 3000.0, v), rOut = scannerMeets(6.25, 2e-5, 3000.0, v);
    ASSERT_GT(rOut - rIn, 0.2);
    float xz[5] = {0, static_cast<float>(rIn - 0.001), static_cast<float>(rIn + 0.001),
                   static_cast<float>(rOut - 0.001), static_cast<float>(rOut + 0.001)};
    float yz[5] = {0, -1, -1, -1, -1};
    stepFunctionProfile(1.0f, 3000.0, xz, yz, 4);
    EXPECT_EQ(yz[1], 0.0f);
    EXPECT_GT(yz[2], 0.8f);
    EXPECT_GT(yz[3], 0.8f);
    EXPECT_EQ(yz[4], 0.0f);
}

// The compressible solvent of the inhomogeneous-solvent model: without
// compressibility it is the sharp boundary; with it every point from the
// boundary on gets a value.
TEST_F(StepProfile, CompressibleSolvent)
{
    scantest::installScans({{{6.0f, 6.5f}, {1.0f, 1.0f}, 3000.0}});
    pScanHeaders[1].rpm = 50000.0f;
    const double w2 = std::pow(50000 * 2 * M_PI / 60, 2);
    dLammS = 5.0;
    dAreaFractionS = 5e-13 * w2;
    VBAR = 0.73f;
    const std::vector<float> yIdeal = profile(1.0f, 3000.0);
    bInhomogeneousSolvent = 1;
    bCompressibleSolvent = 1;
    dSolventCompressibility = 0.0;
    std::vector<float> y = profile(1.0f, 3000.0);
    for (int i = 1; i <= n; i++) EXPECT_NEAR(y[i], yIdeal[i], 2e-5) << x[i];
    // Water's compressibility: each point of the plateau holds what the
    // continuity equation gives along its path, traced back in time from the
    // point to t = 0 (RK4, 300 steps): dr/dt = v = s omega^2 r (1 - vbar
    // rho(r)) / (1 - vbar rho0), d ln c/dt = -(1/r) d(r v)/dr, with the
    // density rho0 / (1 - kappa P) of the pressure P, dP/dr = rho omega^2 r,
    // P(m) = 0. The denser solvent outwards slows the material there, so
    // the plateau rises from 0.92606 behind the boundary to 0.92941 at the
    // bottom. Within 2.5e-4: the program takes the density to first order in
    // kappa P (0.012 at the bottom), which leaves it up to 2.0e-4 low there.
    dSolventCompressibility = 4.591e-4;
    y = profile(1.0f, 3000.0);
    const double rb = 6.0 * std::exp(5e-13 * w2 * 3000.0);
    const double rho0 = fGradientBufferDensity * 1000.0, kappa = 4.591e-10, vb = 0.73e-3, m = 0.06;
    auto pressure = [&](double r) {  // r in m; P - kappa P^2 / 2 = rho0 omega^2 (r^2 - m^2) / 2
        return (1.0 - std::sqrt(1.0 - kappa * rho0 * w2 * (r * r - m * m))) / kappa;
    };
    auto velocity = [&](double r) {  // dr/dt and d ln c/dt
        const double P = pressure(r), rho = rho0 / (1.0 - kappa * P);
        const double drho = rho0 * kappa * rho * w2 * r / ((1.0 - kappa * P) * (1.0 - kappa * P));
        const double a = 5e-13 * w2 / (1.0 - vb * rho0);
        return std::make_pair(a * r * (1.0 - vb * rho), -a * (2.0 * (1.0 - vb * rho) - vb * r * drho));
    };
    auto plateauAt = [&](double rEnd) {
        double r = rEnd * 0.01, lnc = 0.0;
        const int steps = 300;
        const double h = -3000.0 / steps;
        for (int k = 0; k < steps; k++) {
            const auto k1 = velocity(r), k2 = velocity(r + h / 2 * k1.first), k3 = velocity(r + h / 2 * k2.first),
                       k4 = velocity(r + h * k3.first);
            r += h / 6 * (k1.first + 2 * k2.first + 2 * k3.first + k4.first);
            lnc += h / 6 * (k1.second + 2 * k2.second + 2 * k3.second + k4.second);
        }
        return std::exp(-lnc);
    };
    for (int i = 1; i <= n; i++) {
        if (x[i] < rb - 0.002) {
            EXPECT_EQ(y[i], 0.0f) << x[i];
        }
        if (x[i] > rb + 0.002 && x[i] <= 7.2f) {
            EXPECT_NEAR(y[i], plateauAt(x[i]), 2.5e-4) << x[i];
        }
    }
    // the plateau where the table of reached radii does not reach: radii
    // beyond the last point
    float xs[4] = {0, 6.5f, 6.9f, 7.3f};
    float ys[4] = {0, -1, -1, -1};
    stepFunctionProfile(1.0f, 3000.0, xs, ys, 3);
    for (int i = 1; i <= 3; i++) EXPECT_GT(ys[i], 0.5f);

    // The scanner's delay, without compressibility: the boundary lies where
    // the scanner, leaving the meniscus at t at 2 cm/min, meets it, and the
    // plateau is the radial dilution at that meeting time.
    dSolventCompressibility = 0.0;
    bSimTimeResolution = 1;
    fScanVelocity = 2.0f;
    const double v = 2.0 / 60.0, rm = scannerMeets(6.0, dAreaFractionS, 3000.0, v);
    float xm[3] = {0, static_cast<float>(rm - 0.001), static_cast<float>(rm + 0.001)};
    float ym[3] = {0, -1, -1};
    stepFunctionProfile(1.0f, 3000.0, xm, ym, 2);
    EXPECT_EQ(ym[1], 0.0f);
    EXPECT_NEAR(ym[2], std::exp(-2.0 * dAreaFractionS * (3000.0 + (rm - 6.0) / v)), 1e-5);
}

namespace {

// A store of one grid point over a noise grid of 61 radii, 6.0 .. 7.2 cm.
class LammSolutionInterpolation : public ::testing::Test {
protected:
    void SetUp() override
    {
        scantest::installScans({{{6.0f, 7.2f}, {0.0f, 0.0f}, 100.0}, {{6.0f, 7.2f}, {0.0f, 0.0f}, 200.0}});
        nNoiseGridPoints = 61;
        pNoiseGrid = vector(1, 61);
        bScanOnNoiseGridOwned = 1;  // a grid of its own, released with the set
        for (int j = 1; j <= 61; j++) pNoiseGrid[j] = 6.0f + 0.02f * (j - 1);
        ASSERT_TRUE(allocLammSolutionStore(2, 2, 61));
        nLammSolutionSet = 2;
        for (int i = 0; i < m; i++) {
            r[i + 1] = 5.95 + 1.3 * i / (m - 1);
            c[i + 1] = f(r[i + 1]);
        }
    }
    static double f(double x) { return 0.5 + 0.5 * std::tanh((x - 6.6) / 0.05); }
    static constexpr int m = 800;
    std::vector<double> r = std::vector<double>(m + 1), c = std::vector<double>(m + 1);
};

}  // namespace

TEST_F(LammSolutionInterpolation, ProfileOnItsOwnGridOntoTheNoiseGrid)
{
    interpolateLammSolution(2, r.data(), c.data(), m);
    const double h = 1.3 / (m - 1);
    for (int j = 1; j <= 61; j++) {
        // linear interpolation: within h^2/8 max|f''| (f'' <= 7.7 / 0.05^2)
        EXPECT_NEAR(pLammSolutions[2][2][j], f(pNoiseGrid[j]), h * h / 8 * 7.7 / 0.0025 + 1e-6) << j;
        EXPECT_EQ(pLammSolutions[1][2][j], 0.0f);  // other grid points untouched
        EXPECT_EQ(pLammSolutions[2][1][j], 0.0f);  // other scans untouched
    }
    // the first grid point's row (where a single solution goes) takes it alike
    nLammSolutionSet = 1;
    interpolateLammSolution(1, r.data(), c.data(), m);
    for (int j = 1; j <= 61; j++) {
        EXPECT_NEAR(pLammSolutions[1][1][j], f(pNoiseGrid[j]), h * h / 8 * 7.7 / 0.0025 + 1e-6) << j;
        EXPECT_EQ(pLammSolutions[1][2][j], 0.0f);
    }
}

TEST_F(LammSolutionInterpolation, RawProfileAddsToTheRow)
{
    // the reference side of the buffer signal goes onto the sample side's
    interpolateLammSolution(1, r.data(), c.data(), m);
    std::vector<float> first(pLammSolutions[2][1], pLammSolutions[2][1] + 62);
    interpolateLammSolutionRaw(1, r.data(), c.data(), m);
    for (int j = 1; j <= 61; j++) EXPECT_FLOAT_EQ(pLammSolutions[2][1][j], 2 * first[j]) << j;
    EXPECT_NEAR(pLammSolutions[2][1][61], 2.0, 2e-4);
}

TEST_F(LammSolutionInterpolation, TooFewPointsLeaveTheStore)
{
    for (int j = 1; j <= 61; j++) pLammSolutions[2][1][j] = 0.25f;
    interpolateLammSolution(1, r.data(), c.data(), 4);
    interpolateLammSolutionRaw(1, r.data(), c.data(), 4);
    for (int j = 1; j <= 61; j++) EXPECT_EQ(pLammSolutions[2][1][j], 0.25f);
    // nothing is written outside the store
    nLammSolutionSet = 3;
    interpolateLammSolution(1, r.data(), c.data(), m);
    nLammSolutionSet = 2;
    interpolateLammSolution(3, r.data(), c.data(), m);
}
