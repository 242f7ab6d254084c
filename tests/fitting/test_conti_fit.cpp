// The fit of a continuous distribution: the packed vector of its floating
// parameters, and the c(s) fit of the example data (one species made by the
// solver object: 4.3 S, 6.1e-7 cm^2/s, so f/f0 1.33 at vbar 0.73 in water at
// 20 C; loading 0.8, a constant baseline of 0.02, noise of rms 0.004,
// meniscus 6.0 cm) as a user runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "fitting/conti_fit_fixture.h"
#include "time_limit.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {


// The largest peak of the shown distribution: its weight-average s and signal.
void largestPeak(float* pfMean, float* pfSignal)
{
    CVector vx, vy;
    vx.Attach(pDistAxisS, nResolution, 1);
    vy.Attach(pDistValues, nResolution, 1);
    CCurve c(&vx, &vy);
    float x[11], y[11];
    int idx[11];
    *pfMean = *pfSignal = 0;
    if (c.FindPeaks(x, y, idx, 10, 2) < 1) return;
    float lo, hi, h, frac;
    int a, b;
    findPeakExtent(idx[1], &lo, &hi, pfMean, &a, &b, &h, &frac, pfSignal, 0.9f);
}


}  // namespace

TEST_F(ContiFitTest, TheExampleGivesItsMeniscusFrictionalRatioAndSpecies)
{
    exampleCS(true);
    ASSERT_EQ(getContiParameters(0, nullptr), 2);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.03f);
    headless::Script script;
    command(215);
    EXPECT_NEAR(fMeniscus, 6.000f, 0.002f);
    EXPECT_EQ(pParamValue[13], fMeniscus);
    EXPECT_NEAR(fFrictionalRatio, 1.33f, 0.04f);
    EXPECT_EQ(pParamValue[11], fFrictionalRatio);
    float fMean = 0, fSignal = 0;
    largestPeak(&fMean, &fSignal);
    EXPECT_NEAR(fMean, 4.30f, 0.03f);
    EXPECT_NEAR(fSignal, 0.80f, 0.02f);
    EXPECT_LE(calcRmsd(), 0.0042f);
    EXPECT_TRUE(bModelComputed);
    EXPECT_TRUE(bFinalFitEvaluation);
    // the residual band shows the result's residuals, not the data copied
    // into it at the load
    float fWorst = 0;
    for (int k = 1; k <= nScans; ++k)
        for (int j = pFitFirstIndex[k]; j <= pFitLastIndex[k]; ++j)
            fWorst = std::max(fWorst, std::fabs(ppResidual[k][j] - (ppSignal[k][j] - ppFit[k][j])));
    EXPECT_EQ(fWorst, 0.0f);
    EXPECT_FALSE(bFitRunning || bSkipRegularization || bStopFit || bFitStoppedByUser);
    // the fit-done sound; no box
    bool bSound = false;
    for (const std::string& l : script.lines()) {
        EXPECT_EQ(l.find("MessageBox"), std::string::npos) << l;
        if (l.find("Sound \"fitdone") == 0) bSound = true;
    }
    EXPECT_TRUE(bSound);
}

TEST_F(ContiFitTest, AKeyEndsTheFitWithTheRegularizedBestPoint)
{
    exampleCS(true);
    headless::Script script;
    script.pressKey(VK_SPACE);
    command(215);
    EXPECT_TRUE(bFitStoppedByUser);
    EXPECT_TRUE(bRealtimeError);
    EXPECT_FALSE(bStopFit || bFitRunning);
    EXPECT_TRUE(bFinalFitEvaluation);
    EXPECT_LT(nSimCount, 6);
    // the best point was evaluated once more, with regularization
    ASSERT_TRUE(bModelComputed);
    float fMean = 0, fSignal = 0;
    largestPeak(&fMean, &fSignal);
    EXPECT_GT(fSignal, 0.5f);
    EXPECT_LE(fMeniscus, 6.03f);
    EXPECT_GE(fMeniscus, 5.96f);
}

// A meniscus that would fit better beyond its range: the objective takes a
// vertex beyond the bound at the bound, so the restarts compare the bound
// with the bound and settle there; compared with the vertex itself they
// never did, and the fit went on for ever.
TEST_F(ContiFitTest, AMeniscusDrivenBeyondItsRangeSettlesAtTheBound)
{
    exampleCS(true);
    // the scans' meniscus is at 6.0 cm
    fMinMeniscus = 5.90f;
    fMaxMeniscus = 5.93f;
    pParamValue[13] = fMeniscus = 5.92f;
    headless::Script script;
    EXPECT_TRUE(endsWithin(120.0, [&] { command(215); }, [] { bInterruptComputation = 1; }));
    EXPECT_FALSE(bFitStoppedByUser);
    EXPECT_EQ(fMeniscus, 5.93f);
    EXPECT_TRUE(bModelComputed && bFinalFitEvaluation);
}

namespace {

// What one evaluation of the fit's objective leaves, as bytes: the rmsd, the
// Lamm solutions, the normal equations with the means of the elimination, the
// amplitudes, every scan's fit and the noise.
std::vector<unsigned char> evaluationResult(float fRmsdNow)
{
    std::vector<unsigned char> v;
    auto add = [&v](const void* p, size_t bytes) {
        const auto* c = static_cast<const unsigned char*>(p);
        v.insert(v.end(), c, c + bytes);
    };
    const int n = nResolution;
    add(&fRmsdNow, sizeof fRmsdNow);
    add(&dChiSquare, sizeof dChiSquare);
    add(&dSumSquaredData, sizeof dSumSquaredData);
    for (int g = 1; g <= n; g++) {
        for (int k = 1; k <= nScans; k++) add(pLammSolutions[g][k] + 1, sizeof(float) * nNoiseGridPoints);
        add(pNEMatrix[g] + 1, sizeof(double) * n);
        add(pNEMeanBasisRI[g] + 1, sizeof(double) * nScans);
    }
    add(pNERightSide + 1, sizeof(double) * n);
    add(pNESolution + 1, sizeof(double) * n);
    add(pNEMeanDataRI + 1, sizeof(double) * nScans);
    for (int k = 1; k <= nScans; k++) add(ppFit[k] + 1, sizeof(float) * pScanPoints[k]);
    add(pRINoiseSaved + 1, sizeof(float) * nScans);
    return v;
}

// Everything evaluationResult reads overwritten, so that an evaluation must
// write it all.
void spoilEvaluation()
{
    const int n = nResolution;
    for (int g = 1; g <= n; g++) {
        for (int k = 1; k <= nScans; k++) std::memset(pLammSolutions[g][k] + 1, 0xff, sizeof(float) * nNoiseGridPoints);
        std::memset(pNEMatrix[g] + 1, 0xff, sizeof(double) * n);
        std::memset(pNEMeanBasisRI[g] + 1, 0xff, sizeof(double) * nScans);
    }
    std::memset(pNERightSide + 1, 0xff, sizeof(double) * n);
    std::memset(pNESolution + 1, 0xff, sizeof(double) * n);
    std::memset(pNEMeanDataRI + 1, 0xff, sizeof(double) * nScans);
    for (int k = 1; k <= nScans; k++) std::memset(ppFit[k] + 1, 0xff, sizeof(float) * pScanPoints[k]);
    std::memset(pRINoiseSaved + 1, 0xff, sizeof(float) * nScans);
}

}  // namespace

// One evaluation of the objective (the Lamm list, the normal equations and
// their means, the non-negative solution, the fit of every scan) gives the
// same to the bit with the normal equations and the fit on the user-interface
// thread and with 1, 2, 3, 5 and 8 workers for all of it.
TEST_F(ContiFitTest, AnEvaluationIsTheSameToTheBitForAnyNumberOfWorkers)
{
    exampleCS(true);
    ASSERT_TRUE(setupSGrid());
    float v[3] = {};
    ASSERT_EQ(getContiParameters(2, v), 2);
    bFitRunning = 1;
    auto evaluate = [&] {
        spoilEvaluation();
        bStopFit = 0;
        const float f = ContiSimplexSim(v, window.get());
        EXPECT_FALSE(bStopFit);
        return evaluationResult(f);
    };
    nLammThreads = 1;
    bMultiThreaded = 0;
    const std::vector<unsigned char> serial = evaluate();
    for (int N : {1, 2, 3, 5, 8}) {
        nLammThreads = nNEQThreads = N;
        bMultiThreaded = 1;
        EXPECT_TRUE(serial == evaluate()) << N << " workers";
    }
    bFitRunning = 0;
}

TEST_F(ContiFitTest, NothingFloatingLeavesTheDistributionAsItWas)
{
    exampleCS(false);
    command(213);
    ASSERT_TRUE(bModelComputed);
    const std::vector<float> before(pDistValues + 1, pDistValues + nResolution + 1);
    command(215);
    ASSERT_EQ(nResolution, static_cast<int>(before.size()));
    EXPECT_EQ(std::vector<float>(pDistValues + 1, pDistValues + nResolution + 1), before);
    EXPECT_EQ(nSimCount, 0);
}

// The run refuses the non-ideal c(s) in an inhomogeneous solvent at every
// evaluation: the fit ends after the first instead of asking for ever. That
// first evaluation is of the last start vertex, the meniscus spread by the
// non-ideal models' 0.03 x its scale of 0.01 x its value, a draw of the
// generator seeded with 1 (the same start simplex fit after fit).
TEST_F(ContiFitTest, AModelTheRunRefusesEndsTheFit)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);
    bWizardMessages = 0;
    LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
    command(585);
    ASSERT_TRUE(bModelNonidealCS);
    bInhomogeneousSolvent = 1;
    pParamFloat[13] = 1;
    fMinMeniscus = 5.96f;
    fMaxMeniscus = 6.03f;
    const float fStart = fMeniscus = pParamValue[13] = 6.0f;
    // the meniscus each refused evaluation was asked for
    std::vector<float> evaluated;
    headless::setTranscriptObserver([&](const std::string& l) {
        if (l.find("not implemented yet for inhomogeneous solvent") != std::string::npos)
            evaluated.push_back(fMeniscus);
    });
    headless::Script script;
    command(215);
    headless::setTranscriptObserver(nullptr);
    EXPECT_LE(evaluated.size(), 2u);
    EXPECT_FALSE(bStopFit || bFitRunning);
    ASSERT_GE(evaluated.size(), 1u);
    // a unit normal draw from seed 1 (large enough to tell 0.03 from a near value)
    seedRandomNumbers(1);
    const double z = gaussianRandom(1.0f);
    ASSERT_GT(std::fabs(z), 0.3);
    EXPECT_NEAR(evaluated[0], fStart + 0.03 * 0.01 * fStart * z, 2e-6) << "from " << fStart << ", z " << z;
}

// The c(s) fit started with the meniscus exactly on the lower bound of its
// range (the truth, 6.0 cm, inside it) and only the meniscus floating: the
// start simplex steps inward, and the fit finds the meniscus. Its first vertex
// was held on the bound, tied with the start, and the fit ended there after 4
// evaluations at twice the rmsd.
TEST_F(ContiFitTest, AMeniscusStartedOnItsBoundLeavesIt)
{
    exampleCS(true);
    nFitFrictionalRatio = 0;
    fFrictionalRatio = pParamValue[11] = 1.33f;
    fMinMeniscus = 5.99f;
    fMeniscus = pParamValue[13] = fMinMeniscus;
    ASSERT_EQ(getContiParameters(0, nullptr), 1);
    headless::Script script;
    command(215);
    EXPECT_NEAR(fMeniscus, 6.000f, 0.002f);
    EXPECT_LE(calcRmsd(), 0.0042f);
    EXPECT_GT(nSimCount, 4);
}

// The start vertices of a meniscus (and bottom) on a bound of its range lie
// inside the range, none on the start's bound; inside it they spread as ever.
TEST(ContiVectorTest, StartVerticesOfAParameterOnItsBoundStepInward)
{
    seedRandomNumbers(3);
    fMinMeniscus = 5.99f;
    fMaxMeniscus = 6.03f;
    fMinBottom = 7.15f;
    fMaxBottom = 7.25f;
    nContiPosMeniscus = 1;
    nContiPosBottom = 2;
    const int n = 2;
    float** p = matrix(1, n + 1, 1, n);
    int nBelowMiddle = 0;
    for (int k = 0; k < 1000; ++k) {
        p[1][1] = fMinMeniscus;
        p[1][2] = fMaxBottom;
        contiSpreadVertices(p, n, 1, 1, 0.1f);
        for (int j = 2; j <= n + 1; ++j) {
            ASSERT_GT(p[j][1], fMinMeniscus);
            ASSERT_LE(p[j][1], fMaxMeniscus);
            ASSERT_LT(p[j][2], fMaxBottom);
            ASSERT_GE(p[j][2], fMinBottom);
        }
        // from the middle of the range: steps both ways
        p[1][1] = 6.01f;
        contiSpreadVertices(p, n, 1, 1, 0.1f);
        if (p[2][1] < 6.01f) ++nBelowMiddle;
    }
    free_matrix(p, 1, n + 1, 1, n);
    EXPECT_NEAR(nBelowMiddle, 500, 60);
    nContiPosMeniscus = nContiPosBottom = 0;
}

TEST(ContiVectorTest, FrictionalRatioMeniscusAndBottomInThisOrder)
{
    bModelContinuous = bModelCS = 1;
    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    pParamFloat[13] = pParamFloat[14] = 1;
    nFitFrictionalRatio = 1;
    fFrictionalRatio = 1.25f;
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    float v[4] = {};
    ASSERT_EQ(getContiParameters(3, v), 3);
    EXPECT_EQ(v[1], 1.25f);
    EXPECT_EQ(v[2], 6.0f);
    EXPECT_EQ(v[3], 7.2f);
    EXPECT_EQ(pParamValue[13], 6.0f);  // packing keeps the vector in step
    EXPECT_EQ(nContiPosFrictionalRatio, 1);
    EXPECT_EQ(nContiPosMeniscus, 2);
    EXPECT_EQ(nContiPosBottom, 3);
    EXPECT_EQ(contiVertexScale(1), 0.1f);
    EXPECT_EQ(contiVertexScale(2), 0.01f);

    // a meniscus beyond its range: the model takes the bound, the trial stays
    fMinMeniscus = 5.95f;
    fMaxMeniscus = 6.02f;
    fMinBottom = 7.1f;
    fMaxBottom = 7.3f;
    float t[4] = {0, -0.5f, 6.4f, 7.2f};
    setContiParameters(t);
    EXPECT_FLOAT_EQ(fMeniscus, 6.02f);
    EXPECT_FLOAT_EQ(pParamValue[13], 6.02f);
    EXPECT_EQ(t[2], 6.4f);
    EXPECT_EQ(fFrictionalRatio, 0.0f);
    EXPECT_EQ(pParamValue[11], 0.0f);

    // the positions belong to the last packing: another model does not
    // inherit them
    nFitFrictionalRatio = 0;
    pParamFloat[13] = pParamFloat[14] = 0;
    bBufferMismatch = 1;
    bFitBufferSignal = 0;  // (floated at start)
    bFitBufferD = 1;
    bUseMolarMass = 1;
    ASSERT_EQ(getContiParameters(0, nullptr), 1);
    EXPECT_EQ(nContiPosFrictionalRatio, 0);
    EXPECT_EQ(nContiPosMeniscus, 0);
    EXPECT_EQ(contiVertexScale(1), 1.0f);
    EXPECT_EQ(contiVertexScale(2), 1.0f);
    // a buffer Mb of -5: its magnitude, then at least 10
    float m[2] = {0, -5.0f};
    setContiParameters(m);
    EXPECT_EQ(dBufferMb, 10.0);
}

TEST(ContiVectorTest, StepsOfTheNonidealKsAndKdFollowTheirValues)
{
    bModelContinuous = bModelNonidealCS = 1;
    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    nFitFrictionalRatio = 0;
    nFitNonidealKs = nFitNonidealKd = 1;
    nFitDiscreteCompS = nFitDiscreteCompMorD = 0;
    pMLRelStep = dvector(1, 2);
    pMLAbsStep = dvector(1, 2);
    // (log10 value, relative step, absolute step) in each range; a range's
    // upper end belongs to it
    struct Range {
        float fValue;
        double dRel, dAbs;
    };
    const Range ks[] = {{-3.0f, 1.005, 0.005}, {-2.5f, 1.005, 0.005}, {-2.0f, 1.001, 5e-4},
                        {-1.5f, 1.001, 5e-4},  {-1.0f, 1.0005, 5e-4}};
    const Range kd[] = {{-3.0f, 1.01, 0.01}, {-2.5f, 1.01, 0.01}, {-2.0f, 1.003, 0.003},
                        {-1.5f, 1.003, 0.003}, {-1.0f, 1.001, 0.001}};
    for (int i = 0; i < 5; ++i) {
        fNonidealKs = ks[i].fValue;
        fNonidealKd = kd[i].fValue;
        ASSERT_EQ(contiSetParameterSteps(), 2);
        EXPECT_EQ(pMLRelStep[1], ks[i].dRel) << ks[i].fValue;
        EXPECT_EQ(pMLAbsStep[1], ks[i].dAbs) << ks[i].fValue;
        EXPECT_EQ(pMLRelStep[2], kd[i].dRel) << kd[i].fValue;
        EXPECT_EQ(pMLAbsStep[2], kd[i].dAbs) << kd[i].fValue;
    }
    getContiParameters(0, nullptr);
    EXPECT_EQ(nContiPosNonidealKs, 1);
    EXPECT_EQ(nContiPosNonidealKd, 2);
    EXPECT_EQ(contiVertexScale(1), 0.2f);
    EXPECT_EQ(contiVertexScale(2), 0.2f);
    free_dvector(pMLRelStep, 1, 2);
    free_dvector(pMLAbsStep, 1, 2);
    pMLRelStep = pMLAbsStep = nullptr;
}

TEST(ContiVectorTest, TheRadialGridFollowsMeniscusAndBottom)
{
    bModelContinuous = bModelCS = 1;
    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    nFitFrictionalRatio = 0;
    pParamFloat[13] = 1;
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    fMinMeniscus = 5.9f;
    fMaxMeniscus = 6.1f;
    nGridPoints = 100;
    bClaverie = 1;
    bMovingHat = 0;
    ASSERT_TRUE(allocRadialGridArrays());
    float v[2] = {0, 6.0f};
    // the first unpacking takes the pair of the vector as that of the grid:
    // an unchanged meniscus builds nothing
    pGridRadius[1] = 5.5;
    setContiParameters(v);
    EXPECT_EQ(pGridRadius[1], 5.5);
    v[1] = 6.05f;
    setContiParameters(v);
    EXPECT_FLOAT_EQ(static_cast<float>(pGridRadius[1]), 6.05f);
    // back to the first pair, after another: built again
    v[1] = 6.0f;
    setContiParameters(v);
    EXPECT_FLOAT_EQ(static_cast<float>(pGridRadius[1]), 6.0f);
}

// The end of the restarts with fTolerance 0.01: a restart whose best rmsd
// changed by 1.5 % (down or up) runs again; one that changed it by 0.5 % and
// every parameter by at most 1 % ends the fit. A previous value of 0 asks
// the new one to be at most the tolerance; a negative one never holds it up.
TEST(ContiFitRestartTest, TheRmsdAndEveryParameterWithinTheTolerance)
{
    fTolerance = 0.01f;
    const float x[3] = {0, 6.0f, 1.3f};
    const float same[3] = {0, 6.0f, 1.3f};
    const float near[3] = {0, 6.05f, 1.29f};   // 0.8 % each
    const float far[3] = {0, 6.0f, 1.32f};     // 1.5 % in the second
    EXPECT_FALSE(contiRestartSettled(x, same, 2, 0.00394f, 0.004f));
    EXPECT_FALSE(contiRestartSettled(x, same, 2, 0.00406f, 0.004f));
    EXPECT_TRUE(contiRestartSettled(x, same, 2, 0.00398f, 0.004f));
    EXPECT_TRUE(contiRestartSettled(x, near, 2, 0.00398f, 0.004f));
    EXPECT_FALSE(contiRestartSettled(x, far, 2, 0.00398f, 0.004f));
    // the tolerance is the user's: at 0.02 a change of 1.5 % ends it
    fTolerance = 0.02f;
    EXPECT_TRUE(contiRestartSettled(x, far, 2, 0.00394f, 0.004f));
    fTolerance = 0.01f;

    const float zero[2] = {0, 0.0f}, small[2] = {0, 0.005f}, large[2] = {0, 0.02f};
    EXPECT_TRUE(contiRestartSettled(zero, small, 1, 0.004f, 0.004f));
    EXPECT_FALSE(contiRestartSettled(zero, large, 1, 0.004f, 0.004f));
    const float negative[2] = {0, -2.0f}, moved[2] = {0, -2.5f};
    EXPECT_TRUE(contiRestartSettled(negative, moved, 1, 0.004f, 0.004f));
}

// The distributions that keep their fits save them while annealing runs (so
// that a fit cut short by a crash comes back), c(s) with one discrete
// component given by its M among them; the end of the fit saves once more.
TEST_F(ContiFitTest, AnnealingSavesItsProgressForTheModelsThatKeepTheirFits)
{
    exampleCS(true);
    headless::setPolicy(headless::Policy::DefaultAnswers);
    bUseMolarMass = 1;
    command(531);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    ASSERT_TRUE(bModelCSOneDiscreteM && !bModelCS);
    chooseShortAnnealing();
    bSaveBestParams = 1;
    bDiagnostics = 1;
    command(215);
    std::FILE* f = win::fopenMapped("c:\\temp\\Morvexdebug_t0.txt", "r");
    ASSERT_NE(f, nullptr);
    std::string text;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    int nSaves = 0;
    for (size_t at = text.find("Enter TmpSaveBestParams"); at != std::string::npos;
         at = text.find("Enter TmpSaveBestParams", at + 1))
        nSaves++;
    EXPECT_GE(nSaves, 2);
}

// The end of a fit writes the parameters beside the data for the models that
// keep their fits, the c(s) of a scaling law among them (without the switch
// for saving during the fit), and not for those that do not, as c(s) with an
// invariant D. Annealing ends on the fit of its final run also when that run
// is better than the best one shown so far (as here): the display then has
// nothing more to compute, the normal equations being released.
TEST_F(ContiFitTest, TheEndOfAFitSavesTheModelsThatKeepTheirFits)
{
    exampleCS(true);
    ASSERT_FALSE(szScanExtra.empty());
    chooseShortAnnealing();
    bSaveBestParams = 0;
    for (const auto& [nModel, bSaves] : {std::pair{872u, true}, std::pair{526u, false}}) {
        headless::setPolicy(headless::Policy::DefaultAnswers);
        command(nModel);
        headless::setPolicy(headless::Policy::FailOnUnexpected);
        pParamFloat[11] = 0;  // the meniscus alone floats
        std::filesystem::remove(szScanExtra);
        command(215);
        // the fit is shown, its points finite
        for (int k = 1; k <= nScans; k++)
            ASSERT_TRUE(std::isfinite(ppFit[k][pFitLastIndex[k]])) << nModel;
        EXPECT_EQ(std::filesystem::exists(szScanExtra), bSaves) << nModel;
        if (bSaves) {
            CVector saved;
            saved.Load(szScanExtra.c_str());
            ASSERT_GT(saved.nSize, 0) << nModel;
            EXPECT_EQ(saved.pData[0], 1.0f);  // a finished fit
        }
    }
    EXPECT_EQ(bModelCSInvariantD, 1);
}

// What the fit writes into a continuous model it writes into the slot of the
// parameter vector that the model's view reads: after a step of the fit, the
// vector read back into the model (as the save, the dialog and the next fit
// do) gives the step's values again, and the solvent stays.
TEST(ContiVectorTest, WhatTheFitSetsTheVectorGivesBack)
{
    struct Model {
        const char* szName;
        std::vector<unsigned char*> flags;
        std::vector<int> floated;  // entries of the vector whose fit flag is set
        int nFitted;               // the fit's parameters they give
    };
    const std::vector<Model> models = {
        {"c(s)", {&bModelCS}, {11}, 1},
        {"c(s) with a discrete M", {&bModelCSOneDiscreteM}, {6, 10, 11}, 3},
        {"c(s) with a discrete D", {&bModelCSOneDiscreteD}, {6, 10, 11}, 3},
        // f/f0 and D both from entry 11
        {"c(s) with invariant D", {&bModelCSInvariantD}, {11}, 2},
        {"fixed f/f0, floating vbar", {&bModelCSFixFf0FloatingVbar}, {11}, 1},
        {"scaling law", {&bModelCSScalingLaw}, {11}, 1},
        {"wormlike chain", {&bModelCSWormlikeChain}, {11}, 1},
        {"bimodal f/f0", {&bModelCSBimodalFf0}, {10, 11}, 2},
        {"non-ideal c(s)", {&bModelNonidealCS}, {6, 10, 11, 20, 21}, 5},
        {"electrophoresis c(v)", {&bModelElectrophoresisCV}, {3}, 1},
    };
    for (const Model& m : models) {
        bModelContinuous = 1;
        for (unsigned char* b : m.flags) *b = 1;
        for (int k = 1; k <= nParams; ++k) {
            pParamValue[k] = 1.0f + 0.01f * k;
            pParamFloat[k] = 0;
        }
        pParamValue[3] = 0.73f;   // vbar
        pParamValue[7] = 1.0f;    // density
        pParamValue[12] = 0.01f;  // viscosity, poise
        for (int k : m.floated) pParamFloat[k] = 1;
        paramVectorToGlobals();
        const int n = getContiParameters(0, nullptr);
        ASSERT_EQ(n, m.nFitted) << m.szName;
        std::vector<float> v(n + 1), w(n + 1);
        getContiParameters(n, v.data());
        for (int i = 1; i <= n; ++i) v[i] *= 1.05f;
        setContiParameters(v.data());
        paramVectorToGlobals();
        getContiParameters(n, w.data());
        for (int i = 1; i <= n; ++i) EXPECT_FLOAT_EQ(w[i], v[i]) << m.szName << ", position " << i;
        EXPECT_FLOAT_EQ(pParamValue[12], 0.01f) << m.szName;
        EXPECT_FLOAT_EQ(fBufferDensity, 1.0f) << m.szName;
        for (unsigned char* b : m.flags) *b = 0;
        bModelContinuous = 0;
    }
}
