// The global-grid road of the self-associating models and the non-ideal single
// species: the automatic algorithm on the signed monomer s, the constant model
// of 1-2-4 without its last oligomer, the flag of a constant model decided
// anew, the experimental initial profile across an algorithm switch, the
// messages of the unsupported combinations and the Wiener skew of the
// hindered species.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_globals.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"

using namespace win;

namespace {

class InteractingRoadTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        OpenWindow();
    }
    // The scans of the experiment and a monomer-dimer of loading 1 described
    // by D (vector slots: 1 monomer D, 3 log10 Ka, 5 and 6 the s values, 11 the
    // loading); a small grid.
    void install(const gridtest::Experiment& e, float s1, float s2)
    {
        gridtest::installExperiment(e);
        fTemperatureK = float(e.temperature + 273.15);
        fRT = float(8.31451e7 * fTemperatureK);
        bModelInteracting = bModelMonomerDimer = 1;
        bUseMolarMass = 0;
        bAutoDynamicGridSize = 0;
        nDefaultGridSize = nGridPoints = 300;
        nSimOutputMode = 1;  // as the model evaluation enters the road
        slot(1, 6.0f);
        slot(3, 0.0f);
        slot(5, s1);
        slot(6, s2);
        slot(11, 1.0f);
    }
    // A slot of the vector through the species row it is packed from.
    static void slot(int i, float x)
    {
        if (i <= 4)
            pSpeciesMw[i] = x;
        else if (i <= 8)
            pSpeciesS[i - 4] = x;
        else
            pSpeciesConc[i - 8] = x;
        globalsToParamVector();
    }
    bool evaluate() { return evaluateOnGlobalGrid(window.get()); }
    // The evaluation gives the constant model: c at every point of every scan.
    void expectConstantModel(float c)
    {
        ASSERT_TRUE(evaluate());
        EXPECT_TRUE(bModelConstantSignal);
        for (int k = 1; k <= nScans; k++)
            for (int j = 1; j <= pScanPoints[k]; j++) ASSERT_EQ(ppFit[k][j], c) << "scan " << k << " point " << j;
    }
    static float spread(int k)
    {
        float lo = ppFit[k][1], hi = ppFit[k][1];
        for (int j = 1; j <= pScanPoints[k]; j++) {
            lo = std::min(lo, ppFit[k][j]);
            hi = std::max(hi, ppFit[k][j]);
        }
        return hi - lo;
    }
};

}  // namespace

// The norm of 5 S is 1.25 S at 60000 rpm; the self-associating models compare
// the signed monomer s, so a floating monomer always takes Claverie.
TEST_F(InteractingRoadTest, AutomaticAlgorithmOnTheSignedMonomerS)
{
    gridtest::Experiment e;
    e.rpm = 60000;
    e.nScans = 3;
    install(e, 3.0f, 4.0f);
    bAutoFEAlgorithm = 1;
    bClaverie = 1;
    bMovingHat = 0;
    bAutoSGrid = 0;
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bMovingHat, 1);
    EXPECT_EQ(bClaverie, 0);
    EXPECT_EQ(bAutoSGrid, 1);
    EXPECT_EQ(bFixedTimestep, 1);  // the moving hat turned it on
    EXPECT_GT(spread(pScanTimeOrder[3]), 0.5f);

    slot(5, -3.0f);  // floating, |s| above the norm
    slot(6, -4.0f);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bClaverie, 1);
    EXPECT_EQ(bMovingHat, 0);
    EXPECT_EQ(bFixedTimestep, 0);
    EXPECT_FALSE(bSimulationError || bDiscretizationError);
    // the material leaves the bottom: the bottom of the last scan is cleared
    const int k = pScanTimeOrder[3];
    EXPECT_LT(ppFit[k][pScanPoints[k]], 0.01f);
    EXPECT_GT(ppFit[k][1], 0.5f);

    slot(5, 1.0f);
    slot(6, 40.0f);  // the monomer decides
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bClaverie, 1);
}

// 1-2-4 with M and s: without a positive mass of the last oligomer the model
// is the loading at every point; with one, a propagation. So is the
// monomer-dimer without a positive monomer mass. A constant model
// of the evaluation before does not keep the next one from being propagated.
TEST_F(InteractingRoadTest, HigherAssociationWithoutItsLastOligomerIsConstant)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 3.0f, 4.0f);
    bModelMonomerDimer = 0;
    bModelSelfAssoc124 = 1;
    bUseMolarMass = 1;
    VBAR = 0.73f;
    fBufferDensity = 1.0f;
    fVbarRho = VBAR * fBufferDensity;
    slot(1, 0.0f);  // the oligomer masses follow the monomer's: 2 M and 4 M
    slot(7, 0.0f);
    slot(8, 6.0f);
    slot(11, 0.7f);
    ASSERT_NO_FATAL_FAILURE(expectConstantModel(0.7f));

    slot(1, 50000.0f);
    ASSERT_TRUE(evaluate());
    EXPECT_FALSE(bModelConstantSignal);
    EXPECT_GT(spread(pScanTimeOrder[3]), 0.3f);
    // the masses became D by the Svedberg relation
    EXPECT_NEAR(fSAMonomerMorD, 3e-13 * fRT / (0.27 * 50000), 1e-12);
    EXPECT_NEAR(fSAOligomerMorD2, 6e-13 * fRT / (0.27 * 200000), 1e-12);

    // the monomer-dimer after a constant model: propagated
    bModelSelfAssoc124 = 0;
    bModelMonomerDimer = 1;
    bUseMolarMass = 0;
    bModelConstantSignal = 1;
    slot(1, 6.0f);
    ASSERT_TRUE(evaluate());
    EXPECT_FALSE(bModelConstantSignal);
    EXPECT_GT(spread(pScanTimeOrder[3]), 0.3f);
    EXPECT_FLOAT_EQ(fSAMonomerMorD, 6e-7f);

    // the monomer-dimer with M and s and a monomer of no mass (the dimer's is
    // twice it): nothing would hold the loading back from spreading evenly at
    // once, the constant model
    bUseMolarMass = 1;
    slot(1, 0.0f);
    slot(11, 0.7f);
    ASSERT_NO_FATAL_FAILURE(expectConstantModel(0.7f));
}

// The first scan as the initial profile belongs to its data: scans loaded
// anew, fewer and with fewer points, start from their own first scan (the
// profile of the scans before was kept, with its size, and used again).
TEST_F(InteractingRoadTest, NewScansTakeTheirOwnFirstScanAsTheInitialProfile)
{
    fBaseline = 0.02f;
    bExperimentalInitialDistribution = 1;
    bConstantInitialDistribution = 0;
    for (const auto& [nScansNow, nPointsNow, fFirst] : {std::tuple{4, 500, 0.52f}, std::tuple{3, 200, 0.32f}}) {
        gridtest::Experiment e;
        e.nScans = nScansNow;
        e.nPoints = nPointsNow;
        install(e, 4.0f, 6.0f);
        for (int j = 1; j <= pScanPoints[1]; j++) ppSignal[1][j] = fFirst;
        ASSERT_TRUE(evaluate());
        ASSERT_NE(pExtrapolation2, nullptr);
        EXPECT_EQ(nExtrapolationPoints, nPointsNow);
        EXPECT_EQ(pExtrapolation2[nPointsNow / 2], fFirst);
        EXPECT_EQ(ppFit[1][nPointsNow / 2], fFirst);
        // the plateau of the second scan: the first scan's signal less the
        // baseline, diluted a little
        const int k = pScanTimeOrder[2];
        EXPECT_NEAR(ppFit[k][pScanPoints[k] * 3 / 4], fFirst - 0.02f, 0.02f);
    }
    bExperimentalInitialDistribution = 0;
    bConstantInitialDistribution = 1;
}

// The first scan as the initial profile survives the switch of the algorithm
// (whose new grid would otherwise start from nothing); the inhomogeneous
// solvent and equilibrium data are not served, said so, and computed anyway.
TEST_F(InteractingRoadTest, ExperimentalInitialProfileAndUnsupportedCombinations)
{
    gridtest::Experiment e;
    e.nScans = 4;
    install(e, 4.0f, 6.0f);
    for (int j = 1; j <= pScanPoints[1]; j++) ppSignal[1][j] = 0.52f;
    fBaseline = 0.02f;
    bExperimentalInitialDistribution = 1;
    bConstantInitialDistribution = 0;
    bAutoFEAlgorithm = 1;
    bClaverie = 1;
    bMovingHat = 0;
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(bMovingHat, 1);
    EXPECT_EQ(nFirstModelScan, 2);
    // the plateau of the second scan: the first scan's 0.5, diluted a little
    const int k = pScanTimeOrder[2];
    EXPECT_NEAR(ppFit[k][pScanPoints[k] * 3 / 4], 0.5f, 0.02f);

    bExperimentalInitialDistribution = 0;
    bConstantInitialDistribution = 1;
    bInhomogeneousSolvent = 1;
    bEquilibriumDataMode = 1;
    headless::Script script;
    script.expectMessageBox("", IDOK);
    script.expectMessageBox("", IDOK);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(script.lines().size(), 2u);
    EXPECT_NE(script.lines()[0].find("this model is not implemented yet for inhomogeneous solvent"), std::string::npos);
    EXPECT_NE(script.lines()[1].find("not implemented yet for sed eq data"), std::string::npos);
    EXPECT_GT(spread(pScanTimeOrder[4]), 0.3f);
}

// The first scan as the initial profile lies on the radii the propagation
// starts from, at every Run. A first scan rising linearly, c0(r), of a total
// whose species all sediment at 4 S is carried along the characteristics of
// the Lamm equation, c(r, t) = c0(r e^-k) e^-2k with k = s w^2 (t - t1), as
// long as diffusion adds little (a slow D, radii off the boundary); a Run
// again gives the same model. The monomer-dimer on the moving hat, whose run
// leaves its radii moved, and 1-2-4 with the moving hat chosen, which runs on
// the static grid.
TEST_F(InteractingRoadTest, TheFirstScanLiesOnTheRadiiOfEveryRun)
{
    for (const bool b124 : {false, true}) {
        gridtest::Experiment e;
        e.nScans = 4;
        install(e, 4.0f, 4.0f);
        slot(1, 1.0f);  // D 1e-7
        if (b124) {
            bModelMonomerDimer = 0;
            bModelSelfAssoc124 = 1;
            slot(7, 0.0f);
            slot(8, 4.0f);
        }
        const double g = 2.0;  // per cm
        for (int j = 1; j <= pScanPoints[1]; j++) ppSignal[1][j] = float(0.2 + g * (ppRadius[1][j] - 6.0));
        fBaseline = 0.0f;
        bExperimentalInitialDistribution = 1;
        bConstantInitialDistribution = 0;
        bAutoFEAlgorithm = 0;
        bClaverie = 0;
        bMovingHat = 1;
        freeRadialGridArrays();
        std::vector<std::vector<float>> first(nScans + 1);
        for (int run = 1; run <= 2; run++) {
            ASSERT_TRUE(evaluate()) << b124;
            const double w = e.rpm * M_PI / 30, t1 = pScanHeaders[pScanTimeOrder[1]].time;
            double dMax = 0, dRepeat = 0;
            for (int p = 2; p <= nScans; p++) {
                const int k = pScanTimeOrder[p];
                const double x = 4e-13 * w * w * (pScanHeaders[k].time - t1);
                for (int j = 1; j <= pScanPoints[k]; j++) {
                    const double r = ppRadius[k][j];
                    if (r < e.meniscus * std::exp(x) + 0.1 || r > 7.0) continue;
                    const double c = (0.2 + g * (r * std::exp(-x) - 6.0)) * std::exp(-2 * x);
                    dMax = std::max(dMax, std::fabs(ppFit[k][j] - c));
                }
                if (run == 1) first[k].assign(ppFit[k], ppFit[k] + pScanPoints[k] + 1);
                for (int j = 1; j <= pScanPoints[k]; j++)
                    dRepeat = std::max(dRepeat, std::fabs(double(ppFit[k][j]) - first[k][j]));
            }
            EXPECT_LT(dMax, 5e-3) << b124 << " run " << run;
            EXPECT_EQ(dRepeat, 0.0) << b124;
        }
    }
    bExperimentalInitialDistribution = 0;
    bConstantInitialDistribution = 1;
}

// The Wiener skew of the hindered species: a skew of 0 changes nothing; a
// skew moves the boundary; the skewed radii always increase.
TEST_F(InteractingRoadTest, WienerSkewOfTheHinderedSpecies)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 4.0f, 4.0f);
    bModelMonomerDimer = 0;
    bModelNonidealSingle = bModelHindered = 1;
    slot(9, 1.0f);   // loading
    slot(5, 4.0f);   // s0
    slot(10, 5.0f);  // the hindered exponent
    slot(1, 6.0f);   // D
    slot(11, 0.0f);
    ASSERT_TRUE(evaluate());
    std::vector<std::vector<float>> plain(nScans + 1);
    for (int k = 1; k <= nScans; k++) plain[k].assign(ppFit[k], ppFit[k] + pScanPoints[k] + 1);

    bWienerSkewing = 1;
    fWSkew = 0.0f;
    fWSkewSignalPerMgMl = 1.0f;
    ASSERT_TRUE(evaluate());
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ASSERT_EQ(ppFit[k][j], plain[k][j]) << k << " " << j;

    fWSkew = 2e-3f;
    ASSERT_TRUE(evaluate());
    double dMax = 0;
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) dMax = std::max(dMax, std::fabs(double(ppFit[k][j]) - plain[k][j]));
    EXPECT_GT(dMax, 0.01);

    // with the linear parts the model is species basis 1 on the noise grid,
    // which the skew moves in the same way
    setupNoiseRadialGrid();
    ASSERT_TRUE(pNoiseGrid != nullptr);
    bFitTINoise = 1;
    ASSERT_TRUE(evaluate());
    const int k = pScanTimeOrder[nScans];
    const std::vector<float> skewed(pppExtraNoiseScan[1][k], pppExtraNoiseScan[1][k] + nNoiseGridPoints + 1);
    fWSkew = 0.0f;
    ASSERT_TRUE(evaluate());
    dMax = 0;
    for (int j = 1; j <= nNoiseGridPoints; j++)
        dMax = std::max(dMax, std::fabs(double(pppExtraNoiseScan[1][k][j]) - skewed[j]));
    EXPECT_GT(dMax, 0.01);

    // a slope that would fold the radii back: made strictly increasing
    const int n = 6;
    float r[n + 1] = {0, 6.0f, 6.01f, 6.02f, 6.03f, 6.04f, 6.05f};
    float y[n + 1] = {0, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    float rs[n + 1];
    fWSkew = 1e-3f;
    wienerSkewedRadii(n, r, y, rs);
    EXPECT_EQ(rs[1], 6.0f);
    EXPECT_FLOAT_EQ(rs[2], 6.01f + 1e-3f * 50);
    for (int j = 2; j <= n; j++) EXPECT_GT(rs[j], rs[j - 1]) << j;
    EXPECT_FLOAT_EQ(rs[4], rs[3] + 1e-6f);  // folded back: just beyond its predecessor
}

// The non-ideal single species with ks c_1 above 1: said so, nothing
// propagated, no model.
TEST_F(InteractingRoadTest, NonidealityOutOfRangeIsSaid)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 4.0f, 4.0f);
    bModelMonomerDimer = 0;
    bModelNonidealSingle = 1;
    dSignalPerMgMl = 1.0;
    slot(9, 1.0f);    // loading
    slot(5, 4.0f);    // s0
    slot(10, 0.5f);   // log10 ks: 3.2 per mg/ml
    slot(11, -10.0f);
    headless::Script script;
    script.expectMessageBox("ERROR in simulation", IDOK);
    EXPECT_FALSE(evaluate());
    EXPECT_EQ(script.pending(), 0u);
    bool bSaid = false;
    for (const std::string& l : script.lines()) bSaid = bSaid || l.find("nonideality out of range") != std::string::npos;
    EXPECT_TRUE(bSaid);
    EXPECT_TRUE(bNonidealityOutOfRange);
    EXPECT_EQ(spread(pScanTimeOrder[3]), 0.0f);
}

// With the attractive sign (the model's default) s = s0 / (1 - ks c) has its
// pole and D = D0 (1 - kd c) its zero at c = 1 for ks = kd = 1 per mg/ml. A
// loading of 0.5 passes the check of the loading, but the pile-up at the base
// reaches 1 within the run, on the static grid (30000 rpm: Claverie for 4 S)
// and on the moving hat (50000 rpm): the run stops there, says so and leaves
// no model, where it went on to values of +-1e8. The repulsive sign has no
// pole at a positive total: the same values give a model between 0 and the
// pile-up.
TEST_F(InteractingRoadTest, APileUpPastThePoleOfTheAttractiveLawIsOutOfRange)
{
    for (const double rpm : {30000.0, 50000.0}) {
        gridtest::Experiment e;
        e.nScans = 3;
        e.rpm = rpm;
        install(e, 4.0f, 4.0f);
        bModelMonomerDimer = 0;
        bModelNonidealSingle = 1;
        bAutoFEAlgorithm = 1;
        dSignalPerMgMl = 1.0;
        slot(9, 0.5f);   // loading
        slot(5, 4.0f);   // s0
        slot(1, 5.0f);   // D 5e-7
        slot(10, 0.0f);  // log10 ks
        slot(11, 0.0f);  // log10 kd
        bNonidealRepulsive = 0;
        {
            headless::Script script;
            script.expectMessageBox("ERROR in simulation", IDOK);
            EXPECT_FALSE(evaluate()) << rpm;
            EXPECT_EQ(script.pending(), 0u);
            EXPECT_TRUE(bNonidealityOutOfRange);
            EXPECT_EQ(bMovingHat, rpm > 40000 ? 1 : 0);
        }
        bNonidealRepulsive = 1;
        ASSERT_TRUE(evaluate()) << rpm;
        EXPECT_FALSE(bNonidealityOutOfRange || bSimulationError || bDiscretizationError);
        for (int p = 1; p <= nScans; p++) {
            const int k = pScanTimeOrder[p];
            for (int j = 1; j <= pScanPoints[k]; j++) {
                ASSERT_GT(ppFit[k][j], -0.01f) << rpm << " " << p << " " << j;
                ASSERT_LT(ppFit[k][j], 50.0f) << rpm << " " << p << " " << j;
            }
        }
        EXPECT_GT(spread(pScanTimeOrder[3]), 0.4f);
    }
}

// With M and s in a solvent of the particle's own density no D exists: the
// density box, nothing simulated.
TEST_F(InteractingRoadTest, DensityMatchingSimulatesNothing)
{
    gridtest::Experiment e;
    e.nScans = 3;
    install(e, 4.0f, 6.0f);
    bUseMolarMass = 1;
    slot(1, 50000.0f);
    VBAR = 1.0f;
    fBufferDensity = 1.0f;
    fVbarRho = 1.0f;
    headless::Script script;
    script.expectMessageBox("ERROR in simulation", IDOK);
    ASSERT_TRUE(evaluate());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(spread(pScanTimeOrder[3]), 0.0f);
    EXPECT_EQ(ppFit[pScanTimeOrder[3]][10], 0.0f);
}

// On a straight line every slope is the line's own, the backward one at the
// last point too: every radius but the first (which has no slope) moves by
// skew x slope / (signal per mg/ml).
TEST(WienerSkewedRadii, AStraightLineMovesEveryRadiusButTheFirstAlike)
{
    const int n = 5;
    float r[n + 1] = {0, 6.0f, 6.02f, 6.04f, 6.06f, 6.08f};
    float y[n + 1], rs[n + 1];
    for (int j = 1; j <= n; j++) y[j] = 0.5f + 3.0f * (r[j] - 6.0f);
    fWSkew = 2e-3f;
    fWSkewSignalPerMgMl = 1.5f;
    wienerSkewedRadii(n, r, y, rs);
    EXPECT_EQ(rs[1], r[1]);
    for (int j = 2; j <= n; j++) EXPECT_NEAR(rs[j], r[j] + 2e-3f * 3.0f / 1.5f, 2e-5f) << j;
}
