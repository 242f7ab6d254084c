// Concentration-dependent sedimentation: the reacting loop, the non-ideal
// solver, the hindered-sedimentation factors, the element integrals with a
// coefficient, and the inhomogeneous solvent.
#include <gtest/gtest.h>

#include <cmath>

#include "lamm/lamm_nonideal.h"
#include "lamm/nonideal_factors.h"
#include "lamm_fixture.h"
#include "platform/headless.h"
#include "plot/error_box.h"

namespace {

const double kM = 6.0, kB = 7.2;

// The same experiment solved by the ideal solver on a plain static grid of n
// points (and its refinement zones).
void solveIdeal(LammExperiment& e, double s, double D, int n)
{
    auto L = makeSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
    L->bRampRotorSpeed = 0;
    L->bAutoFEAlgorithm = 0;
    L->bAutoDynamicGridSize = 0;
    L->bTruncateGrid = 0;
    L->bShutOffBackDiffusion = 0;
    L->nDefaultGridSize = n;
    ASSERT_EQ(L->Solve(), 0);
}

}  // namespace

// A monomer - n-mer system in rapid equilibrium sediments as the monomer when
// the association constant vanishes and as the n-mer when it is very large
// (the dimer has a closed form of its own; the trimer takes the general law).
TEST(LammReacting, SelfAssociationLimitsAreMonomerAndOligomer)
{
    const double s1 = 4, D1 = 7e-7;
    struct Oligomer {
        int n;
        double s, D;
    };
    for (const Oligomer o : {Oligomer{2, 6.3, 5.5e-7}, Oligomer{3, 8.2, 4.8e-7}})
        for (double K : {1e-9, 1e9}) {
            LammExperiment r(5, 500, 2500, 50000, kM, kB, 200), ideal(5, 500, 2500, 50000, kM, kB, 200);
            auto L = makeSolver(r, s1, D1, kM, kB, 1.0, 6.1f, 7.1f);
            double load[3] = {0, 1.0, 1.0},  // the total loading is the scalar one
                   s[3] = {0, s1, o.s}, D[3] = {0, D1, o.D};
            L->SetSelfAssociation(false, true, true, false, false, 2, load, s, D, nullptr, -8.0f, -8.0f, true, true,
                                  1.0, false, false, s1, D1, 1.0);
            L->SetAssociationConstant(o.n, K);
            L->bRampRotorSpeed = 0;
            L->nDefaultGridSize = 800;
            ASSERT_EQ(L->Solve(), 0) << o.n << " " << K;
            EXPECT_TRUE(L->bEngineStaticGrid);
            if (K < 1)
                solveIdeal(ideal, s1, D1, 800);
            else
                solveIdeal(ideal, o.s, o.D, 800);
            EXPECT_LT(largestDifference(r, ideal), 2e-3) << "n = " << o.n << ", K = " << K;
        }
}

// The law of the loop's one field at the total c = x + K x^n of a chosen
// monomer x: s = (s1 + u sn) / (1 + u), D = (D1 + n u Dn) / (1 + n u) with
// u = K x^(n-1), for the dimer and beyond the trimer's cubic.
TEST(LammReacting, MonomerNmerLawAtTheTotalOfAKnownMonomer)
{
    const double s1 = 4, D1 = 7e-7, sn = 9, Dn = 4e-7, K = 2;
    double load[3] = {0, 1, 1}, sp[3] = {0, s1, sn}, Dp[3] = {0, D1, Dn};
    for (int n = 2; n <= 5; n++)
        for (double x : {0.05, 0.8, 3.0}) {
            CLammIdeal L;
            L.SetSelfAssociation(false, true, true, false, false, 2, load, sp, Dp, nullptr, -8.0f, -8.0f, true,
                                 true, 1.0, false, false, s1, D1, 1.0);
            L.SetAssociationConstant(n, K);
            const double u = K * std::pow(x, n - 1);
            double s = 0, D = 0;
            ASSERT_TRUE(L.TotalLaw(x + u * x, &s, &D));
            EXPECT_NEAR(s, (s1 + u * sn) / (1 + u), 1e-9) << n << " " << x;
            EXPECT_NEAR(D, (D1 + n * u * Dn) / (1 + n * u), 1e-15) << n << " " << x;
        }
}

// In the plateau, where c does not vary with r, the Lamm equation leaves
// d ln c / dt = -2 omega^2 s(c): the plateau follows the law of its own total
// (integrated here by fourth-order Runge-Kutta in ln c, the monomer of the
// trimer's total by bisection). A sedimenting monomer - trimer (K = 2 per
// loading^2: the trimer holds 41 % of a loading of 1; the ideal plateau of the
// monomer would be 0.035 higher at 3000 s) and a floating species with ks = 0.5
// per unit, whose plateau grows more slowly than the ideal one (0.045 less at
// 3000 s); the profile's largest values then lie away from the base, which
// the species leaves. Several species whose non-ideality vanishes (10^-30 per
// unit) sediment each on its own: the plateau of the total is the sum of
// c_i exp(-2 omega^2 s_i t) (their coefficients are uniform, so the solve of
// each species takes its kept step matrix again while the step stays).
TEST(LammReacting, ThePlateauFollowsTheLawOfItsTotal)
{
    const double rpm = 60000, w2 = std::pow(rpm * M_PI / 30, 2) * 1e-13;
    const double s1 = 4, D1 = 7e-7, s3 = 8.2, D3 = 4.8e-7, K = 2, sF = -5, DF = 6e-7, ks = 0.5;
    auto trimer = [&](double c) {  // c = x + K x^3 by bisection
        double lo = 0, hi = c;
        for (int it = 0; it < 200; it++) {
            const double x = 0.5 * (lo + hi);
            (x + K * x * x * x < c ? lo : hi) = x;
        }
        const double x = 0.5 * (lo + hi), u = K * x * x;
        return (s1 + u * s3) / (1 + u);
    };
    auto floating = [&](double c) { return sF / (1 + ks * c); };
    auto plateau = [&](auto law, double t) {
        double y = 0;  // ln c
        const int n = 4000;
        const double h = t / n;
        auto f = [&](double v) { return -2 * w2 * law(std::exp(v)); };
        for (int k = 0; k < n; k++) {
            const double a = f(y), b = f(y + h / 2 * a), c = f(y + h / 2 * b), d = f(y + h * c);
            y += h / 6 * (a + 2 * b + 2 * c + d);
        }
        return std::exp(y);
    };
    const double cI[3] = {0, 0.6, 0.4}, sI[3] = {0, 3, 9}, DI[3] = {0, 6e-7, 4e-7};
    auto species = [&](double t) {
        return cI[1] * std::exp(-2 * w2 * sI[1] * t) + cI[2] * std::exp(-2 * w2 * sI[2] * t);
    };
    const char* names[3] = {"trimer", "floating", "two species"};
    for (int which : {0, 1, 2}) {
        LammExperiment e(5, 600, 3000, rpm, kM, kB, 601);
        std::unique_ptr<CLammIdeal> L;
        double r = 0;
        if (which == 2) {
            L = makeSolver(e, sI[1], DI[1], kM, kB, 1.0, 6.1f, 7.1f);
            L->SetSelfAssociation(false, true, true, false, true, 2, cI, sI, DI, nullptr, -30.0f, -30.0f, true,
                                  true, 1.0, false, false, sI[1], DI[1], 1.0);
            r = 6.9;
        } else if (which == 0) {
            L = makeSolver(e, s1, D1, kM, kB, 1.0, 6.1f, 7.1f);
            double load[3] = {0, 1.0, 1.0}, s[3] = {0, s1, s3}, D[3] = {0, D1, D3};
            L->SetSelfAssociation(false, true, true, false, false, 2, load, s, D, nullptr, -8.0f, -8.0f, true, true,
                                  1.0, false, false, s1, D1, 1.0);
            L->SetAssociationConstant(3, K);
            r = 6.9;
        } else {
            auto N = makeNonidealSolver(e, sF, DF, kM, kB, 1.0, 6.1f, 7.1f);
            N->SetNonidealParams((float)std::log10(ks), -30.0f, 1.0, false, false);
            L = std::move(N);
            r = 6.3;
        }
        L->bRampRotorSpeed = 0;
        ASSERT_EQ(L->Solve(), 0) << which;
        const int j = (int)std::lround((r - kM) / (kB - kM) * (e.nPoints - 1)) + 1;
        for (int k = 1; k <= e.nScans; k++) {
            const double t = e.headers[k].time;
            const double want = which == 0 ? plateau(trimer, t) : which == 1 ? plateau(floating, t) : species(t);
            EXPECT_NEAR(e.out[k][j], want, 1e-5) << names[which] << " at " << t << " s";
        }
    }
}

// With ks = kd = 0 the non-ideal solver gives the ideal solution; a repulsive
// non-ideality keeps the amount and slows the boundary; a loading beyond
// ks c = 1 is refused with 7.
TEST(LammNonIdeal, ReducesToTheIdealSolutionAndKeepsTheAmount)
{
    const double s = 5, D = 6e-7;
    LammExperiment n(5, 500, 3000, 50000, kM, kB, 200), ideal(5, 500, 3000, 50000, kM, kB, 200);
    auto make = [&](LammExperiment& e) {
        auto L = makeNonidealSolver(e, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        L->bRampRotorSpeed = 0;
        L->nDefaultGridSize = 800;
        return L;
    };
    {
        auto L = make(n);
        L->SetNonidealParams(-2.0f, -2.0f, 0.0, false, false);  // no signal per mg/ml
        clearShownErrorMessages();
        win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
        EXPECT_EQ(L->Solve(), 6);
        win::headless::setPolicy(win::headless::Policy::FailOnUnexpected);
        ASSERT_EQ(shownErrorMessages().size(), 1u);
        EXPECT_EQ(shownErrorMessages()[0], "non-ideality parameters not loaded properly in CLammIdeal");
        L->SetNonidealParams(-2.0f, -2.0f, 1.0, false, false);
        EXPECT_NEAR(L->dNonidealKs, 0.01, 1e-12);
        L->dNonidealKs = L->dNonidealKd = 0;
        ASSERT_EQ(L->Solve(), 0);
    }
    solveIdeal(ideal, s, D, 800);
    EXPECT_LT(largestDifference(n, ideal), 2e-3);

    // ks = 0.1 per unit: s is 1/1.1 of s0 in the plateau, so the boundary
    // (the half-height point) lags behind the ideal one
    {
        LammExperiment one(1, 2000, 2000, 50000, kM, kB, 600), ref(1, 2000, 2000, 50000, kM, kB, 600);
        auto L = make(one);
        L->SetNonidealParams(-1.0f, -8.0f, 1.0, false, false);
        ASSERT_EQ(L->Solve(), 0);
        double amount = 0;
        for (int i = 1; i < L->nGridPoints; i++) {
            const double r0 = L->pRadius[i], r1 = L->pRadius[i + 1];
            amount += (r1 - r0) * (L->pConc[i] * (2 * r0 + r1) + L->pConc[i + 1] * (r0 + 2 * r1)) / 6;
        }
        EXPECT_NEAR(amount / ((kB * kB - kM * kM) / 2), 1.0, 1e-6);
        solveIdeal(ref, s, D, 800);
        auto half = [&](const LammExperiment& e) {
            const float top = e.out[1][e.nPoints / 2 + 100];
            for (int j = 1; j <= e.nPoints; j++)
                if (e.out[1][j] > 0.5f * top) return (double)e.radii[j];
            return 0.0;
        };
        EXPECT_LT(half(one), half(ref) - 0.005);
    }
    {
        auto L = make(n);
        L->SetNonidealParams(0.5f, 0.0f, 1.0, false, false);  // ks = 3.2 per unit at a loading of 1
        EXPECT_EQ(L->Solve(), 7);
    }
}

// The hindered-sedimentation factors against hand computation at
// c = 100 mg/ml, vbar = 0.73 (phi = 0.073).
TEST(LammNonIdeal, HinderedFactorsFromTheVolumeFraction)
{
    const double phi = 0.073;
    EXPECT_NEAR(hinderedSFactor(100, 5.4f, 0.73f, false), std::pow(1 - phi, 5.4), 1e-6);
    EXPECT_NEAR(hinderedSFactor(100, 6.55f, 0.73f, true), 1 - 6.55 * phi, 1e-6);
    const double cs = (1 + 4 * phi + 4 * phi * phi - 4 * phi * phi * phi + phi * phi * phi * phi) / std::pow(1 - phi, 4);
    EXPECT_NEAR(hinderedDFactor(100, 5.4f, 0.73f, false), std::pow(1 - phi, 5.4) * cs, 1e-6);
    EXPECT_EQ(hinderedSFactor(-1, 5.4f, 0.73f, false), 1.0f);
    EXPECT_EQ(hinderedDFactor(-1, 5.4f, 0.73f, false), 1.0f);
    EXPECT_EQ(hinderedSFactor(20000, 5.4f, 0.73f, false), 0.0f);
    EXPECT_EQ(hinderedSFactor(250, 6.55f, 0.73f, true), 0.0f);  // the linear law stops at 0
    EXPECT_EQ(hinderedDFactor(1500, 5.4f, 0.73f, false), 0.0f);  // phi > 1: no free volume
    EXPECT_EQ(nonidealSFactor(0, 5.4f, 0, 5, 6e-7, 0.73f, 1, 20, 1), 1.0f);
}

// The element integrals with a hat-interpolated coefficient on a non-uniform
// grid: summed over the coefficient's node they are the plain integrals
// (the hats add up to 1), and they match a fine midpoint quadrature.
TEST(LammNonIdeal, TripleElementIntegralsOnANonUniformGrid)
{
    CLammIdeal L;
    L.dMeniscus = 6.0;
    L.dBottom = 6.7;
    L.nGridPoints = 4;
    L.AllocGridArrays();
    const double r[5] = {0, 6.0, 6.1, 6.35, 6.7};
    for (int i = 1; i <= 4; i++) L.pRadius[i] = r[i];
    auto hat = [&](int i, double x, bool derivative) {
        double v = 0;
        if (i > 1 && x >= r[i - 1] && x <= r[i]) v = derivative ? 1 / (r[i] - r[i - 1]) : (x - r[i - 1]) / (r[i] - r[i - 1]);
        if (i < 4 && x >= r[i] && x < r[i + 1]) v = derivative ? -1 / (r[i + 1] - r[i]) : (r[i + 1] - x) / (r[i + 1] - r[i]);
        return v;
    };
    for (int i = 1; i <= 4; i++)
        for (int j = 1; j <= 4; j++) {
            double sumD = 0, sumS = 0;
            for (int k = 1; k <= 4; k++) {
                sumD += L.feDiffusionTriple(i, j, k, 4);
                sumS += L.feSedimentationTriple(i, j, k, 4);
                double qD = 0, qS = 0;
                const int steps = 70000;
                for (int q = 0; q < steps; q++) {
                    const double x = 6.0 + (q + 0.5) * 0.7 / steps;
                    qD += x * hat(i, x, true) * hat(j, x, true) * hat(k, x, false);
                    qS += x * x * hat(i, x, true) * hat(j, x, false) * hat(k, x, false);
                }
                EXPECT_NEAR(L.feDiffusionTriple(i, j, k, 4), qD * 0.7 / steps, 2e-3) << i << j << k;
                EXPECT_NEAR(L.feSedimentationTriple(i, j, k, 4), qS * 0.7 / steps, 2e-4) << i << j << k;
            }
            EXPECT_NEAR(sumD, L.feDiffusionIntegral(i, j, 4), 1e-12);
            EXPECT_NEAR(sumS, L.feSedimentationIntegral(i, j, 4), 1e-12);
        }
}

// A co-solute that neither sediments nor diffuses leaves a uniform solvent:
// the macromolecule then sediments as in a homogeneous buffer with
// s fv fb and D fv, fv = eta(water) / eta(solution), fb the buoyancy ratio
// against water (s and D are for standard conditions), whatever the buffer
// values at 1 atm (with a co-solute those of the solution at its loading).
// A solvent without compressibility is such a buffer of its density and
// viscosity at 1 atm.
TEST(LammNonIdeal, UniformSolventScalesSAndD)
{
    const double s = 5, D = 6e-7, vbar = 0.73;
    double visc[2] = {0, 1.5}, dens[2] = {0, 1.1};
    LammExperiment g(4, 500, 3000, 50000, kM, kB, 200), ref(4, 500, 3000, 50000, kM, kB, 200);
    for (int kind : {0, 1, 2}) {  // co-solute without and with its own grid; compressible solvent
        auto L = makeSolver(g, s, D, kM, kB, 1.0, 6.1f, 7.1f);
        L->bRampRotorSpeed = 0;
        L->bAutoDynamicGridSize = 0;
        L->bTruncateGrid = 0;
        L->bShutOffBackDiffusion = 0;
        L->nDefaultGridSize = 800;
        L->SetInhomogeneousSolvent(true, true, kind == 2, false, 0, (float)vbar, 1.0f, 0.99823f, (float)vbar,
                                   (float)vbar, 1.1f, 0.001002f * 1.5f, 1.5f, 0.72871f, 1, 1, 1, 1);
        if (kind < 2)
            L->SetCosoluteSolvent(true, true, false, 0.0, 0.0, kind == 1, 50, false, false, 1.0, false, false, 0, "",
                                  false, nullptr, nullptr, visc, 1, dens, 1);
        const double fv = 1 / 1.5, fb = (1 - vbar * 1.1) / (1 - vbar * 0.99823);
        ASSERT_EQ(L->Solve(), 0);
        EXPECT_NEAR(L->pSolventFactorD[300], fv, 1e-7) << kind;
        EXPECT_NEAR(L->pSolventFactorB[300], fb, 1e-6) << kind;
        EXPECT_EQ(L->pCosoluteSolver != nullptr, kind == 1);
        solveIdeal(ref, s * fv * fb, D * fv, 800);
        EXPECT_LT(largestDifference(g, ref), 1e-3) << kind;
    }
}

// The co-solute on its own grid, stepped as the solver steps (Crank-Nicolson,
// or the predictor-corrector of a non-ideal co-solute, here with s(c) and D(c)
// constant for want of tables): it keeps its amount, the integral of c r over
// the piecewise linear profile, and after many diffusion times it reaches the
// sedimentation equilibrium of an ideal solute, exp(s w^2 r^2 / 2 D), out to
// the nodes at the cell ends.
TEST(LammNonIdeal, CosoluteSubSolverKeepsItsAmountAndReachesEquilibrium)
{
    const double sCo = 0.2, DCo = 3e-6, loading = 1.5, rpm = 50000;
    double visc[2] = {0, 1.0}, dens[2] = {0, 1.0};
    LammExperiment g(1, 500, 500, rpm, kM, kB, 100);
    for (bool nonideal : {false, true}) {
        auto L = makeSolver(g, 5, 6e-7, kM, kB, 1.0, 6.1f, 7.1f);
        L->SetCosoluteSolvent(true, true, false, sCo, DCo, true, 50, false, nonideal, loading, false, false, 0, "",
                              false, nullptr, nullptr, visc, 1, dens, 1);
        ASSERT_TRUE(L->InitCosoluteGradient(nullptr));
        const CLammIdeal* c = L->pCosoluteSolver;
        const int n = c->nGridPoints;
        ASSERT_EQ(n, 50);
        const double* r = c->pRadius;
        auto amount = [&] {
            double a = 0;
            for (int i = 1; i < n; i++) {
                const double h = r[i + 1] - r[i];
                a += c->pConc[i] * h * (2 * r[i] + r[i + 1]) / 6 + c->pConc[i + 1] * h * (r[i] + 2 * r[i + 1]) / 6;
            }
            return a;
        };
        const double before = amount();
        EXPECT_NEAR(before / (loading * (kB * kB - kM * kM) / 2) - 1, 0, 1e-6);  // radii in float
        L->dRotorRpm = rpm;
        for (int step = 1; step <= 2000; step++) {
            L->dTimeSaved = L->dTime;
            L->dTime += 500;
            L->StepCosoluteGradient();
            ASSERT_EQ(L->nAbort, 0) << nonideal << " " << step;
        }
        EXPECT_NEAR(amount() / before - 1, 0, 1e-6) << nonideal;
        const double w = rpm * 2 * M_PI / 60, a = sCo * 1e-13 * w * w / (2 * DCo), x = a * (kB * kB - kM * kM);
        EXPECT_NEAR(r[1], kM, 1e-6);
        EXPECT_NEAR(r[n], kB, 1e-6);
        for (int i = 1; i <= n; i++)
            EXPECT_NEAR(c->pConc[i], loading * x / std::expm1(x) * std::exp(a * (r[i] * r[i] - kM * kM)), 3e-3)
                << nonideal << " " << i;
    }
}
