// The distribution run on scans of one species made by the solver object:
// c(s), ls-g*(s) and c(M) find the species where it is, the c(s) area is the
// loading, and the buffer signal fitted beside it is the offset of the scans;
// the stops leave the result as it was and the finite-element
// switches as every exit leaves them; the grid-point table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/regularization.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "lamm/lamm_globals.h"
#include "models/lamm_settings.h"
#include "models/model_globals.h"
#include "plot/key_polling.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// The finite-element switches every exit of the run leaves.
void expectClaverieAfterRun()
{
    EXPECT_EQ(bClaverie, 1);
    EXPECT_EQ(bMovingHat, 0);
    EXPECT_EQ(bFixedTimestep, 0);
    EXPECT_EQ(bAutoFEAlgorithm, 1);
}

// Moving hat on, automatic choice off: what a run must not leave behind.
void setMovingHatSwitches()
{
    bMovingHat = 1;
    bClaverie = 0;
    bFixedTimestep = 1;
    bAutoFEAlgorithm = 0;
}

float totalArea()
{
    float fArea = 0, fMean = 0, fTotal = 0;
    integrateDistribution(pDistAxisS[1], pDistAxisS[nResolution], &fArea, &fMean, &fTotal, nullptr, nullptr, nullptr);
    return fTotal;
}

}  // namespace

TEST_F(ContiRunTest, CsOfOneSpeciesPeaksAtItsSAndHoldsItsLoading)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    LoadSpecies(sp);
    ChooseContinuous(&bModelCS, 0.0f, 10.0f, 100, 1.3f, 0.95f);
    headless::Script script;
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(nResolution, 100);
    const float ds = pDistAxisS[2] - pDistAxisS[1];
    EXPECT_NEAR(pDistAxisS[PeakIndex()], 5.0, ds);
    EXPECT_NEAR(totalArea(), 0.8, 0.008);
    EXPECT_EQ(bModelComputed, 1);
    // the one-dimensional stores go with the finishing step
    EXPECT_EQ(pLammSolutions, nullptr);
    expectClaverieAfterRun();

    // both regularizations: the derivative solution beside the entropy one
    bRegBothShown = 1;
    RunContiSed(window.get());
    float fDiff = 0, fSum2 = 0;
    for (int i = 1; i <= nResolution; i++) {
        fDiff += std::fabs(pDistValues[i] - pDistValues2[i]);
        fSum2 += pDistValues2[i];
    }
    EXPECT_GT(fSum2, 0.0f);
    EXPECT_GT(fDiff, 0.0f);
    EXPECT_NEAR(pDistAxisS[PeakIndex()], 5.0, ds);
}

// The buffer signal fitted beside c(s): a buffer component that does not
// sediment is a step of its amplitude over the whole cell, so on scans with
// an offset of 0.1 above the species the buffer signal reported is 0.1.
TEST_F(ContiRunTest, CsFindsAnOffsetOfTheScansAsTheFittedBufferSignal)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.baseline = 0.1;
    LoadSpecies(sp);
    ChooseContinuous(&bModelCS, 1.0f, 10.0f, 91, 1.3f, 0.95f);
    bBufferMismatch = 1;
    bBufferInterferenceNoted = 1;  // the note about absorbance data said before
    dBufferS = 0.0;
    dBufferSignal = 30.0;  // the start value of the settings is not the answer
    headless::Script script;
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(bModelComputed, 1);
    EXPECT_EQ(bFitBufferSignal, 1);  // without TI and RI noise it is fitted
    EXPECT_NEAR(dBufferSignal, 0.1, 0.001);
    EXPECT_NEAR(totalArea(), 0.8, 0.01);
}

TEST_F(ContiRunTest, LsgsOfASharpBoundaryAndCmFindTheSpecies)
{
    SpeciesScans sharp;
    sharp.D = 0.0;
    LoadSpecies(sharp);
    ChooseContinuous(&bModelLsgs, 1.0f, 20.0f, 100, 1.3f, 0.683f);
    bModelCS = 1;  // as the ls-g*(s) command leaves it
    bRegSecondDerivative = 1;
    bRegMaxEnt = 0;
    RunContiSed(window.get());
    ASSERT_EQ(nResolution, 100);
    EXPECT_NEAR(pDistAxisS[PeakIndex()], 5.0, pDistAxisS[2] - pDistAxisS[1]);

    bModelLsgs = bModelCS = 0;
    bRegSecondDerivative = 0;
    bRegMaxEnt = 1;
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    const float M = CalculateMff02(5.0f, 1.3f);
    LoadSpecies(sp);
    ChooseContinuous(nullptr, 20000.0f, 400000.0f, 100, 1.3f, 0.95f);
    ASSERT_FALSE(isSTypeModel());
    RunContiSed(window.get());
    const int k = PeakIndex();
    ASSERT_GT(k, 1);
    ASSERT_LT(k, nResolution);
    const float fStep = std::max(pDistAxisM[k + 1] - pDistAxisM[k], pDistAxisM[k] - pDistAxisM[k - 1]);
    EXPECT_NEAR(pDistAxisM[k], M, fStep);
}

TEST_F(ContiRunTest, StopsLeaveTheResultAndTheSwitchesAsTheySay)
{
    headless::Script script;
    // no scans: nothing at all
    setMovingHatSwitches();
    RunContiSed(window.get());
    EXPECT_TRUE(script.lines().empty());
    EXPECT_EQ(pDistValues, nullptr);
    expectClaverieAfterRun();

    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    LoadSpecies(sp);
    ChooseContinuous(&bModelCS, 0.0f, 10.0f, 50, 1.3f, 0.95f);

    // no meniscus: one message, no grid
    fMeniscus = 0.0f;
    setMovingHatSwitches();
    script.expectMessageBox("", IDOK);
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(transcriptShows(script, "set Meniscus and Bottom first"), true);
    int nBoxes = 0;
    for (const std::string& l : script.lines()) nBoxes += l.rfind("MessageBox", 0) == 0;
    EXPECT_EQ(nBoxes, 1);
    EXPECT_EQ(pDistValues, nullptr);
    expectClaverieAfterRun();
    fMeniscus = 6.0f;

    // a grid point beyond the largest observable s: its message, no Lamm list
    pParamValue[nSpecies + 1] = 500.0f;
    setMovingHatSwitches();
    script.expectMessageBox("", IDOK);
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "is exceeding maximum observable s-values"));
    EXPECT_GT(fMaxObservableS, 10.0f);
    EXPECT_LT(fMaxObservableS, 500.0f);
    EXPECT_EQ(bModelComputed, 0);
    expectClaverieAfterRun();
    pParamValue[nSpecies + 1] = 10.0f;

    // a key while the Lamm equations are solved: the store goes, no distribution
    bRealtimeError = 0;
    setMovingHatSwitches();
    script.pressKey('X');
    RunContiSed(window.get());
    EXPECT_EQ(bRealtimeError, 1);
    EXPECT_EQ(pLammSolutions, nullptr);
    ASSERT_NE(pDistValues, nullptr);
    for (int i = 1; i <= nResolution; i++) ASSERT_EQ(pDistValues[i], 0.0f) << i;
    expectClaverieAfterRun();
    bInterruptComputation = 0;
    bRealtimeError = 0;
}

// A Lamm solution of the list that fails ends the run without a distribution
// or a model. Grid sizes of one point (which the Lamm settings no longer
// take; set here directly) in an inhomogeneous solvent without the optimized
// spacing keep every retry on that grid: the tridiagonal matrix stays
// singular. The run went on to a distribution of what the solvers had left
// and an rmsd of it.
TEST_F(ContiRunTest, ASolverThatFailsEndsTheRunWithoutAModel)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    LoadSpecies(sp);
    ChooseContinuous(&bModelCS, 0.0f, 10.0f, 50, 1.3f, 0.95f);
    RunContiSed(window.get());
    ASSERT_EQ(bModelComputed, 1);
    bInhomogeneousSolvent = 1;
    bCompressibleSolvent = 1;
    bSedimentingCosolute = 0;
    nDefaultGridSize = nDynGridLowerLimit = nDynGridUpperLimit = 1;
    bOptimizeGridSpacing = 0;
    // one box of the tridiagonal solver per attempt of each worker's first
    // solution, then one per worker that failed
    headless::setPolicy(headless::Policy::DefaultAnswers);
    headless::Script script;
    RunContiSed(window.get());
    EXPECT_TRUE(transcriptShows(script, "MessageBox \"Error\" \"Error 1 in tridag\""));
    EXPECT_TRUE(transcriptShows(script, "MessageBox \"ERROR in simulation\" \"singular tridiagonal matrix!\""));
    EXPECT_FALSE(transcriptShows(script, "DISCRETIZATION"));
    EXPECT_EQ(bModelComputed, 0);
    // no distribution: the grid is laid out anew and holds nothing
    ASSERT_NE(pDistValues, nullptr);
    for (int i = 1; i <= nResolution; i++) EXPECT_EQ(pDistValues[i], 0.0f) << i;
    expectClaverieAfterRun();
}

TEST_F(ContiRunTest, ModelsWhoseSolutionsAreNotInThisVersionAreRefused)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    LoadSpecies(sp);
    headless::Script script;
    struct Case {
        unsigned char* pbFlag;
        const char* szText;
    } cases[] = {{&bModelElectrophoresisCV, "the electrophoresis c(v) model is not in this version"}};
    for (const Case& c : cases) {
        ChooseContinuous(&bModelCS, 0.0f, 10.0f, 50, 1.3f, 0.95f);
        *c.pbFlag = 1;
        setMovingHatSwitches();
        script.expectMessageBox("NOT AVAILABLE", IDOK);
        RunContiSed(window.get());
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(transcriptShows(script, c.szText)) << c.szText;
        EXPECT_EQ(pDistValues, nullptr);
        expectClaverieAfterRun();
        *c.pbFlag = 0;
    }
}

TEST_F(ContiRunTest, GridPointTable)
{
    allocDistributionVectors(3);
    for (int i = 1; i <= 3; i++) pDistAxisS[i] = static_cast<float>(i);
    fDiscreteCompS = 4.0f;
    fDiscreteCompM = 60000.0f;
    fDiscreteCompD = 5.0f;
    // The M(s)-table model's discrete species in point 1 gets its own D by
    // the Svedberg relation, not the D of the point simulated before.
    bModelContinuous = bModelCSWithMsTable = 1;
    EXPECT_EQ(gridPointRule(1), EGridPointRule::DiscreteSpeciesByM);
    EXPECT_EQ(gridPointRule(2), EGridPointRule::MsTable);
    dLammD = 123.0;
    ASSERT_TRUE(setGridPointSD(window.get(), 1, 20.0f));
    EXPECT_FLOAT_EQ(static_cast<float>(dLammS), 4.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(dLammD), DFromSM(4.0f, 60000.0f, 20.0f));
    EXPECT_EQ(pDistAxisM[1], 60000.0f);
    bModelCSWithMsTable = 0;

    // the discrete species by D; the M of the others from s
    bModelCSOneDiscreteD = 1;
    ASSERT_TRUE(setGridPointSD(window.get(), 1, 20.0f));
    EXPECT_FLOAT_EQ(static_cast<float>(dLammD), 5e-7f);
    EXPECT_FLOAT_EQ(pDistAxisM[1], MFromSD(5e-7f, 4.0f, 20.0f));
    EXPECT_EQ(gridPointRule(2), EGridPointRule::MassFromS);
    bModelCSOneDiscreteD = 0;

    // c(s,ff0) with a discrete species: point 1 is the species of 4 S and
    // 60 kDa with its own frictional ratio, f = M (1 - vbar rho) / (N_A s)
    // over 6 pi eta R0 of the anhydrous sphere (vbar 0.73, density 1, water
    // at 20 C), about 1.375; the grid points keep theirs
    bModelCSFf0OneDiscrete = 1;
    allocCsFf0Arrays(6, 2);
    for (int j = 1; j <= 6; j++) {
        pCsFf0S[j] = pDistAxisS[(j - 1) % 3 + 1];
        pCsFf0Ratio[j] = j <= 3 ? 1.2f : 1.6f;
    }
    ASSERT_TRUE(setGridPointSD(window.get(), 1, 20.0f));
    const double NA = 6.02214e23, vbar = 0.73, M = 60000.0;
    const double f = M * (1.0 - vbar) / (NA * 4e-13);
    const double f0 = 6.0 * M_PI * 0.01002 * std::cbrt(3.0 * M * vbar / (4.0 * M_PI * NA));
    EXPECT_EQ(pCsFf0S[1], 4.0f);
    EXPECT_EQ(pCsFf0M[1], 60000.0f);
    EXPECT_NEAR(pCsFf0Ratio[1], f / f0, 1e-4 * f / f0);
    for (int j = 2; j <= 6; j++) EXPECT_EQ(pCsFf0Ratio[j], j <= 3 ? 1.2f : 1.6f) << j;
    bModelCSFf0OneDiscrete = 0;
    freeCsFf0Arrays();

    // first matching row: ls-g*(s) before c(s), electrophoresis c(v) before
    // the buoyant c(M), the c(M) on its M grid for none of the s flags
    bModelLsgs = bModelCS = 1;
    EXPECT_EQ(gridPointRule(2), EGridPointRule::Lsgs);
    bModelLsgs = bModelCS = 0;
    bModelCMbInvariantD = bModelElectrophoresisCV = 1;
    EXPECT_EQ(gridPointRule(2), EGridPointRule::ElectrophoresisCV);
    bModelElectrophoresisCV = 0;
    EXPECT_EQ(gridPointRule(2), EGridPointRule::CMBuoyantInvariantD);
    bModelCMbInvariantD = 0;
    EXPECT_EQ(gridPointRule(2), EGridPointRule::CMOnMGrid);
}

TEST_F(ContiRunTest, ADistributionFromAFileIsEvaluatedOnTheScansRadii)
{
    // synthetic data: a distribution read from a file evaluated at the
    // scans' own radii, where the store then holds scan 1's points
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.nPoints = 150;
    LoadSpecies(sp);
    ChooseContinuous(&bModelCS, 0.0f, 10.0f, 21, 1.3f, 0.95f);
    paramVectorToGlobals();
    const std::string path = Folder("dist") + "/one.dat";
    {
        std::FILE* f = std::fopen(path.c_str(), "w");
        for (int i = 0; i <= 20; i++) std::fprintf(f, "%f %f\n", 0.5 * i, i == 10 ? 0.8 : 0.0);
        std::fclose(f);
    }
    ASSERT_EQ(loadDistributionFromFile(path.c_str()), 1);
    ASSERT_EQ(nLammSolutionStorePoints, pScanPoints[1]);
    ASSERT_LT(nLammSolutionStorePoints, nNoiseGridPoints);
    bUseScanRadii = 1;
    RunContiSed(window.get());
    bUseScanRadii = 0;
    EXPECT_EQ(pLammSolutions, nullptr);
    // the model of the amplitude 0.8 at 5 S is the data they were made from
    double dMax = 0;
    for (int k = 1; k <= nScans; k++)
        for (int p = 1; p <= pScanPoints[k]; p++)
            if (ppRadius[k][p] > 6.02f) dMax = std::max(dMax, std::fabs(double(ppFit[k][p]) - ppSignal[k][p]));
    EXPECT_LT(dMax, 0.01);
    expectClaverieAfterRun();
}

TEST_F(ContiRunTest, CmOfEquilibriumScansPeaksAtTheMolarMass)
{
    // the equilibrium profiles of 50 kDa at 10000 rpm, loading 0.5
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.nScans = 4;
    LoadSpecies(sp);
    const double M = 50000.0, Mb = (1.0 - 0.73) * M, m2 = 36.0, b2 = 7.2 * 7.2;
    for (int k = 1; k <= nScans; k++) {
        pScanHeaders[k].rpm = 10000.0f;
        const double w = 2.0 * M_PI * 10000.0 / 60.0;
        const double a = Mb * w * w / (2.0 * 8.31451e7 * (pScanHeaders[k].temperature + 273.15));
        const double x = a * (b2 - m2);
        for (int p = 1; p <= pScanPoints[k]; p++) {
            const double r2 = double(ppRadius[k][p]) * ppRadius[k][p];
            ppSignal[k][p] = ppRadius[k][p] < 6.0f ? 0.0f : float(0.5 * (-x / std::expm1(-x)) * std::exp(a * (r2 - b2)));
        }
    }
    setupNoiseRadialGrid();
    bEquilibriumDataMode = 1;
    ChooseContinuous(nullptr, 10000.0f, 200000.0f, 60, 1.3f, 0.95f);
    headless::Script script;
    RunContiSed(window.get());
    EXPECT_TRUE(script.lines().empty());
    ASSERT_EQ(nResolution, 60);
    const int k = PeakIndex();
    ASSERT_GT(k, 1);
    ASSERT_LT(k, nResolution);
    EXPECT_NEAR(pDistAxisM[k], M, std::max(pDistAxisM[k + 1] - pDistAxisM[k], pDistAxisM[k] - pDistAxisM[k - 1]));
    // The progress line of the last grid point stays in the window: its M,
    // then the D and s that Svedberg's equation joins to it at 20 C.
    ASSERT_EQ(pDistAxisM[60], 200000.0f);
    EXPECT_NEAR(dLammS * 1e-13 * 8.31451e7 * 293.15 / (dLammD * (1.0 - 0.73)), 200000.0, 200.0);
    const win::RECT band = {0, 28, 700, 46};
    const std::vector<win::COLORREF> shown = PixelsOf(band);
    char sz[200];
    std::snprintf(sz, sizeof sz, "solving Lamm equation for M = 200000 Da (D=%1.3e cm^2/sec, s=%.3fS), n=60    ", dLammD,
                  dLammS);
    WhiteOut(band);
    TextAt(10, 30, sz);
    EXPECT_TRUE(PixelsOf(band) == shown) << sz;
    expectClaverieAfterRun();
    bEquilibriumDataMode = 0;
}
