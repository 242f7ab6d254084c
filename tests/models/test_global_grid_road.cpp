// The global-grid road of the discrete species: the automatic algorithm, the
// rotor ramp, speed steps, the dynamic grid size, the retries of a failed
// propagation and the species that are not propagated.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "distributions/step_profiles.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/propagators.h"
#include "fegrid/radial_profile_filters.h"
#include "fitting/fit_globals.h"
#include "fitting/linear_parts.h"
#include "lamm/lamm_globals.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"

using namespace win;

namespace {

class GlobalGridRoadTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        OpenWindow();
    }
    // Scans of the experiment, the discrete model with one species of s (S)
    // and D (cm^2/s) at loading 1, the settings that keep the grid small.
    void install(const gridtest::Experiment& e, double s, double D)
    {
        gridtest::installExperiment(e);
        fTemperatureK = float(e.temperature + 273.15);
        fRT = float(8.31451e7 * fTemperatureK);
        bModelDiscreteSpecies = 1;
        for (int k = 1; k <= 4; k++) pSpeciesIncluded[k] = 0;
        setSpecies(1, s, D, 1.0f);
        bAutoDynamicGridSize = 0;
        bOptimizeGridSpacing = 0;
        nDefaultGridSize = nGridPoints = 200;
    }
    static void setSpecies(int k, double s, double D, float c)
    {
        pSpeciesIncluded[k] = 1;
        pSpeciesS[k] = float(s);
        pSpeciesMw[k] = float(D * 1e7);
        pSpeciesConc[k] = c;
        globalsToParamVector();
    }
    bool evaluate() { return evaluateOnGlobalGrid(window.get()); }
    static bool allZero(int k)
    {
        for (int j = 1; j <= pScanPoints[k]; j++)
            if (ppFit[k][j] != 0.0f) return false;
        return true;
    }
};

}  // namespace

// At 60000 rpm the norm of 5 S is 1.25 S: below it Claverie, above it the
// moving hat (with the automatic s grid), at it the algorithm in force; the
// switch stays in the user's settings. With grid optimisation and the
// dynamic grid size the optimised norm (60, here 15 S) is used.
TEST_F(GlobalGridRoadTest, AutomaticAlgorithmByTheNormalisedS)
{
    gridtest::Experiment e;
    e.rpm = 60000;
    e.nScans = 3;
    install(e, 1.2, 6e-7);
    bFaxenApproximation = 1;  // no propagation needed for the choice
    bClaverie = 0;
    bMovingHat = 1;
    bAutoSGrid = 0;
    bFixedTimestep = 1;
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bClaverie, 1);
    EXPECT_EQ(bMovingHat, 0);
    EXPECT_EQ(bFixedTimestep, 0);

    setSpecies(1, 1.25, 6e-7, 1.0f);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bClaverie, 1);

    setSpecies(1, 1.3, 6e-7, 1.0f);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bClaverie, 0);
    EXPECT_EQ(bMovingHat, 1);
    EXPECT_EQ(bAutoSGrid, 1);
    EXPECT_TRUE(pFeGridRadius != nullptr);  // the grid was made for the moving hat

    setSpecies(1, 1.25, 6e-7, 1.0f);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bMovingHat, 1);

    bOptimizeGridSpacing = bAutoDynamicGridSize = 1;
    setSpecies(1, 14.0, 6e-7, 1.0f);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bClaverie, 1);
}

// The rotor ramp from the first scan's header; an acceleration phase under
// 10 s is no phase at all.
TEST_F(GlobalGridRoadTest, ShortAccelerationDisablesTheRamp)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 4, 6e-7);
    bFaxenApproximation = 1;
    bRampRotorSpeed = 1;
    for (int k = 1; k <= nScans; k++) {
        pScanHeaders[k].accelTime = 9.9;
        pScanHeaders[k].accelRate = 300;
    }
    dOmegaNow = 0;
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bRotorAccelerating, 0);
    EXPECT_EQ(dAccelerationTime, 0.0);
    EXPECT_EQ(dOmega, e.rpm);
    EXPECT_EQ(dOmegaNow, e.rpm);
    EXPECT_EQ(dMaxAccelTimeStep, 10.0);

    pScanHeaders[pScanTimeOrder[1]].accelTime = 180;
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(dAccelerationTime, 180.0);
    EXPECT_EQ(dAngularAcceleration, 300.0);
    EXPECT_EQ(bRotorAccelerating, 1);
}

// Speed steps cannot be propagated on the global grid: each included species
// says so, and its model stays zero.
TEST_F(GlobalGridRoadTest, SpeedStepsAreRefusedPerSpecies)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 4, 6e-7);
    setSpecies(3, 2, 5e-7, 0.3f);
    bUsingSpeedSteps = 1;
    headless::Script script;
    script.expectMessageBox("ERROR in simulation", IDOK).expectMessageBox("ERROR in simulation", IDOK);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(script.pending(), 0u);
    int n = 0;
    for (const std::string& line : headless::transcript())
        if (line.find("Cannot account for variable rotor speed in this model!") != std::string::npos) n++;
    EXPECT_EQ(n, 2);
    for (int k = 1; k <= nScans; k++) EXPECT_TRUE(allZero(k)) << k;
    bUsingSpeedSteps = 0;
}

// The grid from the boundary's spread when it reaches the first fitted radius:
// 5 S, 6e-7 cm^2/s, 50000 rpm, first fitted radius 6.05 cm, no ramp.
TEST_F(GlobalGridRoadTest, DynamicGridSize)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 5, 6e-7);
    VBAR = 0.73f;
    fVbarRho = VBAR * fBufferDensity;
    int j = 1;
    while (ppRadius[1][j] < 6.05f) j++;
    pFitFirstIndex[1] = j;
    ppRadius[1][j] = 6.05f;
    bAutoDynamicGridSize = 1;
    bOptimizeGridSpacing = 1;
    bFaxenApproximation = 1;
    bAutoFEAlgorithm = 0;
    bClaverie = 0;
    bMovingHat = 1;
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(fDynGridEquidistantSize, 315.0f);
    EXPECT_EQ(fDynGridGeometricSize, 289.0f);
    // the frictional ratio by another route: f = kT/D (Einstein), M from
    // Svedberg's s = M (1 - vbar rho) / (N_A f), f0 = 6 pi eta R0 of the
    // sphere of M in water at 20 C
    {
        const double kB = 1.380649e-16, NA = 6.02214076e23, T = 293.15, eta = 0.01002 * RELVISCOSITY;
        const double f = kB * T / 6e-7;
        const double M = 5e-13 * NA * f / (1.0 - 0.73 * fBufferDensity);
        const double R0 = std::cbrt(3.0 * M * 0.73 / (4.0 * M_PI * NA));
        const double ratio = f / (6.0 * M_PI * eta * R0);
        EXPECT_NEAR(fFrictionalRatioEstimate, ratio, 1e-3 * ratio);
    }
    EXPECT_EQ(nGridPointsAllocated, 289);
    bClaverie = 1;
    bMovingHat = 0;
    freeRadialGridArrays();
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(nGridPointsAllocated, 315);
}

// Every run starts from the Lamm settings' max dc/c, with its low and high
// limits at 0.05 and 0.2 of it (docs/fegrid.md), whatever a run before left
// (negative trial values halve the three for the rest of a run).
TEST_F(GlobalGridRoadTest, EachRunStartsFromTheStepLimitsOfMaxDcOverC)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 2, 6e-7);
    bAutoFEAlgorithm = 0;
    bClaverie = 1;
    bMovingHat = 0;
    for (double dcc : {2.0, 0.5}) {
        dMaxDcOverC = dcc;
        dMaxDcOverCWork = dMaxDcOverCLow = dMaxDcOverCHigh = dcc / 1024;
        ASSERT_TRUE(evaluate());
        EXPECT_EQ(dMaxDcOverCWork, dcc);
        EXPECT_DOUBLE_EQ(dMaxDcOverCLow, dcc / 20);
        EXPECT_DOUBLE_EQ(dMaxDcOverCHigh, dcc / 5);
    }
}

// A propagation that keeps failing runs the retries in their order (the same
// algorithm without truncation, the moving hat, Claverie again with the
// meniscus repaired) and shows the message of the last attempt only; the
// user's truncation comes back, Claverie is restored with its grid size.
TEST_F(GlobalGridRoadTest, RetriesOfAFailedPropagation)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 4, 6e-7);
    VBAR = 0.73f;
    fVbarRho = VBAR * fBufferDensity;
    bAutoDynamicGridSize = 1;
    bAutoFEAlgorithm = 0;
    bClaverie = 1;
    bMovingHat = 0;
    bAutoSGrid = 1;
    dSGrid = 0;
    bTruncateGrid = 1;
    bSedimentationTimeOffset = 1;
    fStartTime = 50;
    globalsToParamVector();
    dMaxDcOverC = 0;  // no step is ever good enough
    headless::Script script;
    script.expectMessageBox("DISCRETIZATION ERROR", IDOK);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bDiscretizationError, 1);
    EXPECT_EQ(dSGrid, 4.0);  // the moving hat ran (its automatic s grid)
    EXPECT_EQ(bClaverie, 1);
    EXPECT_EQ(bMovingHat, 0);
    EXPECT_EQ(bFixedTimestep, 0);
    EXPECT_EQ(bTruncateGrid, 1);
    EXPECT_EQ(bApplyMeniscusCorrection, 0);
    EXPECT_EQ(nGridPointsAllocated, int(fDynGridEquidistantSize));
    EXPECT_GE(dSimTime, 50.0);  // the last attempt, too, started at the start time
    EXPECT_LT(dSimTime, 60.0);

    // without Claverie: the moving hat twice, one message
    bClaverie = 0;
    bMovingHat = 1;
    script.expectMessageBox("DISCRETIZATION ERROR", IDOK);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bMovingHat, 1);
    EXPECT_EQ(bClaverie, 0);
    EXPECT_EQ(bFixedTimestep, 1);  // the moving hat's fixed step stays on

    // From the first scan as the initial distribution nothing is retried (a
    // retry starts from the constant loading): the one attempt on Claverie
    // and its message. The Lamm preferences carry the experimental flag
    // alone, so after a start with that option the constant flag is set too.
    bClaverie = 1;
    bMovingHat = 0;
    bFixedTimestep = 0;
    dSGrid = 0;
    bExperimentalInitialDistribution = 1;
    bConstantInitialDistribution = 1;
    const int nFirst = pScanTimeOrder[1];
    for (int j = 1; j <= pScanPoints[nFirst]; j++) ppSignal[nFirst][j] = 1.0f;
    script.expectMessageBox("DISCRETIZATION ERROR", IDOK);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bDiscretizationError, 1);
    EXPECT_EQ(dSGrid, 0.0);  // the moving hat never ran
    EXPECT_EQ(bClaverie, 1);
    EXPECT_EQ(bUseInitialData, 1);
}

// Species that are not propagated: nothing sediments (the loading
// everywhere), no diffusion (the sharp boundary), the Faxen approximation
// (the closed-form boundary), equilibrium data (the exponential).
TEST_F(GlobalGridRoadTest, ConstantSharpAndEquilibriumSpecies)
{
    gridtest::Experiment e;
    e.nScans = 4;
    install(e, 0, 0);
    pSpeciesConc[1] = 0.6f;
    globalsToParamVector();
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bModelConstantSignal, 1);
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ASSERT_EQ(ppFit[k][j], 0.6f);

    setSpecies(1, 4, 0, 0.6f);
    ASSERT_TRUE(evaluate());
    std::vector<float> y(e.nPoints + 1);
    const double w = e.rpm * 2 * M_PI / 60;
    dAreaFractionS = w * w * 4e-13;
    for (int k = 1; k <= nScans; k++) {
        stepFunctionProfile(0.6f, pScanHeaders[k].time, ppRadius[k], y.data(), e.nPoints);
        for (int j = 1; j <= e.nPoints; j++) ASSERT_EQ(ppFit[k][j], y[j]) << k << " " << j;
    }
    // it warns only in a sedimenting co-solute, whose gradient it does not
    // know: not with that kind left chosen while the solvent model is off, nor
    // in a compressible solvent, here of compressibility 0: water throughout,
    // the same boundary
    std::vector<std::vector<float>> sharp(nScans + 1);
    for (int k = 1; k <= nScans; k++) sharp[k].assign(ppFit[k], ppFit[k] + e.nPoints + 1);
    bCompressibleSolvent = 0;
    ASSERT_TRUE(evaluate());
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= e.nPoints; j++) ASSERT_EQ(ppFit[k][j], sharp[k][j]) << k << " " << j;
    bInhomogeneousSolvent = bCompressibleSolvent = 1;
    dSolventCompressibility = 0.0;
    ASSERT_TRUE(evaluate());
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= e.nPoints; j++) ASSERT_NEAR(ppFit[k][j], sharp[k][j], 2e-5) << k << " " << j;
    bInhomogeneousSolvent = 0;
    // the loading solved linearly (no noise): the boundary goes into the
    // species' basis, and the loading of data of 0.9 times the radial
    // dilution exp(-2 s w^2 t) beyond r = m exp(s w^2 t) comes out 0.9, the
    // fit the data
    for (int k = 1; k <= nScans; k++) {
        const double wt = w * w * 4e-13 * pScanHeaders[k].time;
        for (int j = 1; j <= e.nPoints; j++)
            ppSignal[k][j] = ppRadius[k][j] > e.meniscus * std::exp(wt) ? float(0.9 * std::exp(-2 * wt)) : 0.0f;
    }
    setupNoiseRadialGrid();
    bAlgebraicConcentrations = 1;
    ASSERT_TRUE(evaluate());
    linearPartsRoutine()();
    EXPECT_NEAR(pSpeciesConc[1], 0.9f, 0.01f);
    for (int k = 1; k <= nScans; k++) {
        int nOff = 0;  // only the points next to the step may differ
        for (int j = pFitFirstIndex[k]; j <= pFitLastIndex[k]; j++)
            if (std::fabs(ppFit[k][j] - ppSignal[k][j]) > 0.01f) nOff++;
        EXPECT_LE(nOff, 2) << k;
    }
    bAlgebraicConcentrations = 0;

    // the Faxen approximation: the closed-form boundary at each scan's time,
    // for s w^2 of 4 S at the rotor's speed; beyond the boundary, at the last
    // radius, the plateau of the radial dilution, 0.6 exp(-2 s w^2 t)
    bFaxenApproximation = 1;
    setSpecies(1, 4, 6e-7, 0.6f);
    ASSERT_TRUE(evaluate());
    EXPECT_NEAR(dAreaFractionS, w * w * 4e-13, 1e-6 * w * w * 4e-13);
    for (int k = 1; k <= nScans; k++)
        EXPECT_NEAR(ppFit[k][e.nPoints], 0.6 * std::exp(-2 * w * w * 4e-13 * pScanHeaders[k].time), 1e-4) << k;
    for (int k = 1; k <= nScans; k++) {
        approximateBoundaryProfile(0.6f, pScanHeaders[k].time, ppRadius[k], y.data(), e.nPoints,
                                   float(dAreaFractionS), 6e-7f, fMeniscus);
        for (int j = 1; j <= e.nPoints; j++) ASSERT_EQ(ppFit[k][j], y[j]) << k << " " << j;
    }
    bFaxenApproximation = 0;

    bEquilibriumDataMode = 1;
    setSpecies(1, 1, 1e-6, 0.6f);
    ASSERT_TRUE(evaluate());
    std::vector<std::vector<float>> model(nScans + 1);
    for (int k = 1; k <= nScans; k++) model[k].assign(ppFit[k], ppFit[k] + e.nPoints + 1);
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= e.nPoints; j++) ppFit[k][j] = 0;
    nSimSpeciesIndex = 1;
    equilibriumExponentialPerScan(1e-13 * fRT / 1e-6, 0.6);
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= e.nPoints; j++) ASSERT_FLOAT_EQ(model[k][j], ppFit[k][j]);
    // by M: the Boltzmann distribution of the buoyant mass M (1 - vbar rho),
    // ln c rising by M (1 - vbar rho) w^2 (r2^2 - r1^2) / (2 R T)
    bUseMolarMass = 1;
    VBAR = 0.73f;
    fBufferDensity = 1.0f;
    fVbarRho = 0.73f;
    pSpeciesMw[1] = 10000.0f;
    globalsToParamVector();
    ASSERT_TRUE(evaluate());
    const double RT = 8.314462618e7 * (e.temperature + 273.15);
    for (int k = 1; k <= nScans; k++) {
        const double r1 = ppRadius[k][50], r2 = ppRadius[k][450];
        const double Mb = 2 * RT * std::log(double(ppFit[k][450]) / ppFit[k][50]) / (w * w * (r2 * r2 - r1 * r1));
        EXPECT_NEAR(Mb, 10000 * 0.27, 3) << k;
    }
    bEquilibriumDataMode = 0;
}

// A species in a sedimenting co-solute is propagated with it; a co-solute
// without density or viscosity tables is water everywhere, so the plateau is
// the radial dilution exp(-2 s w^2 t) of the loading.
TEST_F(GlobalGridRoadTest, ASpeciesInASedimentingCosoluteIsPropagated)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 4, 6e-7);
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = 0;
    nSimOutputMode = 1;  // the scans' models, as CalcModel asks
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bSimulationError, 0);
    const double w = e.rpm * 2 * M_PI / 60;
    const int j = 350;  // 6.84 cm: between the boundary and the bottom's layer
    for (int k = 1; k <= nScans; k++)
        EXPECT_NEAR(ppFit[k][j], std::exp(-2 * 4e-13 * w * w * pScanHeaders[k].time), 1e-5) << k;
    // and the co-solute moved: more of it at the bottom than at the meniscus
    const double* r = nullptr;
    int n = 0;
    const double* c = cosoluteProfile(&r, &n);
    ASSERT_TRUE(c);
    EXPECT_GT(c[n], c[1]);
}

// The zone model starts from its lamella of width w at the meniscus m: the
// amount in the sector, the integral of c r dr over the cell, stays
// c0 ((m + w)^2 - m^2) / 2 while the band sediments through the cell. The
// lamella is laid on the default grid also with the dynamic grid size on: a
// dynamic grid follows the spread of a boundary from a uniform loading, and
// the few nodes it may allow would not hold the lamella's edge.
TEST_F(GlobalGridRoadTest, TheZoneStartsFromItsLamella)
{
    for (const unsigned char bDynamic : {0, 1}) {
        gridtest::Experiment e;
        e.nScans = 3;
        install(e, 4, 6e-7);
        bModelZone = 1;
        fZoneLamellaWidth = 0.1f;
        globalsToParamVector();
        nDefaultGridSize = nGridPoints = 1000;
        bAutoDynamicGridSize = bDynamic;
        nDynGridLowerLimit = nDynGridUpperLimit = 75;
        nSimOutputMode = 1;  // the scans' models, as CalcModel asks
        ASSERT_TRUE(evaluate()) << int(bDynamic);
        const double m = e.meniscus, amount = ((m + 0.1) * (m + 0.1) - m * m) / 2;
        for (int k = 1; k <= nScans; k++) {
            const float* r = ppRadius[k];
            double sum = 0;
            for (int j = 2; j <= pScanPoints[k]; j++)
                sum += 0.5 * (ppFit[k][j] * r[j] + ppFit[k][j - 1] * r[j - 1]) * (r[j] - r[j - 1]);
            EXPECT_NEAR(sum / amount, 1.0, 0.01) << int(bDynamic) << " " << k;
        }
    }
    bModelZone = 0;
}

// Light-scattering data of the intensity autocorrelation: several species are
// not solved linearly, and the model is squared at the end (g(2) - 1 =
// g(1)^2 for the two species' decays), with one measurement as with several.
// The cumulants of the same mixture, its mean D and the variance and third
// central moment of its two D values (in 1e-7, 1e-14 and 1e-21 of the cgs
// units, as the parameters hold them: mu2 / mu1^2 is the polydispersity
// shown), give exp(-D x) (1 + mu2 x^2 / 2 - mu3 x^3 / 6), x = 1e-4 q^2 tau:
// its g(1) up to the fourth moment's mu4 x^4 / 24, below 1.1e-4 (2e-4 in the
// square) while x |D - mean| is at most 0.3 for both D values.
TEST_F(GlobalGridRoadTest, IntensityAutocorrelationIsSquared)
{
    const double q = 4 * double(3.1415927f) * 1.33 * std::sin(double(90.0f) * 2 * double(3.1415927f) / 360 / 2) / double(633e-9f);
    const double p = 0.7, Da = 6e-7, Db = 2e-7;
    auto g1 = [&](double tau) { return p * std::exp(-Da * 1e-4 * q * q * tau) + (1 - p) * std::exp(-Db * 1e-4 * q * q * tau); };
    for (const int nMeasurements : {2, 1}) {
        gridtest::Experiment e;
        e.nScans = nMeasurements;
        e.nPoints = 60;
        install(e, 4, Da);
        setSpecies(2, 4, Db, float(1 - p));
        for (int k = 1; k <= nScans; k++)
            for (int j = 1; j <= e.nPoints; j++) ppRadius[k][j] = -7.0f + 6.0f * (j - 1) / (e.nPoints - 1);  // log10 lags
        bDLSData = 1;
        pDlsHeaders = new DlsScanHeader[nScans + 1]();
        for (int k = 1; k <= nScans; k++) {
            pDlsHeaders[k].refractiveIndex = 1.33f;
            pDlsHeaders[k].wavelength = 633e-9f;
            pDlsHeaders[k].angle = 90.0f;
            pDlsHeaders[k].nPoints = e.nPoints;
            pDlsHeaders[k].fieldAcf = 0;
        }
        bAlgebraicConcentrations = 1;
        ASSERT_TRUE(evaluate()) << nMeasurements;
        EXPECT_EQ(bAlgebraicConcentrations, 0) << nMeasurements;
        for (int j = 1; j <= e.nPoints; j += 5) {
            const double g = g1(std::pow(10.0, double(ppRadius[1][j])));
            EXPECT_NEAR(ppFit[1][j], g * g, 1e-6) << nMeasurements << " " << j;
        }
    }
    const double mean = p * Da + (1 - p) * Db;
    const double mu2 = p * std::pow(Da - mean, 2) + (1 - p) * std::pow(Db - mean, 2);
    const double mu3 = p * std::pow(Da - mean, 3) + (1 - p) * std::pow(Db - mean, 3);
    bModelDlsCumulants = 1;
    pSpeciesIncluded[2] = 0;
    setSpecies(1, 4, mean, 1.0f);
    pSpeciesMw[2] = float(mu2 * 1e14);
    pSpeciesMw[3] = float(mu3 * 1e21);
    globalsToParamVector();
    ASSERT_TRUE(evaluate());
    int nCompared = 0;
    for (int j = 1; j <= pScanPoints[1]; j++) {
        const double tau = std::pow(10.0, double(ppRadius[1][j]));
        if (1e-4 * q * q * tau * (mean - Db) > 0.3) break;
        const double g = g1(tau);
        EXPECT_NEAR(ppFit[1][j], g * g, 2e-4) << j;
        nCompared++;
    }
    EXPECT_GT(nCompared, 20);
    bModelDlsCumulants = 0;
}

// The dynamic grid is as fine as the boundary is wide when it first reaches
// the fit: sqrt(D t) at the time t its midpoint, r = m exp(s int w^2 dt), gets
// to the first fitted radius. Through a rotor acceleration w = alpha t that
// lasts ta, the integral is alpha^2 ta^3 / 3 + w^2 (t - ta). A first fitted
// radius the boundary passes during the acceleration (at t^3 = 3 ln(r / m) /
// (s alpha^2)) gets a grid at least as fine as that.
TEST_F(GlobalGridRoadTest, DynamicGridSizeFollowsTheBoundaryThroughTheAcceleration)
{
    for (const double rf : {6.1, 6.005}) {
        gridtest::Experiment e;
        e.nScans = 3;
        const double s = 5, D = 6e-7, rate = 200, ta = e.rpm / rate;
        install(e, s, D);
        for (int k = 1; k <= nScans; k++) {
            pScanHeaders[k].accelRate = float(rate);
            pScanHeaders[k].accelTime = float(ta);
        }
        VBAR = 0.73f;
        fVbarRho = VBAR * fBufferDensity;
        int j = 1;
        while (j < pScanPoints[1] && ppRadius[1][j] < rf) j++;
        pFitFirstIndex[1] = j;
        ppRadius[1][j] = float(rf);
        bAutoDynamicGridSize = 1;
        bOptimizeGridSpacing = 0;
        bAutoFEAlgorithm = 0;
        bClaverie = 1;
        bMovingHat = 0;
        ASSERT_TRUE(evaluate()) << rf;
        const double alpha = rate * 2 * M_PI / 60, w = e.rpm * 2 * M_PI / 60;
        const double lnr = std::log(double(float(rf)) / e.meniscus) / (s * 1e-13);
        if (lnr > alpha * alpha * ta * ta * ta / 3) {
            const double t = ta + (lnr - alpha * alpha * ta * ta * ta / 3) / (w * w);
            EXPECT_NEAR(fGridSpreadSigma / std::sqrt(D * t), 1.0, 0.01) << t;
        } else {
            const double t = std::cbrt(3 * lnr / (alpha * alpha));
            ASSERT_LT(t, ta);
            EXPECT_LE(fGridSpreadSigma, std::sqrt(D * t) * 1.01) << t;
        }
    }
}
