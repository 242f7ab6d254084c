// The A + B <-> AB run on the global grid: the loading profiles, the total
// sedimenting as one ideal species, the amounts kept, the reaction fluxes,
// the symmetry of equal partners, the landing on scan times. The run starts paused and waits
// for keys after every flux table; here the headless script types 'r' so
// that it runs through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/app_globals.h"
#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fegrid/hetero_assoc.h"
#include "fegrid/propagators.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"

using namespace gridtest;

namespace {

constexpr double s43 = 4.3, D61 = 6.1e-7;

Experiment experiment(int n, double tFirst, double tLast)
{
    Experiment e;
    e.nScans = n;
    e.tFirst = tFirst;
    e.tLast = tLast;
    return e;
}

void setModel(float a, float b, float logK, float coefA = 1, float coefB = 1)
{
    bModelHeteroAssociation = 1;
    fLoadingA = a;
    fLoadingB = b;
    fLogAssocK = logK;
    fSignalCoefA = coefA;
    fSignalCoefB = coefB;
}

// The grid with the moving-hat and hetero blocks, the time set-up of the
// model evaluation, and the run's coefficients of B.
void prepareHeteroRun(int N, double dt, double s = s43, double D = D61)
{
    layOutGrid(N, true);
    prepareRun(s, D, 0.0);
    dMaxDcOverCWork = dt;
    fSedA = fSedB = fSedAB = float(s);
    dRunSedB = s;
    dRunDiffB = D;
}

void runThrough()
{
    win::headless::Script script;
    script.typeChar('r');
    simulateHeteroAssociation();
}

// The volume of the cell's sector: the amount of a concentration of 1.
double cellVolume()
{
    const double m = fMeniscus, b = fBottom;
    return (b * b - m * m) / 2 * 1.2 * 0.03490658503988659;
}

double totalA() { return sectorAmount(pFreeA) + sectorAmount(pComplex); }

std::vector<std::vector<float>> scanModels()
{
    std::vector<std::vector<float>> out(nScans + 1);
    for (int p = 1; p <= nScans; p++) {
        const int k = pScanTimeOrder[p];
        out[p].assign(ppFit[k], ppFit[k] + pScanPoints[k] + 1);
    }
    return out;
}

}  // namespace

// Every node holds the free loadings of the mass-action equilibrium, and the
// signal of free species and complex is the sum of the two loading signals.
// Without binding (K -> 0) nothing is bound; without A nothing either.
TEST(HeteroAssociation, LoadingProfilesHoldTheMassActionEquilibrium)
{
    installExperiment(experiment(3, 100, 300));
    bModelHeteroAssociation = 1;
    layOutGrid(60, true);
    struct Case {
        float a, b, logK, coefA, coefB;
    } cases[] = {{0.4f, 0.4f, 0.0f, 1, 1}, {0.3f, 1.2f, 2.0f, 2.0f, 0.5f}, {0.5f, 0.7f, -12.0f, 1, 1},
                 {0.0f, 0.5f, 3.0f, 1, 1}, {0.8f, 0.1f, 6.0f, 1.5f, 3.0f}};
    for (const Case& c : cases) {
        setModel(c.a, c.b, c.logK, c.coefA, c.coefB);
        dLastHeteroStep = 7.0;
        heteroAssocEquilibrium();
        EXPECT_EQ(dLastHeteroStep, 0.0);
        const double a = double(c.a) / c.coefA, b = double(c.b) / c.coefB, K = std::pow(10.0, double(c.logK));
        for (int i = 1; i <= nGridPointsAllocated; i++) {
            const double cA = pFreeA[i], cB = pFreeB[i];
            ASSERT_EQ(pOldA[i], cA);
            ASSERT_EQ(pOlderA[i], cA);
            ASSERT_EQ(pOldB[i], cB);
            ASSERT_EQ(pOlderB[i], cB);
            ASSERT_EQ(cA, pFreeA[1]) << "a constant loading";
            // the same complex from both partners, and it is K c_A c_B
            const double x = a - cA;
            EXPECT_NEAR(b - cB, x, 1e-14 * (a + b));
            EXPECT_NEAR(K * cA * cB, x, 1e-10 * (a + b));
            EXPECT_GE(cA, 0.0);
            EXPECT_GE(cB, 0.0);
            const double dSignal = c.coefA * cA + c.coefB * cB + (double(c.coefA) + c.coefB) * K * cA * cB;
            EXPECT_DOUBLE_EQ(pGridConc[i], dSignal);
            EXPECT_NEAR(pGridConc[i], double(c.a) + c.b, 1e-10);
        }
        if (c.logK < -10) {
            EXPECT_NEAR(pFreeA[1], a, 1e-12 * a);
            EXPECT_NEAR(pFreeB[1], b, 1e-12 * b);
        }
        if (c.a == 0) {
            EXPECT_EQ(pFreeB[1], b);
            EXPECT_EQ(fComplexLoading, 0.0f);
        }
    }
}

namespace {

// The amount of A in the cell as the finite elements hold it: the free
// profile and the complex K a b of the two interpolated profiles, each
// integrated with r over the grid.
double elementAmountA()
{
    const int N = nGridPointsAllocated;
    const double K = std::pow(10.0, double(fLogAssocK));
    double sum = 0;
    for (int j = 1; j <= N; j++) {
        sum += hatWeight(j) * pFreeA[j];
        for (int k = std::max(1, j - 1); k <= std::min(N, j + 1); k++)
            sum += K * heteroAssocElementA(j, k) * pFreeA[j] * pFreeB[k];
    }
    return sum * 1.2 * 0.03490658503988659;
}

}  // namespace

// With every coefficient equal (as the run makes them) the total signal
// sediments as one ideal species of s and D of B, whatever the binding: the
// Claverie solution on a converged grid, within 1e-3 of the loading inside
// the fit limits (2000 points resolve the bottom's back-diffusion as well).
// Total A and total B in the tables' terms (free and complex, each as nodal
// values times hat weights) stay within 1e-3 of their loadings.
TEST(HeteroAssociation, WithEqualCoefficientsTheTotalSedimentsAsOneIdealSpecies)
{
    const Experiment e = experiment(30, 600, 9300);
    installExperiment(e);
    bModelHeteroAssociation = 0;
    bFixedTimestep = 1;
    layOutGrid(4000, false);
    prepareRun(s43, D61, 0.8);
    dMaxDcOverCWork = 2;
    propagate();
    std::vector<std::vector<double>> ideal(nScans + 1);
    for (int p = 1; p <= nScans; p++)
        for (int j = 0; j <= pScanPoints[1]; j++) ideal[p].push_back(j ? modelAt(p, j) : 0.0);

    struct Case {
        float a, b, logK;
    } cases[] = {{0.3f, 0.5f, -12.0f}, {0.4f, 0.4f, 0.0f}, {0.2f, 0.6f, 1.0f}};
    for (const Case& c : cases) {
        installExperiment(e);
        setModel(c.a, c.b, c.logK);
        prepareHeteroRun(2000, 10);
        runThrough();
        ASSERT_EQ(bSimulationError, 0);
        ASSERT_EQ(bDiscretizationError, 0);
        EXPECT_EQ(dSimTime, 9300.0);
        EXPECT_EQ(bSimulationRunning, 0);
        EXPECT_NEAR(totalA() / (c.a * cellVolume()), 1.0, 1e-3) << "log10 K " << c.logK;
        EXPECT_NEAR((sectorAmount(pFreeB) + sectorAmount(pComplex)) / (c.b * cellVolume()), 1.0, 1e-3);
        const auto hetero = scanModels();
        double dMax = 0;
        for (int p = 1; p <= nScans; p++)
            for (int j = 1; j <= pScanPoints[1]; j++) {
                const float r = ppRadius[1][j];
                if (r < fFitLeftLim || r > fFitRightLim) continue;
                dMax = std::max(dMax, std::fabs(double(hetero[p][j]) - ideal[p][j]));
            }
        EXPECT_LT(dMax, 1e-3 * 0.8) << "log10 K " << c.logK;
    }
}

// The inner passes solve the balances of total A and total B together: the
// amounts the elements hold are kept to rounding step by step, for weak and
// strong binding, in a few passes per step; at the solution the reaction
// fluxes of A and B agree.
TEST(HeteroAssociation, InnerPassesKeepTheAmountsOfBothBalances)
{
    struct Case {
        float a, b, logK;
    } cases[] = {{0.4f, 0.4f, 0.0f}, {0.2f, 0.6f, 1.0f}, {0.3f, 0.5f, 4.0f}};
    for (const Case& c : cases) {
        installExperiment(experiment(10, 300, 3000));
        setModel(c.a, c.b, c.logK);
        prepareHeteroRun(1000, 10);
        heteroAssocEquilibrium();
        setupHeteroAssocLogGrid();
        const double dLoadingA = elementAmountA();
        runThrough();
        ASSERT_EQ(bSimulationError, 0);
        ASSERT_EQ(bDiscretizationError, 0);
        EXPECT_EQ(nTimeStepCount, 300);
        EXPECT_NEAR(elementAmountA() / dLoadingA, 1.0, 1e-12) << "log10 K " << c.logK;
        EXPECT_LE(nHeteroMaxInnerPassesUsed, 5) << "log10 K " << c.logK;
        double dFlux = 0, dAsymmetry = 0;
        for (int i = 1; i <= nGridPointsAllocated; i++) {
            dFlux = std::max(dFlux, std::fabs(pFluxA[i]));
            dAsymmetry = std::max(dAsymmetry, std::fabs(pFluxA[i] - pFluxB[i]));
        }
        EXPECT_GT(dFlux, 0.0);
        EXPECT_LT(dAsymmetry, 1e-6 * dFlux) << "log10 K " << c.logK;
    }
}

// The reaction flux is the part of a free species' balance its transport does
// not explain: 0 for a step of no length (the first step of a run, after the
// loading equilibrium), and 0 to rounding for a species that follows its own
// Lamm equation.
TEST(HeteroAssociation, ReactionFluxIsWhatTransportLeavesOver)
{
    installExperiment(experiment(3, 200, 400));
    setModel(0.3f, 0.5f, -12.0f);
    prepareHeteroRun(300, 10);
    runThrough();
    ASSERT_EQ(bSimulationError, 0);
    const int N = nGridPointsAllocated;
    double dScale = 0, dFlux = 0;
    for (int i = 1; i <= N; i++) {
        dScale = std::max(dScale, std::fabs(pMassDiag[i] * (pFreeA[i] - pOldA[i]) / dLastHeteroStep));
        dFlux = std::max({dFlux, std::fabs(pFluxA[i]), std::fabs(pFluxB[i])});
    }
    EXPECT_GT(dScale, 0.0);
    EXPECT_LT(dFlux, 1e-9 * dScale);

    std::vector<double> cOld(N + 1), cNew(N + 1), flux(N + 1, 5.0);
    for (int i = 1; i <= N; i++) {
        cOld[i] = 1.0 + 0.1 * i;
        cNew[i] = 2.0 - 0.01 * i * i;
    }
    heteroAssocReactionFlux(flux.data(), cNew.data(), cOld.data(), 0.0, pOperA);
    for (int i = 1; i <= N; i++) ASSERT_EQ(flux[i], 0.0);
    heteroAssocEquilibrium();
    EXPECT_EQ(dLastHeteroStep, 0.0) << "the first step starts from zero fluxes";
}

// Equal loadings and signal coefficients (and the run's equal s and D): A and
// B stay equal node by node and their fluxes equal, to the last digit.
TEST(HeteroAssociation, EqualPartnersKeepEqualFluxes)
{
    installExperiment(experiment(5, 200, 1000));
    setModel(0.4f, 0.4f, 0.0f);
    prepareHeteroRun(400, 10);
    runThrough();
    ASSERT_EQ(bSimulationError, 0);
    ASSERT_EQ(bDiscretizationError, 0);
    EXPECT_EQ(nTimeStepCount, 100);
    EXPECT_GT(nHeteroMaxInnerPassesUsed, 1) << "the species bind";
    EXPECT_EQ(dFluxAsymmetry, 0.0);
    for (int i = 1; i <= nGridPointsAllocated; i++) {
        ASSERT_EQ(pFluxA[i], pFluxB[i]);
        ASSERT_EQ(pFreeA[i], pFreeB[i]);
    }
}

// A step that would pass a scan ends exactly on it: the scans at uneven
// times each get the plateau of their own time (to far better than a
// second's worth, 2 s omega^2 = 2.4e-5 per s), and the run ends on the last.
TEST(HeteroAssociation, StepsEndExactlyOnScanTimes)
{
    Experiment e = experiment(4, 95.5, 333.125);
    installExperiment(e);
    setModel(0.3f, 0.5f, -12.0f);
    prepareHeteroRun(800, 10);
    runThrough();
    ASSERT_EQ(bSimulationError, 0);
    EXPECT_EQ(dSimTime, 333.125);
    const double w = e.rpm * 2 * M_PI / 60;
    const int j = int(std::lround((7.0 - e.meniscus) / (e.bottom - e.meniscus) * (e.nPoints - 1))) + 1;
    for (int p = 1; p <= nScans; p++) {
        const double t = pScanHeaders[pScanTimeOrder[p]].time;
        const double plateau = 0.8 * std::exp(-2 * s43 * 1e-13 * w * w * t);
        EXPECT_NEAR(modelAt(p, j) / plateau, 1.0, 2e-6) << "scan at " << t << " s";
    }

    // stepping by hand: 10 s steps up to a target at 25.3 s, the last one cut
    setModel(0.3f, 0.5f, 1.0f);
    prepareHeteroRun(100, 10);
    heteroAssocEquilibrium();
    setupHeteroAssocLogGrid();
    buildHeteroAssocMatrices();
    halveHeteroAssocMatrices();
    dMovingHatFixedStep = 10.0;
    bSimulationPaused = 0;
    dSimTime = 0;
    nTimeStepCount = 0;
    bStepToScanTime = 1;
    dStepTargetTime = 25.3;
    EXPECT_EQ(heteroAssocTimeStep(), 10.0) << "the first step gives its length";
    EXPECT_EQ(heteroAssocTimeStep(), 1.0);
    EXPECT_EQ(dSimTime, 20.0);
    heteroAssocTimeStep();
    EXPECT_EQ(dSimTime, 25.3);
    EXPECT_EQ(bStepToScanTime, 0);
    EXPECT_EQ(dLastHeteroStep, dTimeStep);
    EXPECT_NEAR(dTimeStep, 5.3, 1e-12);
}

// The effective matrices carry the complex K a p by the product rule: with
// the partner's mean over a step in the mass and its rate (later minus
// earlier over the step) in the operator, the complex terms are the exact
// difference of the complex over the step.
TEST(HeteroAssociation, EffectiveMatricesCarryTheComplexByTheProductRule)
{
    installExperiment(experiment(3, 100, 300));
    setModel(0.3f, 0.5f, 1.0f);
    prepareHeteroRun(40, 10);
    heteroAssocEquilibrium();
    setupHeteroAssocLogGrid();
    buildHeteroAssocMatrices();
    halveHeteroAssocMatrices();
    const int N = nGridPointsAllocated;
    const double dt = 7.0;
    std::vector<double> aOld(N + 2), aNew(N + 2), pOld(N + 2), pNew(N + 2);
    for (int i = 1; i <= N; i++) {
        aOld[i] = 0.3 + 0.1 * std::sin(0.3 * i);
        aNew[i] = 0.25 + 0.1 * std::cos(0.2 * i);
        pOld[i] = 0.5 + 0.2 * std::sin(0.5 * i);
        pNew[i] = 0.45 + 0.1 * std::sin(0.7 * i + 1);
    }
    std::vector<std::vector<double>> m(4, std::vector<double>(N + 1)), o(4, m[0]), o0(4, m[0]);
    double* M[4] = {nullptr, m[1].data(), m[2].data(), m[3].data()};
    double* O[4] = {nullptr, o[1].data(), o[2].data(), o[3].data()};
    double* O0[4] = {nullptr, o0[1].data(), o0[2].data(), o0[3].data()};
    heteroAssocEffectiveMass(M, pOld.data(), pNew.data());
    heteroAssocEffectiveOperator(O, pOperA, pOld.data(), pNew.data(), pOld.data(), pNew.data(), dt);
    heteroAssocEffectiveOperator(O0, pOperA, pOld.data(), pNew.data(), pOld.data(), pNew.data(), 0.0);
    const double* mass[4] = {nullptr, pMassLower, pMassDiag, pMassUpper};
    const int dj[8] = {0, -1, -1, 0, 0, 0, 1, 1}, dk[8] = {0, -1, 0, -1, 0, 1, 0, 1};
    for (int i = 1; i <= N; i++) {
        double lhs = 0, rhs = 0;
        for (int q = 1; q <= 3; q++) {
            const int j = i + q - 2;
            if (j < 1 || j > N) continue;
            const double da = aNew[j] - aOld[j], am = 0.5 * (aNew[j] + aOld[j]);
            lhs += M[q][i] * da / dt + (O[q][i] - O0[q][i]) * am;
            rhs += mass[q][i] * da / dt;
        }
        for (int q = 1; q <= 7; q++) {
            const int j = i + dj[q], k = i + dk[q];
            if (j < 1 || j > N || k < 1 || k > N) continue;
            rhs += pComplexMass[q][i] * (aNew[j] * pNew[k] - aOld[j] * pOld[k]) / dt;
        }
        ASSERT_NEAR(lhs, rhs, 1e-12 * std::fabs(rhs) + 1e-16) << "row " << i;
    }
}
