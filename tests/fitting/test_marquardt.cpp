// Marquardt-Levenberg: the curvature by finite differences against the
// analytic one, the covariance and the report's errors, scaling and the
// finite-difference steps, the trial cut, the stop rule, damped systems that
// cannot be solved, and fits of the example data (discrete species and c(s))
// against the simplex.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/s_grid.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/conti_fit_fixture.h"
#include "fitting/discrete_fit_fixture.h"
#include "fitting/fit_driver.h"
#include "fitting/fit_globals.h"
#include "fitting/marquardt.h"
#include "models/model_globals.h"
#include "numerics/error_stop.h"
#include "numerics/random.h"
#include "platform/headless.h"
#include "plot/error_box.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"
#include "tools/fluorescence/fluorescence_options.h"

using namespace win;

namespace {

int gEvaluations = 0;

// One scan of 60 points from 6.0 to 7.0 cm: y = A exp(-k (r - 6)) + c.
float expModel(float* v, TXLAWindow*)
{
    ++gEvaluations;
    for (int i = 1; i <= pScanPoints[1]; ++i)
        ppFit[1][i] = v[1] * std::exp(-v[2] * (ppRadius[1][i] - 6.0f)) + v[3];
    return 0.0f;
}

// The same model whose second parameter gives no number once it moves.
float brokenSecondParameter(float* v, TXLAWindow* w)
{
    expModel(v, w);
    if (v[2] != 3.0f)
        for (int i = 1; i <= pScanPoints[1]; ++i) ppFit[1][i] = std::numeric_limits<float>::quiet_NaN();
    return 0.0f;
}

class SyntheticScanTest : public ::testing::Test {
protected:
    static constexpr int nPoints = 60;
    void SetUp() override
    {
        gEvaluations = 0;
        r.assign(nPoints + 1, 0.0f);
        signal.assign(nPoints + 1, 0.0f);
        fit.assign(nPoints + 1, 0.0f);
        seedRandomNumbers(9);
        for (int i = 1; i <= nPoints; ++i) {
            r[i] = 6.0f + (i - 1) / float(nPoints - 1);
            signal[i] = 2.0f * std::exp(-3.0f * (r[i] - 6.0f)) + 0.1f + static_cast<float>(gaussianRandom(0.01f));
        }
        rows = {nullptr, r.data()};
        signalRows = {nullptr, signal.data()};
        fitRows = {nullptr, fit.data()};
        points = {0, nPoints};
        first = {0, 1};
        last = {0, nPoints};
        nScans = 1;
        ppRadius = rows.data();
        ppSignal = signalRows.data();
        ppFit = fitRows.data();
        pScanPoints = points.data();
        pFitFirstIndex = first.data();
        pFitLastIndex = last.data();
    }
    void TearDown() override
    {
        freeMLArrays(0);
        nScans = 0;
        ppRadius = ppSignal = ppFit = nullptr;
        pScanPoints = pFitFirstIndex = pFitLastIndex = nullptr;
    }
    // The work set for three parameters started at (A, k, c), scaled.
    void start(float A, float k, float c, double* a, int* ia)
    {
        ASSERT_TRUE(allocMLArrays(3));
        float v[4] = {0, A, k, c};
        scaleStartVector(v, 3);
        for (int i = 1; i <= 3; ++i) {
            pMLRelStep[i] = 1.0005;
            pMLAbsStep[i] = 0.001;
            a[i] = v[i];
            ia[i] = 1;
        }
    }
    std::vector<float> r, signal, fit;
    std::vector<float*> rows, signalRows, fitRows;
    std::vector<int> points, first, last;
};

}  // namespace

TEST_F(SyntheticScanTest, TheCurvatureOfAnAmplitudeIsThatOfItsAnalyticDerivative)
{
    double a[4], chisq = 0;
    int ia[4];
    start(2.0f, 3.0f, 0.1f, a, ia);
    CMarquardtCore core = {expModel, false, 0, 0.0};
    marquardtCurvature(core, nullptr, a, ia, 3, pMLAlpha, pMLBeta, &chisq);
    EXPECT_EQ(gEvaluations, 4);  // the base point and one per parameter
    EXPECT_EQ(dMLTestPoints, nPoints);
    // the model is linear in A: d(model)/d(scaled A) = 2 exp(-3 (r - 6))
    double jtj = 0, jtr = 0, sumsq = 0;
    for (int i = 1; i <= nPoints; ++i) {
        const double d = 2.0 * std::exp(-3.0 * (r[i] - 6.0));
        const double dy = signal[i] - (2.0 * std::exp(-3.0 * (r[i] - 6.0)) + 0.1);
        jtj += d * d;
        jtr += d * dy;
        sumsq += dy * dy;
    }
    EXPECT_NEAR(pMLAlpha[1][1], jtj, 1e-3 * jtj);
    EXPECT_NEAR(chisq, sumsq, 1e-3 * sumsq);
    EXPECT_NEAR(pMLBeta[1], jtr, 0.01 * std::fabs(jtr) + 1e-6);
    // symmetric, and the rmsd of the evaluation shown
    EXPECT_EQ(pMLAlpha[1][2], pMLAlpha[2][1]);
    EXPECT_NEAR(dMLTestRmsd, std::sqrt(sumsq / nPoints), 1e-4);
}

// The covariance of the exponential in model units, (J^T J)^-1 with the
// analytic derivatives d/dA = e, d/dk = -A (r - 6) e, d/dc = 1 at the accepted
// point, and the report's error column: the roots of its diagonal. The three
// scales (2, 3, 0.1) differ, so a scale applied the wrong way or once too
// often shows.
TEST_F(SyntheticScanTest, TheReportedErrorsAreTheRootsOfTheCovarianceInModelUnits)
{
    double a[4], chisq = 0, lambda = -1;
    int ia[4];
    start(2.0f, 3.0f, 0.1f, a, ia);
    CMarquardtCore core = {expModel, false, 0, 0.0};
    marquardtStep(core, nullptr, a, ia, 3, &chisq, &lambda);
    float v[4];
    for (int i = 1; i <= 3; ++i) v[i] = static_cast<float>(a[i]);
    scaleParameters(v, 3);
    lambda = 0;
    marquardtStep(core, nullptr, a, ia, 3, &chisq, &lambda);

    double m[3][3] = {};
    for (int i = 1; i <= nPoints; ++i) {
        const double x = r[i] - 6.0, e = std::exp(-double(v[2]) * x);
        const double d[3] = {e, -double(v[1]) * x * e, 1.0};
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q) m[p][q] += d[p] * d[q];
    }
    // the inverse by cofactors
    double cov[3][3];
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 3; ++q) {
            const int p1 = (q + 1) % 3, p2 = (q + 2) % 3, q1 = (p + 1) % 3, q2 = (p + 2) % 3;
            cov[p][q] = (m[p1][q1] * m[p2][q2] - m[p1][q2] * m[p2][q1]) / det;
        }
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 3; ++q)
            EXPECT_NEAR(pMLCovar[p + 1][q + 1], cov[p][q], 0.01 * std::sqrt(cov[p][p] * cov[q][q])) << p << q;

    const std::string path =
        (std::filesystem::temp_directory_path() / ("morvex_mlreport_" + std::to_string(getpid()) + ".txt")).string();
    ASSERT_TRUE(writeMLReport(path.c_str(), 3, v));
    std::FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    for (int i = 1; i <= 3; ++i) {
        int k = 0;
        float value = 0, error = 0;
        ASSERT_EQ(std::fscanf(f, "%d: %e\t(%e)\t - %*e\t%*e\t%*e\t", &k, &value, &error), 3) << i;
        EXPECT_EQ(k, i);
        EXPECT_FLOAT_EQ(value, v[i]);
        EXPECT_NEAR(error, std::sqrt(cov[i - 1][i - 1]), 0.005 * std::sqrt(cov[i - 1][i - 1])) << i;
    }
    std::fclose(f);
    std::filesystem::remove(path);
}

TEST_F(SyntheticScanTest, ScalesAndStepsKeepAParameterAtZeroInModelUnits)
{
    ASSERT_TRUE(allocMLArrays(3));
    float v[4] = {0, 4.3f, 0.0f, -2.0f};
    scaleStartVector(v, 3);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(v[2], 0.0f);
    EXPECT_EQ(v[3], 1.0f);
    EXPECT_EQ(pMLParamScale[1], 4.3f);
    EXPECT_EQ(pMLParamScale[2], 0.0f);
    EXPECT_EQ(pMLParamScale[3], -2.0f);
    for (int i = 1; i <= 3; ++i) {
        pMLRelStep[i] = 1.0005;
        pMLAbsStep[i] = 0.001;
    }
    const double a[4] = {0, 1.0, 0.0, 1.0};
    unscaleParameters(3, a);
    EXPECT_DOUBLE_EQ(pMLStepValue[1], 1.0005);
    EXPECT_DOUBLE_EQ(pMLStepValue[2], 0.001);  // the absolute step, written back unscaled
    float w[4] = {0, 1.0005f, 0.001f, 0.5f};
    scaleParameters(w, 3);
    EXPECT_FLOAT_EQ(w[1], 4.3f * 1.0005f);
    EXPECT_EQ(w[2], 0.001f);
    EXPECT_EQ(w[3], -1.0f);

    // The steps of the discrete fit's slots by their kind: every extra
    // switched on and floated, in the order of the vector, then an entry. A
    // slot at 0 is probed at its absolute step, any other at its relative step
    // times its scaled value.
    bInhomogeneousSolvent = bFitVbarInGradient = 1;
    bFloExcitationCone = bFloExcitationConeFloat = 1;
    bWienerSkewing = bWSkewFloating = 1;
    bFloMagnificationDrift = bFloBleaching = bFloKBleachFloat = bFloAlimFloat = 1;
    bFloDrift = bFloDriftFloat = 1;
    bFloConvolution = bFloConvolutionFloat = 1;
    bFloRadialMagnification = bFloRadialMagFactorFloat = 1;
    bNonlinearDetection = bFitDetectionPower = 1;
    bJohnstonOgston = bFitJOSValue = bFitJODValue = bFitJOAmplitude = bFitJOKs = 1;
    bAlgebraicConcentrations = 0;
    bBufferMismatch = bFitBufferSignal = bFitBufferD = bFitBufferS = 1;
    bBufferMeniscusMismatch = bFitBufferMeniscusDiff = bFitBufferRelConc = 1;
    bBufferRefDifferent = bFitBufferRefD = bFitBufferRefS = 1;
    struct Step {
        const char* szKind;
        double dRel, dAbs;
    };
    const Step steps[] = {{"gradient vbar", 1.0001, 1e-4},
                          {"excitation cone", 1.001, 0.001},
                          {"W-skew", 1.01, 1e-6},
                          {"bleaching rate", 1.001, 0.001},
                          {"bleaching limit", 1.001, 0.001},
                          {"drift", 1.001, 0.001},
                          {"convolution", 1.001, 0.001},
                          {"radial magnification", 1.0001, 1e-4},
                          {"detection power", 1.0001, 1e-4},
                          {"depletion s", 1.0001, 1e-4},
                          {"depletion D", 1.0001, 1e-4},
                          {"depletion amplitude", 1.0001, 1e-4},
                          {"depletion ks", 1.0001, 1e-4},
                          {"buffer signal", 1.001, 0.001},
                          {"buffer D", 1.01, 0.1},
                          {"buffer s", 1.001, 0.001},
                          {"meniscus difference", 1.0001, 0.001},
                          {"concentration ratio", 1.01, 0.01},
                          {"reference D", 1.01, 0.1},
                          {"reference s", 1.001, 0.001},
                          {"entry of the vector", 1.0005, 0.001}};
    constexpr int n = 21;
    freeMLArrays(0);
    ASSERT_TRUE(allocMLArrays(n));
    for (const bool bMolarMass : {false, true}) {
        bUseMolarMass = bMolarMass;  // buffer and reference Mb instead of D
        setMLStepSizes();
        double zero[n + 1] = {}, two[n + 1];
        std::fill(two, two + n + 1, 2.0);
        unscaleParameters(n, zero);
        const char* szUnit = bMolarMass ? ", Mb" : ", D";
        for (int j = 1; j <= n; ++j) {
            const bool bMb = bMolarMass && (j == 15 || j == 19);
            EXPECT_DOUBLE_EQ(pMLStepValue[j], bMb ? 10.0 : steps[j - 1].dAbs) << steps[j - 1].szKind << szUnit;
        }
        unscaleParameters(n, two);
        for (int j = 1; j <= n; ++j)
            EXPECT_DOUBLE_EQ(pMLStepValue[j], 2 * steps[j - 1].dRel) << steps[j - 1].szKind << szUnit;
    }
}

TEST(MarquardtTrialTest, AnIncrementBeyondTenfoldIsCutWithItsSign)
{
    EXPECT_EQ(limitTrialValue(1.0, 5.0), 5.0);
    EXPECT_EQ(limitTrialValue(1.0, 25.0), 10.0);
    EXPECT_EQ(limitTrialValue(1.0, -25.0), -10.0);   // through zero: -10 times
    EXPECT_EQ(limitTrialValue(-2.0, -30.0), -20.0);
    EXPECT_EQ(limitTrialValue(-2.0, 50.0), 20.0);
    EXPECT_EQ(limitTrialValue(0.0, 1e6), 1e6);       // nothing to compare with
}

TEST(MarquardtStopRuleTest, TheSecondSmallAcceptedStepEndsTheFit)
{
    // small, large, small: the third ends it
    CMLStopRule rule;
    EXPECT_TRUE(rule.Step(100.0, 1e-2, 100.0 - 1e-6, 1e-3));
    EXPECT_FALSE(rule.bDone);
    EXPECT_FALSE(rule.Step(100.0, 1e-3, 50.0, 1e-4));
    EXPECT_FALSE(rule.bDone);
    EXPECT_TRUE(rule.Step(50.0, 1e-4, 50.0 - 1e-7, 1e-5));
    EXPECT_TRUE(rule.bDone);

    // rejected steps and equal chi-square neither arm nor end it
    CMLStopRule other;
    EXPECT_FALSE(other.Step(10.0, 1e-3, 10.0, 1e-2));
    EXPECT_FALSE(other.Step(10.0, 1e-2, 10.0, 1e-2));
    EXPECT_FALSE(other.bArmed);
    // a chi-square below 1e-10 counts as small
    EXPECT_TRUE(other.Step(1e-9, 1e-2, 5e-11, 1e-3));
    EXPECT_TRUE(other.bArmed && !other.bDone);

    // an iteration with only small increments arms it: the next small step ends it
    CMLStopRule limit;
    limit.LimitHit();
    EXPECT_FALSE(limit.bDone);
    limit.Step(10.0, 1e-3, 5.0, 1e-4);
    EXPECT_FALSE(limit.bDone);
    limit.Step(5.0, 1e-4, 5.0 - 1e-8, 1e-5);
    EXPECT_TRUE(limit.bDone);
}

TEST_F(SyntheticScanTest, ADampedSystemThatCannotBeSolvedIsARejectedStep)
{
    double a[4], chisq = 0, lambda = -1;
    int ia[4];
    start(1.5f, 2.5f, 0.15f, a, ia);
    CMarquardtCore core = {expModel, false, 0, 0.0};
    marquardtStep(core, nullptr, a, ia, 3, &chisq, &lambda);
    ASSERT_EQ(gEvaluations, 8);  // the curvature at the start and at the first trial
    // A curvature that is not positive definite: the solver cannot solve it.
    pMLAlpha[1][1] = 1;
    pMLAlpha[1][2] = pMLAlpha[2][1] = 2;
    pMLAlpha[2][2] = 1;
    const double aBefore[4] = {0, a[1], a[2], a[3]};
    const double dLambda = lambda, dChisq = chisq;
    marquardtStep(core, nullptr, a, ia, 3, &chisq, &lambda);
    EXPECT_EQ(gEvaluations, 8);  // no trial
    EXPECT_EQ(lambda, static_cast<double>(static_cast<float>(dLambda) * 10.0f));
    EXPECT_EQ(chisq, dChisq);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(a[i], aBefore[i]);
    EXPECT_EQ(nMLLimitHit, 0);

    // Derivatives that are no numbers: the first step is rejected as well,
    // without a trial and without a box.
    freeMLArrays(0);
    gEvaluations = 0;
    start(2.0f, 3.0f, 0.1f, a, ia);
    CMarquardtCore broken = {brokenSecondParameter, false, 0, 0.0};
    lambda = -1;
    headless::Script script;
    marquardtStep(broken, nullptr, a, ia, 3, &chisq, &lambda);
    EXPECT_EQ(gEvaluations, 4);
    EXPECT_EQ(lambda, static_cast<double>(0.01f * 10.0f));
    EXPECT_EQ(chisq, broken.dOldChisq);
    EXPECT_TRUE(std::isfinite(chisq));
    EXPECT_EQ(a[1], 1.0);
    EXPECT_EQ(a[2], 1.0);
    EXPECT_TRUE(script.lines().empty());
}

// A parameter held fixed keeps its value through accepted steps, also when it
// is the last of the vector; the free ones reach the data's truth (A = 2,
// k = 3 under noise 0.01) with the baseline held at its true 0.1.
TEST_F(SyntheticScanTest, AFixedLastParameterStaysWhileTheOthersReachTheTruth)
{
    double a[4], chisq = 0, lambda = -1;
    int ia[4];
    start(1.5f, 2.5f, 0.1f, a, ia);
    ia[3] = 0;
    CMarquardtCore core = {expModel, false, 0, 0.0};
    int nAccepted = 0;
    for (int it = 0; it < 30 && lambda < 1e6; ++it) {
        const double dBefore = lambda < 0 ? 0.0 : chisq;
        marquardtStep(core, nullptr, a, ia, 3, &chisq, &lambda);
        if (dBefore > 0.0 && chisq < dBefore) ++nAccepted;
        EXPECT_EQ(a[3], 1.0) << it;
        if (nMLLimitHit) break;
    }
    EXPECT_GT(nAccepted, 0);
    EXPECT_NEAR(a[1] * 1.5, 2.0, 0.03);
    EXPECT_NEAR(a[2] * 2.5, 3.0, 0.06);
}

// ---------------------------------------------------------------- fits of the example

namespace {

class MarquardtFitTest : public DiscreteFitTest {
protected:
    void startValues()
    {
        pParamValue[5] = 4.0f;
        pParamValue[1] = 5.0f;
        paramVectorToGlobals();
    }
};

}  // namespace

TEST_F(MarquardtFitTest, ReachesTheSimplexOptimumAndReportsWithoutTouchingTheRangesFile)
{
    exampleModel("5", "4.0", true, "0.02", true);
    // the reference: the restarted simplex with a tight tolerance
    fTolerance = 0.001f;
    seedRandomNumbers(3);
    startValues();
    ASSERT_EQ(window->RunFit(), 1);
    const float fSimplexS = pParamValue[5], fSimplexD = pParamValue[1], fSimplexRmsd = fRmsd;

    // the ranges file of the integration commands stays as the user wrote it
    const std::string szRanges = "/home/user/ranges for c(s).txt\n";
    writeText(szIntegrRangeFilePath, szRanges);
    command(CM_MARQUARDT_LEVENBERG);
    startValues();
    ASSERT_EQ(window->RunFit(), 1);
    // s to 0.1 %; D only as well as the model's own rounding lets the rmsd
    // tell (near the optimum chi-square scatters by 2e-5 of itself from one
    // D to the next, as much as D moved by 0.2 % changes it)
    EXPECT_NEAR(pParamValue[5], fSimplexS, 0.001f * fSimplexS);
    EXPECT_NEAR(pParamValue[1], fSimplexD, 0.003f * fSimplexD);
    EXPECT_NEAR(fRmsd, fSimplexRmsd, 1e-4f * fSimplexRmsd);
    EXPECT_EQ(pSpeciesS[1], pParamValue[5]);
    EXPECT_FALSE(bFitRunning || bStopFit || pProgressLine || pMLAlpha);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("Marquardt-Levenberg: s %.5f D %.5f rmsd %.7f after %d iterations, %d evaluations; simplex s %.5f "
                    "D %.5f rmsd %.7f\n",
                    pParamValue[5], pParamValue[1], fRmsd, nFitSteps, nSimCount, fSimplexS, fSimplexD, fSimplexRmsd);

    EXPECT_EQ(readText(szIntegrRangeFilePath), szRanges);
    const std::vector<std::string> report = readLines(work + "mlreport.txt");
    ASSERT_EQ(report.size(), 2u);  // D, then s
    float v = 0, e = 0;
    ASSERT_EQ(std::sscanf(report[0].c_str(), "1: %e\t(%e)", &v, &e), 2) << report[0];
    EXPECT_FLOAT_EQ(v, pParamValue[1]);
    EXPECT_GT(e, 0.0f);
    ASSERT_EQ(std::sscanf(report[1].c_str(), "2: %e\t(%e)", &v, &e), 2) << report[1];
    EXPECT_FLOAT_EQ(v, pParamValue[5]);
    EXPECT_NE(report[1].find("\t - "), std::string::npos);
}

TEST_F(MarquardtFitTest, ALoadingHasTheCurvatureOfItsBasisAndABaselineFromZeroIsFound)
{
    exampleModel("6.1", "4.3", false, "0", false);
    bAlgebraicConcentrations = 0;
    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    pParamFloat[9] = 1;
    pParamValue[9] = pSpeciesConc[1] = 0.8f;
    paramVectorToGlobals();
    ASSERT_EQ(packFitParameters(0, nullptr), 1);
    ASSERT_TRUE(allocMLArrays(1));
    setMLStepSizes();
    EXPECT_EQ(pMLRelStep[1], 1.0005);
    float v[2] = {};
    packFitParameters(1, v);
    scaleStartVector(v, 1);
    double a[2] = {0, v[1]}, chisq = 0;
    int ia[2] = {0, 1};
    mlcof(window.get(), a, ia, 1, pMLAlpha, pMLBeta, &chisq);
    // the model is the loading times its basis (plus the fixed baseline 0):
    // the derivative by the scaled loading is the base fit itself
    double jtj = 0;
    for (int s = 1; s <= nScans; ++s)
        for (int p = pFitFirstIndex[s]; p <= pFitLastIndex[s]; ++p) jtj += double(pMLBaseFit[s][p]) * pMLBaseFit[s][p];
    EXPECT_NEAR(pMLAlpha[1][1], jtj, 1e-3 * jtj);
    freeMLArrays(0);

    // the baseline floated from 0 keeps the scale 0 and is found all the same
    pParamFloat[9] = 0;
    pParamFloat[15] = 1;
    pParamValue[15] = fBaseline = 0.0f;
    command(CM_MARQUARDT_LEVENBERG);
    ASSERT_EQ(window->RunFit(), 1);
    EXPECT_NEAR(fBaseline, 0.02f, 0.0005f);
    EXPECT_NEAR(fRmsd, 0.0040f, 0.0002f);
}

TEST_F(MarquardtFitTest, AKeyEndsTheFitAtTheAcceptedPointWithoutAReport)
{
    exampleModel("5", "4.0", true, "0.02", true);
    command(CM_MARQUARDT_LEVENBERG);
    startValues();
    headless::Script script;
    script.pressKey(VK_SPACE);
    EXPECT_EQ(window->RunFit(), 0);
    EXPECT_FALSE(bFitRunning || bStopFit || pProgressLine || pMLAlpha);
    EXPECT_FALSE(std::filesystem::exists(work + "mlreport.txt"));
    // the start point is the accepted one: the model is back at it
    EXPECT_FLOAT_EQ(pParamValue[5], 4.0f);
    EXPECT_FLOAT_EQ(pParamValue[1], 5.0f);
    EXPECT_LT(nSimCount, 6);
}

TEST_F(ContiFitTest, TheDistributionTwinsFitMeniscusAndFrictionalRatioAsTheSimplexDoes)
{
    seedRandomNumbers(7);
    exampleCS(true);
    command(215);
    const float fSimplexMeniscus = fMeniscus, fSimplexRatio = fFrictionalRatio;

    command(CM_MARQUARDT_LEVENBERG);
    pParamValue[13] = fMeniscus = 5.98f;
    pParamValue[11] = fFrictionalRatio = 1.2f;
    paramVectorToGlobals();
    headless::Script script;
    command(215);
    EXPECT_NEAR(fMeniscus, fSimplexMeniscus, 0.002f);
    EXPECT_NEAR(fFrictionalRatio, fSimplexRatio, fTolerance * fSimplexRatio);
    EXPECT_NEAR(fMeniscus, 6.000f, 0.002f);
    EXPECT_NEAR(fFrictionalRatio, 1.33f, 0.04f);
    EXPECT_LE(calcRmsd(), 0.0042f);
    EXPECT_TRUE(bFinalFitEvaluation && bModelComputed);
    EXPECT_FALSE(bFitRunning || bStopFit || bFitStoppedByUser || pProgressLine || pMLAlpha);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("c(s) by Marquardt-Levenberg: meniscus %.4f f/f0 %.4f after %d iterations, %d evaluations; simplex "
                    "%.4f %.4f\n",
                    fMeniscus, fFrictionalRatio, nFitSteps, nSimCount, fSimplexMeniscus, fSimplexRatio);
    for (const std::string& l : script.lines()) EXPECT_EQ(l.find("MessageBox"), std::string::npos) << l;
}

// c(s) over 0.5-3 S beside one discrete species of fixed M 63 kDa (the example's
// species, 4.3 S and 6.1e-7 cm^2/s at vbar 0.73, has M 63.3 kDa by Svedberg): the fit
// of the species' s alone, started 7 % low, ends where the rmsd has its minimum. The
// objective itself, evaluated on either side of the result, is no lower there,
// and the s is the solver's 4.3 S.
TEST_F(ContiFitTest, TheDiscreteSpeciesSEndsAtTheMinimumOfTheRmsd)
{
    exampleCS(false);
    headless::setPolicy(headless::Policy::DefaultAnswers);
    bUseMolarMass = 1;
    command(531);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    ASSERT_TRUE(bModelCSOneDiscreteM);
    pParamValue[1] = 0.5f;  // smin
    pParamValue[5] = 3.0f;  // smax
    pParamValue[9] = 30;    // grid points
    pParamValue[6] = 4.0f;  // the species' s, floating
    pParamFloat[6] = 1;
    pParamValue[10] = 63000.0f;  // its M, fixed
    pParamFloat[10] = 0;
    pParamValue[13] = 6.0f;
    paramVectorToGlobals();
    command(CM_MARQUARDT_LEVENBERG);
    headless::Script script;
    command(215);
    for (const std::string& l : script.lines()) EXPECT_EQ(l.find("MessageBox"), std::string::npos) << l;
    ASSERT_TRUE(bFinalFitEvaluation && bModelComputed);
    const float fS = fDiscreteCompS;
    EXPECT_NEAR(fS, 4.30f, 0.01f);

    // the objective of the fit, without regularization, at s and 0.03 % to
    // either side
    ASSERT_TRUE(setupSGrid());
    ASSERT_EQ(getContiParameters(0, nullptr), 1);
    bFitRunning = 1;
    bFinalFitEvaluation = 0;
    float fRmsdAt[3];
    for (int k = 0; k < 3; ++k) {
        float v[2] = {0, fS * (1.0f + 3e-4f * static_cast<float>(k - 1))};
        bStopFit = 0;
        fRmsdAt[k] = ContiSimplexSim(v, nullptr);
        ASSERT_FALSE(bStopFit) << k;
    }
    bFitRunning = 0;
    EXPECT_GE(fRmsdAt[0], fRmsdAt[1]) << "s " << fS;
    EXPECT_GE(fRmsdAt[2], fRmsdAt[1]) << "s " << fS;
}

TEST_F(ContiFitTest, AnnealingOfTheDistributionChainsIntoMarquardtLevenberg)
{
    exampleCS(true);
    bSimplex = 0;
    bSimulatedAnnealing = 1;
    SAmaxTemp = fSATemperature = 0.05f;
    nSANumberOfTemps = 2;
    nSAItMax = 8;
    bSAFinalML = 1;
    bAnnealFinalSimplex = 0;
    command(215);
    EXPECT_EQ(fSATemperature, 0.05f);
    EXPECT_NEAR(fMeniscus, 6.000f, 0.002f);
    EXPECT_NEAR(fFrictionalRatio, 1.33f, 0.04f);
    EXPECT_TRUE(bFinalFitEvaluation && bModelComputed);
    EXPECT_FALSE(bFitRunning || bStopFit || pProgressLine);
}

// A parameter whose step does not move it (a step factor of 1) has no
// derivative: said so, and it adds nothing to the curvature or the gradient,
// whatever derivatives an earlier evaluation left behind.
TEST_F(SyntheticScanTest, AParameterThatDoesNotMoveAddsNothing)
{
    double a[4], chisq = 0;
    int ia[4];
    start(2.0f, 3.0f, 0.1f, a, ia);
    pMLRelStep[2] = 1.0;
    for (int i = 1; i <= 3; ++i)
        for (int p = 1; p <= nPoints; ++p) pMLDerivatives[1][i][p] = 1.0f;  // left from before
    headless::setPolicy(headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    CMarquardtCore core = {expModel, false, 0, 0.0};
    marquardtCurvature(core, nullptr, a, ia, 3, pMLAlpha, pMLBeta, &chisq);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "zero differential in mlcof");
    for (int j = 1; j <= 3; ++j) {
        EXPECT_EQ(pMLAlpha[2][j], 0.0) << j;
        EXPECT_EQ(pMLAlpha[j][2], 0.0) << j;
    }
    EXPECT_EQ(pMLBeta[2], 0.0);
    EXPECT_GT(pMLAlpha[1][1], 0.0);
    clearShownErrorMessages();
}

// Derivative arrays that cannot be made end the computation in the fatal box
// "could not allocate arrays in Marquard Levenberg routine, increase memory"
// and leave no part of the set behind; a set of the usual size is made again
// afterwards.
TEST_F(SyntheticScanTest, DerivativeArraysThatCannotBeMadeAreSaidAndLeaveNothing)
{
    ASSERT_TRUE(allocDerivativeArrays(3));
    ASSERT_NE(pMLDerivatives, nullptr);
    // 2^23 parameters over a scan of 2^23 points: 2^46 floats in one block,
    // beyond any address space
    points[1] = 1 << 23;
    clearShownErrorMessages();
    headless::Script script;
    script.expectMessageBox("Error", IDOK);
    // (the sanitizer build's allocator names the size it refused on standard
    // error)
    testing::internal::CaptureStderr();
    const bool bDone = runAbandonable([] { allocDerivativeArrays(1 << 23); });
    testing::internal::GetCapturedStderr();
    points[1] = nPoints;
    EXPECT_FALSE(bDone);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "could not allocate arrays in Marquard Levenberg routine, increase memory");
    EXPECT_EQ(errorBoxQuitRequests(), 1);
    EXPECT_EQ(pMLDerivatives, nullptr);
    EXPECT_EQ(pMLBaseFit, nullptr);
    ASSERT_TRUE(allocDerivativeArrays(3));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(pMLDerivatives[1][i][nPoints], 0.0f) << i;
    clearShownErrorMessages();
}
