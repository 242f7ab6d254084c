// Single-species sedimentation equilibrium: the kernels, the run and the fit
// on scan files written by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/equilibrium/equilibrium_fixture.h"
#include "analyses/equilibrium/single_species.h"
#include "app/app_globals.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

using namespace eqtest;

namespace {

// The fitted TI noise minus the added profile over the window (mean and
// largest deviation from the mean), and the same for the RI offsets.
struct NoiseSplit {
    double tiMean = 0, tiSpread = 0, riMean = 0, riSpread = 0;
};

NoiseSplit noiseSplit(const std::vector<EqScan>& scans)
{
    NoiseSplit n;
    std::vector<double> ti, ri;
    for (int p = nNoiseGridFirst; p <= nNoiseGridLast; ++p) ti.push_back(pTINoiseSaved[p] - tiProfile(pNoiseGrid[p]));
    for (int s = 1; s <= nScans; ++s) ri.push_back(pRINoiseSaved[s] - scans[s - 1].ri);
    auto stats = [](const std::vector<double>& v, double* pMean, double* pSpread) {
        double m = 0;
        for (double d : v) m += d;
        m /= v.size();
        double spread = 0;
        for (double d : v) spread = std::max(spread, std::fabs(d - m));
        *pMean = m;
        *pSpread = spread;
    };
    stats(ti, &n.tiMean, &n.tiSpread);
    stats(ri, &n.riMean, &n.riSpread);
    return n;
}

void setMolarMass(float fM, int nFloat)
{
    pSpeciesMw[1] = pParamValue[1] = fM;
    pParamFloat[1] = nFloat;
}

}  // namespace

TEST(EquilibriumKernel, OneAtTheReferenceRadiusAndForNoMass)
{
    EXPECT_EQ(equilibriumExponential(7.05, 13564.6, 20000, 20, 7.05), 1.0);
    EXPECT_EQ(equilibriumExponential(6.9, 0.0, 20000, 20, 7.05), 1.0);
    // omega from single-precision pi, R = 8.314472e7
    const double omega = 2.0 * double(3.14159265358979f) * 15000 / 60.0;
    EXPECT_DOUBLE_EQ(equilibriumExponential(7.2, 13564.6, 15000, 4, 7.05),
                     std::exp(13564.6 * omega * omega * (7.2 * 7.2 - 7.05 * 7.05) / (2 * 8.314472e7 * 277.15)));
}

TEST_F(EquilibriumFitTest, KernelsUseEachScansSpeedAndTemperature)
{
    std::vector<EqScan> scans = Experiment();
    scans[1].temperature = 4.0;
    Load(WriteScans(scans), true, true);
    ASSERT_EQ(nScans, 3);
    setMolarMass(50000.0f, 1);
    ASSERT_TRUE(allocEquilibriumArrays());
    bEquilibriumInFit = 1;
    runEquilibriumSingleSpecies(window.get());
    bEquilibriumInFit = 0;
    const double r0 = (kMeniscus + kBottom) / 2.0;
    EXPECT_NEAR(dEqReferenceRadius, r0, 1e-6);
    const int p = nNoiseGridLast;
    const double mb = 50000.0 * (1.0 - fVbarRho);
    for (int i = 1; i <= 3; ++i) {
        const double expected = exponential(pNoiseGrid[p], mb, scans[i - 1].rpm, scans[i - 1].temperature, r0);
        EXPECT_NEAR(pLammSolutions[i][i][p] / expected, 1.0, 1e-6) << "scan " << i;
        // and one grid point beyond the window on either side
        EXPECT_GT(pLammSolutions[i][i][nNoiseGridFirst - 1], 0.0f);
        EXPECT_GT(pLammSolutions[i][i][nNoiseGridLast + 1], 0.0f);
        EXPECT_EQ(pLammSolutions[i][i][nNoiseGridLast + 2], 0.0f);
    }
    // no mass: every kernel is 1 across the cell
    setMolarMass(0.0f, 1);
    bEquilibriumInFit = 1;
    runEquilibriumSingleSpecies(window.get());
    bEquilibriumInFit = 0;
    for (int i = 1; i <= 3; ++i)
        for (int q = nNoiseGridFirst - 1; q <= nNoiseGridLast + 1; ++q) ASSERT_EQ(pLammSolutions[i][i][q], 1.0f);
    freeLammSolutionStore(nScans);
    freeNormalArrays(nScans);
}

TEST_F(EquilibriumFitTest, FitGivesTheMolarMassAndSplitsTheNoise)
{
    const std::vector<EqScan> scans = Experiment();
    SetRadialResolution("0.002");
    Load(WriteScans(scans));
    ASSERT_EQ(nScans, 3);
    setMolarMass(40000.0f, 1);
    // slot 2 is species 2's M (docs/models.md), which this model leaves alone
    pSpeciesMw[2] = pParamValue[2] = 30000.0f;
    fitEquilibriumSingleSpecies(window.get());
    EXPECT_NEAR(pSpeciesMw[1], 50000.0, 50.0);
    EXPECT_EQ(pParamValue[1], pSpeciesMw[1]);
    EXPECT_EQ(pParamValue[2], 30000.0f);
    EXPECT_LT(fRmsd, 1e-5f);
    EXPECT_TRUE(bModelComputed);
    const NoiseSplit n = noiseSplit(scans);
    EXPECT_LT(n.riSpread, 1e-4);
    EXPECT_LT(n.tiSpread, 1e-4);
    EXPECT_NEAR(n.tiMean, -n.riMean, 1e-4);
    char szLines[3][120];
    formatEquilibriumFitStep(szLines);
    const double mb = std::atof(szLines[2] + std::string("buoyant molar mass = ").size());
    EXPECT_NEAR(mb, 13564.6, 13.6) << szLines[2];
}

TEST_F(EquilibriumFitTest, DiffusionParametrisationTakesEachScansTemperature)
{
    // s = 4 S, D = 6e-7 cm^2/s: the buoyant molar mass s R T / D at 4 and 20 C
    auto mb = [](double t) { return 4e-13 * 8.31451e7 * (t + 273.15) / 6e-7; };
    std::vector<EqScan> scans = Experiment();
    scans[0].temperature = 4.0;
    for (EqScan& s : scans) s.mb = mb(s.temperature);
    SetRadialResolution("0.002");
    Load(WriteScans(scans), true, true);
    bUseMolarMass = 0;
    pSpeciesS[1] = pParamValue[5] = 4.0f;
    setMolarMass(6.0f, 0);
    EXPECT_NEAR(equilibriumBuoyantMass(4.0), mb(4.0), 1e-3);
    EXPECT_NEAR(equilibriumBuoyantMass(20.0), mb(20.0), 1e-3);
    runEquilibriumSingleSpecies(window.get());
    EXPECT_LT(fRmsd, 1e-5f);
    EXPECT_DOUBLE_EQ(dEqTemperature, 20.0);
    char szLines[3][120];
    formatEquilibriumFitStep(szLines);
    EXPECT_NEAR(std::atof(szLines[2] + std::string("buoyant molar mass = ").size()), mb(20.0), 1.0) << szLines[2];
}

TEST_F(EquilibriumFitTest, FixedMolarMassComputesNoSimplex)
{
    const std::vector<EqScan> scans = Experiment();
    SetRadialResolution("0.002");
    Load(WriteScans(scans));
    setMolarMass(50000.0f, 0);
    fitEquilibriumSingleSpecies(window.get());
    EXPECT_EQ(nSimCount, 0);
    EXPECT_EQ(nStepSimCount, 0);
    EXPECT_EQ(nFitSteps, 1);
    EXPECT_EQ(pSpeciesMw[1], 50000.0f);
    EXPECT_LT(fRmsd, 1e-5f);
    EXPECT_TRUE(bModelComputed);
    EXPECT_EQ(pLammSolutions, nullptr);  // the work arrays are released
    // the model curves follow the data inside the fit limits
    for (int s = 1; s <= nScans; ++s)
        for (int k = pFitFirstIndex[s]; k <= pFitLastIndex[s]; ++k)
            ASSERT_NEAR(ppFit[s][k], ppSignal[s][k], 2e-5f) << "scan " << s << " point " << k;
}

TEST_F(EquilibriumFitTest, OneSpeedAndTemperatureLeaveTheTINoiseOut)
{
    // One scan, or scans at one speed and temperature with equal amplitudes:
    // a TI profile could take the whole species and every molar mass would
    // fit perfectly. Without TI noise the curvature gives M from any start.
    const char* szLeftOut = "the time-invariant noise cannot be told from the species";
    std::vector<EqScan> one = {Experiment()[1]};
    one[0].ti = 0.0;
    std::vector<EqScan> equal(3, one[0]);
    equal[0].ri = 0.01;
    equal[2].ri = 0.03;
    SetRadialResolution("0.002");
    for (const std::vector<EqScan>& scans : {one, equal}) {
        Load(WriteScans(scans), false);
        ASSERT_EQ(nScans, static_cast<int>(scans.size()));
        for (float fStart : {30000.0f, 90000.0f}) {
            setMolarMass(fStart, 1);
            win::headless::Script script;
            script.expectMessageBox(szLeftOut, win::IDOK);
            fitEquilibriumSingleSpecies(window.get());
            EXPECT_EQ(script.pending(), 0u);
            EXPECT_NEAR(pSpeciesMw[1], 50000.0, 50.0) << nScans << " scans from " << fStart;
            EXPECT_LT(fRmsd, 1e-5f);
            EXPECT_FALSE(bFitTINoise);
            for (int p = 1; p <= nNoiseGridPoints; ++p) ASSERT_EQ(pTINoiseSaved[p], 0.0f);
            for (int s = 1; s <= nScans; ++s) EXPECT_NEAR(pRINoiseSaved[s], scans[s - 1].ri, 1e-4) << s;
        }
        // Run says so as well, and its rmsd tells a wrong mass from the right one
        win::headless::Script script;
        script.expectMessageBox(szLeftOut, win::IDOK).expectMessageBox(szLeftOut, win::IDOK);
        setMolarMass(50000.0f, 1);
        runEquilibriumSingleSpecies(window.get());
        const float fRight = fRmsd;
        setMolarMass(30000.0f, 1);
        runEquilibriumSingleSpecies(window.get());
        EXPECT_GT(fRmsd, 100.0f * fRight);
        EXPECT_EQ(script.pending(), 0u);
    }
}

TEST_F(EquilibriumFitTest, MissingMeniscusOrBottomComputesNothing)
{
    Load(WriteScans(Experiment()));
    fBottom = 0.0f;
    win::headless::Script script;
    script.expectMessageBox("set Meniscus and Bottom first", win::IDOK);
    fitEquilibriumSingleSpecies(window.get());
    EXPECT_FALSE(bModelComputed);
    EXPECT_EQ(pLammSolutions, nullptr);
    EXPECT_EQ(script.pending(), 0u);
}

namespace {

// Two or three scans in memory at the same radii, eight unless asked (one
// noise grid shared with the scans): signal = 0.25 p + RI offset (+ an
// exponential with the given amplitudes), rising speeds, 20 C.
void installExactScans(const std::vector<double>& amplitudes, double dMb, int nPoints = 8)
{
    std::vector<scantest::MemoryScan> memory;
    for (size_t i = 0; i < amplitudes.size(); ++i) {
        scantest::MemoryScan m;
        for (int p = 1; p <= nPoints; ++p) m.r.push_back(6.5f + 0.01f * (p - 1));
        m.time = 1000.0 * (i + 1);
        memory.push_back(m);
    }
    for (size_t i = 0; i < amplitudes.size(); ++i)
        for (int p = 1; p <= nPoints; ++p) {
            const double k = exponential(memory[i].r[p - 1], dMb, 15000.0 + 5000.0 * i, 20.0, 6.5);
            memory[i].s.push_back(static_cast<float>(0.25 * p + 0.5 + i + amplitudes[i] * k));
        }
    scantest::installScans(memory);
    for (int i = 1; i <= nScans; ++i) {
        pScanHeaders[i].rpm = 15000.0f + 5000.0f * (i - 1);
        pScanHeaders[i].temperature = 20.0f;
    }
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.0f;
    bUseMolarMass = 1;
}

}  // namespace

class EquilibriumExactFit : public scantest::LoadingTest {};

TEST_F(EquilibriumExactFit, APerfectFitOfZeroEndsTheRestarts)
{
    // no species at all: the data are TI noise plus RI offsets, exact in
    // binary, so every molar mass fits with an rmsd of exactly 0; the
    // restarts end although the previous value is 0
    installExactScans({0.0, 0.0}, 0.0);
    fFitLeftLim = ppRadius[1][1];
    fFitRightLim = ppRadius[1][8];
    setupNoiseRadialGrid();
    ASSERT_EQ(nNoiseGridFirst, 1);
    ASSERT_EQ(nNoiseGridLast, 8);
    setMolarMass(50000.0f, 1);
    win::headless::Script script;
    // every vertex at 0: the simplex has converged (it used to run to its
    // evaluation limit and say "Nelder-Mead not converged", twice)
    fitEquilibriumSingleSpecies(&window);
    EXPECT_EQ(fRmsd, 0.0f);
    EXPECT_EQ(script.pending(), 0u);
    // the window reaches both ends of the grid: the TI noise is the data's
    for (int p = 1; p <= 8; ++p) EXPECT_FLOAT_EQ(pTINoiseSaved[p] + pRINoiseSaved[1], ppSignal[1][p]);
}

// The model shown depends on the data and the parameters only, not on what a
// model run before left in the scans' model parts: on scans of eight points,
// a table too short to interpolate the model curves from, the same run after
// leftovers of 0 and of 7.5 at every point gives the same curves, at the
// first point too (the species is there: amplitudes 0.3 and 0.6 of a
// 13.6 kDa buoyant mass).
TEST_F(EquilibriumExactFit, TheModelShownIgnoresWhatAnEarlierModelLeft)
{
    installExactScans({0.3, 0.6}, 13564.6);
    fFitLeftLim = ppRadius[1][1];
    fFitRightLim = ppRadius[1][8];
    setupNoiseRadialGrid();
    setMolarMass(50000.0f, 1);
    std::vector<std::vector<float>> fits[2];
    const float leftovers[2] = {0.0f, 7.5f};
    for (int run = 0; run < 2; ++run) {
        for (int s = 1; s <= nScans; ++s)
            for (int k = 1; k <= pScanPoints[s]; ++k) ppModelPart[s][k] = ppFit[s][k] = leftovers[run];
        runEquilibriumSingleSpecies(&window);
        for (int s = 1; s <= nScans; ++s) fits[run].emplace_back(ppFit[s] + 1, ppFit[s] + pScanPoints[s] + 1);
    }
    ASSERT_EQ(fits[0].size(), 2u);
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 8; ++k) EXPECT_EQ(fits[1][s][k], fits[0][s][k]) << "scan " << s + 1 << ", point " << k + 1;
}

TEST_F(EquilibriumExactFit, TiNoiseOutsideTheWindowOnTheStraightLine)
{
    // twelve points: the model curves are interpolated from the grid (a table
    // of eight is too short for that)
    installExactScans({0.3, 0.6, 0.2}, 13564.6, 12);
    // the run at 50000 g/mol over the window of grid points nFirst to nLast
    auto runWindow = [&](int nFirst, int nLast) {
        fFitLeftLim = ppRadius[1][nFirst];
        fFitRightLim = ppRadius[1][nLast];
        setupNoiseRadialGrid();
        ASSERT_EQ(nNoiseGridFirst, nFirst);
        ASSERT_EQ(nNoiseGridLast, nLast);
        setMolarMass(50000.0f, 1);
        runEquilibriumSingleSpecies(&window);
    };
    for (int nFirst : {2, 3})
        for (int nLast : {10, 11}) {
            runWindow(nFirst, nLast);
            if (HasFatalFailure()) return;
            ASSERT_LT(fRmsd, 1e-5f);
            const float* r = pNoiseGrid;
            const float* ti = pTINoiseSaved;
            auto line = [&](int p, int a, int b) { return ti[a] + (r[p] - r[a]) * (ti[b] - ti[a]) / (r[b] - r[a]); };
            for (int p = nFirst - 1; p >= std::max(1, nFirst - 2); --p)
                EXPECT_NEAR(ti[p], line(p, nFirst, nFirst + 1), 1e-5f) << nFirst << " " << p;
            for (int p = nLast + 1; p <= std::min(12, nLast + 2); ++p)
                EXPECT_NEAR(ti[p], line(p, nLast - 1, nLast), 1e-5f) << nLast << " " << p;
            // The kernels reach one grid point beyond the window on either
            // side, and the TI profile of these data is a straight line: the
            // model meets the data there as well as inside.
            for (int s = 1; s <= nScans; ++s)
                for (int k = nFirst - 1; k <= nLast + 1; ++k)
                    EXPECT_NEAR(ppFit[s][k], ppSignal[s][k], 1e-4f) << nFirst << " " << nLast << " " << s << " " << k;
        }

    // No species and the same data in both scans, the TI profile with a step
    // of 1 on the window's first point (a scratch): the TI noise over the
    // window is the data less their mean over it, and drawing the line beyond
    // the window leaves its first two points as they are, to the last bit.
    installExactScans({0.0, 0.0}, 0.0, 12);
    for (int nFirst : {2, 3})
        for (int nLast : {10, 11}) {
            for (int s = 1; s <= nScans; ++s)
                for (int p = 1; p <= 12; ++p)
                    ppSignal[s][p] = static_cast<float>(tiProfile(ppRadius[1][p]) + (p == nFirst ? 1.0 : 0.0));
            runWindow(nFirst, nLast);
            if (HasFatalFailure()) return;
            EXPECT_EQ(fRmsd, 0.0f);
            double dMean = 0.0;
            for (int p = nFirst; p <= nLast; ++p) dMean += ppSignal[1][p];
            dMean /= nLast - nFirst + 1;
            for (int p = nFirst; p <= nLast; ++p)
                EXPECT_EQ(pTINoiseSaved[p], static_cast<float>(ppSignal[1][p] - dMean)) << nFirst << " " << nLast << " " << p;
        }
}

TEST_F(EquilibriumExactFit, AMassBeyondTheFloatRangeFailsTheEvaluation)
{
    installExactScans({0.3, 0.6, 0.2}, 13564.6, 12);
    fFitLeftLim = ppRadius[1][2];
    fFitRightLim = ppRadius[1][11];
    setupNoiseRadialGrid();
    ASSERT_EQ(nNoiseGridLast, 11);
    // 1e7 g/mol at 25000 rpm: the kernel at the grid point beyond the window
    // is larger than the largest float
    const float fLarge = 1e7f;
    ASSERT_GT(exponential(pNoiseGrid[12], fLarge * (1.0 - fVbarRho), 25000.0, 20.0, 6.5), double(FLT_MAX));

    // Run says so and computes nothing: amplitudes 0 and rmsd 1e10, as after
    // a failed solve (docs/analyses.md); it gave an rmsd that was not a number
    setMolarMass(fLarge, 1);
    bModelComputed = 0;
    win::headless::Script script;
    script.expectMessageBox("too large for the rotor speeds", win::IDOK);
    runEquilibriumSingleSpecies(&window);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(fRmsd, 1e10f);
    ASSERT_FALSE(bModelComputed);
    if (pNESolution)
        for (int s = 1; s <= nScans; ++s) EXPECT_EQ(pNESolution[s], 0.0) << s;

    // An evaluation of the fit returns the 1e10 of an evaluation that computed
    // no model (docs/fitting.md), quietly; a mass in range fits the data again.
    float pVertex[2] = {0.0f, fLarge};
    ASSERT_EQ(equilibriumObjective(pVertex, &window), 1e10f);
    pVertex[1] = 50000.0f;
    ASSERT_LT(equilibriumObjective(pVertex, &window), 1e-5f);

    // A fit that starts there ends there: every vertex fails alike. It used to
    // restart for ever, saying "Nelder-Mead not converged" every time.
    setMolarMass(5e6f, 1);
    fitEquilibriumSingleSpecies(&window);
    EXPECT_EQ(fRmsd, 1e10f);
    EXPECT_NEAR(pSpeciesMw[1], 5e6f, 0.5e6f);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(EquilibriumFitTest, EndToEndThroughTheMenu)
{
    // Load Equilibrium Data, the single-species model (284), Run (213), Fit (215)
    const std::vector<EqScan> scans = Experiment();
    SetRadialResolution("0.002");
    Load(WriteScans(scans));
    bWizardMessages = 0;  // residuals at the rounding level need no advice
    win::headless::Script script;
    Run(script, 284);
    EXPECT_TRUE(bEquilibriumDiscrete);
    setMolarMass(50000.0f, 0);
    Run(script, 213);
    EXPECT_TRUE(bModelComputed);
    EXPECT_LT(fRmsd, 1e-5f);

    setMolarMass(40000.0f, 1);
    Run(script, 215);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NEAR(pSpeciesMw[1], 50000.0, 50.0);
    EXPECT_LT(fRmsd, 1e-5f);
    const NoiseSplit n = noiseSplit(scans);
    EXPECT_LT(n.riSpread, 1e-5);
    EXPECT_LT(n.tiSpread, 1e-5);
    EXPECT_NEAR(n.tiMean, -n.riMean, 1e-5);
    char szLines[3][120];
    formatEquilibriumFitStep(szLines);
    EXPECT_NEAR(std::atof(szLines[2] + std::string("buoyant molar mass = ").size()), 13564.6, 13.6) << szLines[2];
    win::headless::processMessages();
}
