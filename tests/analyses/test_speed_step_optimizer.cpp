// The pieces of the speed-step optimiser: the estimate of the time at
// constant speed, the speed a parameter vector prescribes, its speed steps,
// and the simplex that searches them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/speed_step_optimizer.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "fitting/fit_globals.h"
#include "fitting/simplex.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/error_box.h"

namespace {

class SpeedStepOptimizerTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        releaseSpeedStepOptimizer();
        resetTimeToEqParams(&timeToEqParams);
    }
    // The species of a search at the defaults (39 h at constant speed), one
    // speed factor for the first 2 h.
    static void oneFactorForTwoHours()
    {
        TimeToEqParams& tp = timeToEqParams;
        tp.fVbar = 0.73f;
        const float fr[] = {0, 1}, s[] = {0, 4.1639f}, D[] = {0, 5.7554e-7f};
        setOptimizationSpecies(39 * 3600.0f, 1, fr, s, D);
        tp.bExponential = 0;
        tp.nParams = 1;
        tp.fOverspeedTime = 7200;
    }
};

}  // namespace

TEST_F(SpeedStepOptimizerTest, EstimateAtConstantSpeed)
{
    // the tool's defaults: 15000 rpm, 20 C, M 65000, vbar 0.73 in water, the
    // column 6.75 - 7.2 cm, D 5.755e-7 cm^2/s, epsilon 0.001
    const float t = estimateTimeToEq(15000, 20, 65000, 0.99823f, 0.73f, 7.2f, 6.75f, 5.755e-7f, 0.001f);
    EXPECT_NEAR(t, 38.95f, 0.005f);
    // a tenfold tolerance takes less time, a four times shorter column far less
    EXPECT_LT(estimateTimeToEq(15000, 20, 65000, 0.99823f, 0.73f, 7.2f, 6.75f, 5.755e-7f, 0.01f), t);
    EXPECT_LT(estimateTimeToEq(15000, 20, 65000, 0.99823f, 0.73f, 7.2f, 7.0875f, 5.755e-7f, 0.001f), t / 8);
}

TEST_F(SpeedStepOptimizerTest, SpeedOfAParameterVector)
{
    TimeToEqParams& tp = timeToEqParams;
    float p[8] = {0, 1, 1, 1, 1, 1, 1, 1};
    // steps: an all-1.0 vector runs at the final speed throughout
    tp.bExponential = 0;
    tp.nParams = 5;
    for (float t : {0.0f, 100.0f, 5999.0f, 6001.0f, 29999.0f, 30001.0f, 1e6f})
        EXPECT_EQ(rpmAtTime(p, t, false, 1), 15000.0f) << t;
    // the k-th of n equal parts of the overspeed time takes p[k]
    p[1] = 2.0f;
    p[3] = 1.2f;
    EXPECT_EQ(rpmAtTime(p, 0, false, 1), 30000.0f);
    EXPECT_EQ(rpmAtTime(p, 5990, false, 1), 30000.0f);  // part 1 ends at 6000 s
    EXPECT_EQ(rpmAtTime(p, 6010, false, 1), 15000.0f);
    EXPECT_EQ(rpmAtTime(p, 15000, false, 1), 18000.0f);
    EXPECT_EQ(rpmAtTime(p, -1, false, 1), 15000.0f);
    EXPECT_EQ(rpmAtTime(nullptr, 0, false, 1), 15000.0f);
    // clamped to 3000..50000 rpm
    p[1] = 0.01f;
    EXPECT_EQ(rpmAtTime(p, 0, false, 1), 3000.0f);
    p[1] = 10.0f;
    EXPECT_EQ(rpmAtTime(p, 0, false, 1), 50000.0f);

    // exponential: (exp(-h / tau) A + 1) final, tau = max(0.5, 5 |p1|) h
    tp.bExponential = 1;
    tp.nParams = 3;
    float q[4] = {0, 1, 0.5f, 0.25f};
    EXPECT_FLOAT_EQ(rpmAtTime(q, 0, false, 1), 1.5f * 15000);
    EXPECT_NEAR(rpmAtTime(q, 3600, false, 1), (std::exp(-1.0f / 5) * 0.5f + 1) * 15000, 0.01f);
    EXPECT_NEAR(rpmAtTime(q, 20000, false, 1), (std::exp(-20000.0f / 3600 / 5) * 0.25f + 1) * 15000, 0.01f);
    q[1] = -0.02f;  // tau = 0.5 h at least
    EXPECT_NEAR(rpmAtTime(q, 3600, false, 1), (std::exp(-2.0f) * 0.5f + 1) * 15000, 0.01f);
    // rounded to the quantum
    EXPECT_EQ(std::fmod(rpmAtTime(q, 1234, true, 100), 100.0f), 0.0f);
    EXPECT_NEAR(rpmAtTime(q, 1234, true, 100), rpmAtTime(q, 1234, false, 1), 50.0f);
    EXPECT_EQ(rpmAtTime(q, 1e6f, true, 100), 15000.0f);

    // a time on the border of two parts belongs to the part it ends; the
    // overspeed time itself to the last part (parts of exactly 1 h here)
    tp.fOverspeedTime = 7200;
    tp.bExponential = 0;
    tp.nParams = 2;
    const float two[3] = {0, 1.2f, 1.1f};
    EXPECT_FLOAT_EQ(rpmAtTime(two, 3600, false, 1), 18000.0f);
    EXPECT_FLOAT_EQ(rpmAtTime(two, 3601, false, 1), 16500.0f);
    EXPECT_FLOAT_EQ(rpmAtTime(two, 7200, false, 1), 16500.0f);
    EXPECT_EQ(rpmAtTime(two, 7201, false, 1), 15000.0f);
    tp.bExponential = 1;
    tp.nParams = 3;
    const float three[4] = {0, 1, 0.5f, 0.25f};  // tau = 5 h
    EXPECT_NEAR(rpmAtTime(three, 3600, false, 1), (std::exp(-0.2f) * 0.5f + 1) * 15000, 0.01f);
    EXPECT_NEAR(rpmAtTime(three, 3601, false, 1), (std::exp(-3601.0f / 3600 / 5) * 0.25f + 1) * 15000, 0.01f);
    EXPECT_NEAR(rpmAtTime(three, 7200, false, 1), (std::exp(-0.4f) * 0.25f + 1) * 15000, 0.01f);
    EXPECT_EQ(rpmAtTime(three, 7201, false, 1), 15000.0f);
    // the same where the end of the last part comes out a hair short of the
    // overspeed time in float arithmetic (3 H / 3 < H for H = 4820 s): steps
    // n = 3 still run p[3] = 1.15 x 15000 = 17250 rpm at 4820 s, and the
    // exponential form n = 4 (three parts) still takes A = p[4] = 0.25
    tp.fOverspeedTime = 4820;
    tp.bExponential = 0;
    tp.nParams = 3;
    const float steps3[4] = {0, 1.3f, 1.2f, 1.15f};
    for (float t : {4819.0f, 4820.0f}) EXPECT_FLOAT_EQ(rpmAtTime(steps3, t, false, 1), 17250.0f) << t;
    EXPECT_EQ(rpmAtTime(steps3, 4821, false, 1), 15000.0f);
    tp.bExponential = 1;
    tp.nParams = 4;
    const float four[5] = {0, 1, 0.5f, 0.375f, 0.25f};  // tau = 5 h
    for (float t : {4819.0f, 4820.0f})
        EXPECT_NEAR(rpmAtTime(four, t, false, 1), (std::exp(-t / 3600 / 5) * 0.25f + 1) * 15000, 0.01f) << t;
}

TEST_F(SpeedStepOptimizerTest, SpeedStepsOfAParameterVector)
{
    TimeToEqParams& tp = timeToEqParams;
    tp.bExponential = 1;
    tp.nParams = 2;
    float p[3] = {0, 1.0f, 0.5f};
    int n = 0;
    float *s = nullptr, *v = nullptr, *r = nullptr;
    ASSERT_TRUE(paramsToSpeedSteps(p, &n, &s, &v, &r, false, 1));
    // the grid of the default step of 900 s: 600 s in the first hour, 900 s
    // to three hours, 1800 s after, up to the overspeed time of 30000 s
    ASSERT_GE(n, 10);
    EXPECT_EQ(s[1], 0.0f);
    EXPECT_EQ(s[2], 600.0f);
    EXPECT_EQ(s[7], 3600.0f);
    EXPECT_EQ(s[8], 4500.0f);
    EXPECT_EQ(s[15], 10800.0f);
    EXPECT_EQ(s[16], 12600.0f);
    EXPECT_EQ(s[n - 1], 28800.0f);
    EXPECT_EQ(s[n], 30000.0f);  // the closing step at the final speed
    EXPECT_EQ(v[n], 15000.0f);
    EXPECT_EQ(v[1], 22500.0f);
    for (int k = 2; k < n; ++k) {
        EXPECT_LT(v[k], v[k - 1]) << k;
        EXPECT_EQ(r[k], 280.0f);
    }
    free_vector(s, 1, n);
    free_vector(v, 1, n);
    free_vector(r, 1, n);

    // a fall steeper than its rate over the interval is cut to rate x interval
    tp.fDecelerationRate = 1.0f;
    const float fast[3] = {0, 0.02f, 0.5f};  // tau = 0.5 h
    ASSERT_TRUE(paramsToSpeedSteps(fast, &n, &s, &v, &r, false, 1));
    EXPECT_EQ(v[2], 22500.0f - 600.0f);
    EXPECT_EQ(r[2], 1.0f);
    free_vector(s, 1, n);
    free_vector(v, 1, n);
    free_vector(r, 1, n);
    tp.fDecelerationRate = 280.0f;

    // rounded to 100 rpm, changes below 100 rpm merge
    const float q[3] = {0, 0.2f, 0.1f};
    ASSERT_TRUE(paramsToSpeedSteps(q, &n, &s, &v, &r, true, 100));
    EXPECT_EQ(v[1], 16500.0f);
    for (int k = 2; k < n; ++k) EXPECT_GE(std::fabs(v[k] - v[k - 1]), 100.0f) << k;
    for (int k = 1; k <= n; ++k) EXPECT_EQ(std::fmod(v[k], 100.0f), 0.0f) << k;
    EXPECT_LT(n, 26);
    EXPECT_EQ(s[n], 30000.0f);
    free_vector(s, 1, n);
    free_vector(v, 1, n);
    free_vector(r, 1, n);

    // a change of exactly one quantum is a step: three parts of 2400 s at
    // 15200, 15100 and 15000 rpm on the grid 0, 600, .., 3600, 4500, 5400,
    // 6300 s change at the first grid times past 2400 and 4800 s
    tp.bExponential = 0;
    tp.nParams = 3;
    tp.fOverspeedTime = 7200;
    const float stairs[4] = {0, 15200.0f / 15000, 15100.0f / 15000, 1};
    ASSERT_TRUE(paramsToSpeedSteps(stairs, &n, &s, &v, &r, true, 100));
    ASSERT_EQ(n, 4);
    const float start[5] = {0, 0, 3000, 5400, 7200}, rpm[5] = {0, 15200, 15100, 15000, 15000};
    for (int k = 1; k <= n; ++k) {
        EXPECT_EQ(s[k], start[k]) << k;
        EXPECT_EQ(v[k], rpm[k]) << k;
    }
    free_vector(s, 1, n);
    free_vector(v, 1, n);
    free_vector(r, 1, n);
}

namespace {

int gCalls = 0;
float gLevel = 10000.0f;

// A slope that never ends and never steepens: every reflection is the best
// point yet and every expansion beyond it a little worse, so the simplex
// walks on at one size and its values never settle.
float restlessObjective(float*, TXLAWindow*)
{
    if (gCalls++ % 2 == 0) return gLevel -= 1.0f;
    return gLevel + 0.5f;
}

float rosenbrock(float* p, TXLAWindow*)
{
    const float a = 1 - p[1], b = p[2] - p[1] * p[1];
    return a * a + 100 * b * b + 1;
}

}  // namespace

TEST_F(SpeedStepOptimizerTest, SimplexStopsAfterItsEvaluationLimit)
{
    win::headless::Script script;
    script.expectMessageBox("Nelder-Mead not converged", win::IDOK);
    float** p = matrix(1, 2, 1, 1);
    float* y = vector(1, 2);
    p[1][1] = 0;
    p[2][1] = 1;
    y[1] = 10000.0f;
    y[2] = 10001.0f;
    fShownBestRmsd = -1;  // no progress curve (the values stay above it)
    timeToEqParams.nParams = 1;
    timeToEqParams.bExponential = 0;
    int nCount = 0;
    nelderMeadSpeedSteps(nullptr, p, y, 1, 1e-5f, restlessObjective, &nCount);
    EXPECT_EQ(nCount, 5000);
    EXPECT_EQ(gCalls, 5000);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(shownErrorMessages().back(), "Nelder-Mead not converged");
    free_matrix(p, 1, 2, 1, 1);
    free_vector(y, 1, 2);
}

TEST_F(SpeedStepOptimizerTest, SimplexFindsTheMinimum)
{
    float** p = matrix(1, 3, 1, 2);
    float* y = vector(1, 3);
    const float start[3][2] = {{-1.2f, 1.0f}, {-1.0f, 1.0f}, {-1.2f, 1.2f}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 2; ++j) p[i][j] = start[i - 1][j - 1];
    for (int i = 1; i <= 3; ++i) y[i] = rosenbrock(p[i], nullptr);
    int nCount = 0;
    amoeba(nullptr, p, y, 2, 1e-7f, rosenbrock, &nCount);
    EXPECT_NEAR(p[1][1], 1.0f, 0.02f);
    EXPECT_NEAR(p[1][2], 1.0f, 0.04f);
    EXPECT_LT(y[1], 1.0f + 1e-3f);
    EXPECT_LT(nCount, 5000);
    // a simplex of equal vertices ends at once without evaluating anything
    for (int i = 2; i <= 3; ++i)
        for (int j = 1; j <= 2; ++j) p[i][j] = p[1][j];
    y[2] = y[3] = y[1] + 1;  // values that would never meet the tolerance
    amoeba(nullptr, p, y, 2, 1e-7f, rosenbrock, &nCount);
    EXPECT_EQ(nCount, 0);
    EXPECT_EQ(bSimplexStarted, 1);
    // the stop flag ends it before the first step
    bStopFit = 1;
    p[2][1] = 0;
    amoeba(nullptr, p, y, 2, 1e-7f, rosenbrock, &nCount);
    EXPECT_EQ(nCount, 0);
    bStopFit = 0;
    free_matrix(p, 1, 3, 1, 2);
    free_vector(y, 1, 3);
}

TEST_F(SpeedStepOptimizerTest, ObjectiveOfOneProgram)
{
    // the species and duration of a search at the defaults, a constant speed
    TimeToEqParams& tp = timeToEqParams;
    tp.fVbar = 0.73f;
    const float fr[] = {0, 1}, s[] = {0, 4.1639f}, D[] = {0, 5.7554e-7f};
    setOptimizationSpecies(39 * 3600.0f, 1, fr, s, D);
    ASSERT_NE(tp.pParamVector, nullptr);
    EXPECT_EQ(tp.nParamVector, 5);
    tp.bExponential = 0;
    float ones[6] = {0, 1, 1, 1, 1, 1};
    const float fConstant = appEqObjective(ones, nullptr);
    ASSERT_NE(pAppEqOptSim, nullptr);
    EXPECT_EQ(pAppEqOptSim->nScans, 78);
    EXPECT_GT(fConstant, 36.0f);
    EXPECT_LE(fConstant, 39.0f);
    // the stored vector and the steps of the program travel with the run
    EXPECT_EQ(pAppEqOptSim->nParams, 5);
    EXPECT_EQ(pAppEqOptSim->pStepRpm[pAppEqOptSim->nSteps], 15000.0f);

    // 20 % overspeed for the first 2 h comes to equilibrium sooner; far more
    // crowds the bottom beyond the allowed over-concentration, which costs
    float faster[6] = {0, 1.2f, 1, 1, 1, 1};
    tp.fOverspeedTime = 7200;
    tp.nParams = 1;
    EXPECT_LT(appEqObjective(faster, nullptr), fConstant);
    // the first pass (quantum 1) runs the speed the vector prescribes,
    // 1.23457 x 15000 = 18518.55 rpm; only the second (quantum 100) rounds it
    float odd[2] = {0, 1.23457f};
    for (const float q : {1.0f, 100.0f}) {
        tp.fQuantum = q;
        appEqObjective(odd, nullptr);
        ASSERT_GE(pAppEqOptSim->nSteps, 2);
        EXPECT_NEAR(pAppEqOptSim->pStepRpm[1], q == 1.0f ? 18518.55 : 18500.0, 0.01) << q;
    }
    tp.fQuantum = 1.0f;
    tp.fMaxOverconcentration = 1.05f;
    float much[2] = {0, 2.0f};
    EXPECT_GT(appEqObjective(much, nullptr), 39.0f + 10.0f);

    // The value is the hours to equilibrium plus (excess over-concentration)^2
    // x 1000, and while a search runs also 10 x the rmsd of the equilibrium
    // scan and, when the second-to-last scan is farther from equilibrium than
    // that one, (difference)^2 x 1000 / epsilon^2. Each term weighs in one of
    // three programs: 1.2 x for 2 h; 2 x for 2 h (crowding the bottom); 1.05 x
    // for 30 h (no scan at equilibrium, the last ones still moving back).
    tp.fMaxOverconcentration = 1.5f;
    struct Program {
        float fFactor, fHours;
    };
    for (const Program& g : {Program{1.2f, 2}, Program{2.0f, 2}, Program{1.05f, 30}}) {
        tp.fOverspeedTime = g.fHours * 3600;
        float v[2] = {0, g.fFactor};
        for (unsigned char bPenalty : {0, 1}) {
            bAppEqPenalty = bPenalty;
            const double value = appEqObjective(v, nullptr);
            const CApproachToEqSim& m = *pAppEqOptSim;
            double expected = m.fRmsdTime / 3600.0;
            const double excess = m.BottomOverconcentration() - tp.fMaxOverconcentration;
            if (excess > 0) expected += excess * excess * 1000;
            if (bPenalty) {
                const double eq = m.pRmsDeviation[m.nRmsdIndex], late = m.pRmsDeviation[m.nScans - 1];
                expected += 10 * eq;
                if (late > eq) expected += (late - eq) * (late - eq) * 1000 / (tp.fEpsilon * tp.fEpsilon);
            }
            EXPECT_NEAR(value, expected, 2e-6 * expected) << g.fFactor << " " << g.fHours << " " << int(bPenalty);
        }
    }
    bAppEqPenalty = 0;
}

// Without temperature the thermal simplex is the plain downhill simplex: from
// the same start it comes to the same programme and time.
TEST_F(SpeedStepOptimizerTest, ColdAnnealingStepIsThePlainSimplex)
{
    oneFactorForTwoHours();
    bAppEqPenalty = 1;  // as in a search: the time's steps get a slope
    // a search from 10 and 20 % overspeed for the first 2 h; some 75 % come
    // to equilibrium 6 h sooner
    auto start = [](float** p, float* y) {
        p[1][1] = 1.1f;
        p[2][1] = 1.2f;
        for (int i = 1; i <= 2; ++i) y[i] = appEqObjective(p[i], nullptr);
    };
    float** p = matrix(1, 2, 1, 1);
    float* y = vector(1, 2);
    start(p, y);
    const float fStart = std::min(y[1], y[2]);
    int nCount = 0;
    nelderMeadSpeedSteps(nullptr, p, y, 1, 1e-4f, appEqObjective, &nCount);
    const float fPlain = y[1], fPlainFactor = p[1][1];
    ASSERT_LT(fPlain, fStart - 3.0f);  // there is something to gain

    start(p, y);
    float pb[2] = {0, p[1][1]};
    float yb = y[1];
    if (y[2] < yb) {
        pb[1] = p[2][1];
        yb = y[2];
    }
    int nBudget = 1000;
    amebsaSpeedSteps(nullptr, 0.0f, p, y, 1, pb, &yb, 1e-4f, &nBudget);
    EXPECT_GT(nBudget, 0);  // converged
    EXPECT_NEAR(yb, fPlain, 0.01f);
    EXPECT_NEAR(pb[1], fPlainFactor, 0.01f);
    free_matrix(p, 1, 2, 1, 1);
    free_vector(y, 1, 2);
    bAppEqPenalty = 0;
}

namespace {

// How often each vertex is ranked best by one step of the thermal simplex
// without budget (it ranks, puts the vertex ranked best into row 1 and stops
// without evaluating anything), over many steps.
std::vector<double> rankedBest(const std::vector<float>& values, float fTemperature, float fBest, int nTrials)
{
    const int n = static_cast<int>(values.size()) - 1;
    timeToEqParams.bExponential = 0;
    timeToEqParams.nParams = n;
    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    float* pb = vector(1, n);
    std::vector<int> count(values.size(), 0);
    for (int t = 0; t < nTrials; ++t) {
        for (int i = 1; i <= n + 1; ++i) {
            for (int j = 1; j <= n; ++j) p[i][j] = static_cast<float>(i);  // marks the vertex
            y[i] = values[static_cast<size_t>(i - 1)];
        }
        for (int j = 1; j <= n; ++j) pb[j] = 1.0f;
        float yb = fBest;
        int nBudget = -1;
        amebsaSpeedSteps(nullptr, fTemperature, p, y, n, pb, &yb, 1e-4f, &nBudget);
        const int best = static_cast<int>(p[1][1]);
        EXPECT_EQ(y[1], values[static_cast<size_t>(best - 1)]);
        EXPECT_EQ(nBudget, -1);  // nothing evaluated
        ++count[static_cast<size_t>(best - 1)];
    }
    free_matrix(p, 1, n + 1, 1, n);
    free_vector(y, 1, n + 1);
    free_vector(pb, 1, n);
    std::vector<double> share;
    for (int c : count) share.push_back(static_cast<double>(c) / nTrials);
    return share;
}

}  // namespace

// The thermal simplex ranks its vertices on values raised by noise: each gets
// T y_best |ln u| on top (u uniform), an exponential draw of mean T y_best.
// Of two vertices d apart the worse one is ranked best when the difference of
// their draws (Laplace, of scale T y_best) exceeds d: exp(-d / (T y_best)) / 2
// of the time; three equal vertices are each ranked best a third of the time.
TEST_F(SpeedStepOptimizerTest, ThermalNoiseRaisesEveryVertexAlike)
{
    nAnnealingSeed = -3;
    ran1(&nAnnealingSeed);
    const int N = 3000;  // shares within 0.03 (four standard deviations)
    const double worse = 0.5 * std::exp(-1.0);  // d = 1, T y_best = 0.5 x 2
    std::vector<double> s = rankedBest({1.0f, 2.0f}, 0.5f, 2.0f, N);
    EXPECT_NEAR(s[1], worse, 0.03);
    s = rankedBest({2.0f, 1.0f}, 0.5f, 2.0f, N);
    EXPECT_NEAR(s[0], worse, 0.03);
    s = rankedBest({5.0f, 5.0f, 5.0f}, 0.2f, 5.0f, N);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(s[static_cast<size_t>(i)], 1.0 / 3, 0.035) << i;
    // cold: the lower value always
    s = rankedBest({2.0f, 1.0f, 3.0f}, 0.0f, 1.0f, 10);
    EXPECT_EQ(s[1], 1.0);
}

namespace {

// The stored vector at every evaluation, by the count of simplices begun:
// the last one seen while the count is k is the best vertex of simplex k
// (the next restart's vertices, or the closing run of the result).
std::vector<std::vector<float>> gVectorAfterSimplex;
// Every programme the search ran (the vector of the simulation under way).
std::vector<std::vector<float>> gEvaluated;

void recordStoredVector()
{
    const TimeToEqParams& tp = timeToEqParams;
    if (pAppEqOptSim && pAppEqOptSim->pParams && pAppEqOptSim->nParams == tp.nParams && gEvaluated.size() < 5000) {
        std::vector<float> p(pAppEqOptSim->pParams + 1, pAppEqOptSim->pParams + 1 + tp.nParams);
        if (gEvaluated.empty() || gEvaluated.back() != p) gEvaluated.push_back(p);
    }
    if (nFitSteps < 0 || nFitSteps > 1000 || !tp.pParamVector) return;
    const size_t k = static_cast<size_t>(nFitSteps);
    if (gVectorAfterSimplex.size() <= k) gVectorAfterSimplex.resize(k + 1);
    gVectorAfterSimplex[k].assign(tp.pParamVector + 1, tp.pParamVector + 1 + tp.nParamVector);
}

}  // namespace

// The search restarts the simplex around its best vertex until a restart
// leaves the time (1e-5) and every coordinate (1e-4, relative) where they
// were, or three restarts in a row leave the time settled (docs/analyses.md).
// The best vertex of every simplex is read from the stored vector at the
// solver's waits, and its time computed again afterwards. What the search
// keeps is the lowest time of all the programmes it ran.
TEST_F(SpeedStepOptimizerTest, RestartsEndOnceTheTimeAndTheVectorSettle)
{
    oneFactorForTwoHours();
    timeToEqParams.fQuantum = 1.0f;
    seedRandomNumbers(1);
    gVectorAfterSimplex.clear();
    gEvaluated.clear();
    nFitSteps = 0;
    const win::WaitPollFunction poll = win::GetWaitPoll();
    win::SetWaitPoll(recordStoredVector);
    optimizeSpeedSteps(nullptr);
    win::SetWaitPoll(poll);
    // the best vertex of the first simplex and of at least one restart
    const std::vector<std::vector<float>>& v = gVectorAfterSimplex;
    const int K = static_cast<int>(v.size()) - 1;
    ASSERT_GE(K, 2);
    bAppEqPenalty = 1;  // the value the search minimises
    std::vector<float> t(v.size(), 0.0f);
    for (int k = 1; k <= K; ++k) {
        ASSERT_EQ(v[static_cast<size_t>(k)].size(), 1u) << k;
        float p[2] = {0, v[static_cast<size_t>(k)][0]};
        t[static_cast<size_t>(k)] = appEqObjective(p, nullptr);
    }
    ASSERT_GT(gEvaluated.size(), 10u);
    for (size_t i = 0; i < gEvaluated.size(); ++i) {
        float p[2] = {0, gEvaluated[i][0]};
        EXPECT_GE(appEqObjective(p, nullptr), t[static_cast<size_t>(K)]) << i << " " << p[1];
    }
    bAppEqPenalty = 0;
    // the first restart that settles both ends the search; here that is the
    // vector's rule (fewer than three settled times in a row)
    int nEnd = 0, nSettledInARow = 0;
    bool bByVector = false;
    for (int k = 2; k <= K && nEnd == 0; ++k) {
        const double before = t[static_cast<size_t>(k - 1)], now = t[static_cast<size_t>(k)];
        const bool bTime = std::fabs(now - before) <= 1e-5 * before;
        const float a = v[static_cast<size_t>(k - 1)][0], b = v[static_cast<size_t>(k)][0];
        const bool bVector = std::fabs(b - a) <= 1e-4f * std::fabs(b);
        nSettledInARow = bTime ? nSettledInARow + 1 : 0;
        if (bTime && bVector) bByVector = true;
        if (bByVector || nSettledInARow >= 3) nEnd = k;
    }
    EXPECT_EQ(K, nEnd);
    EXPECT_TRUE(bByVector);
    EXPECT_LT(nSettledInARow, 3);
}

namespace {

// The vertices of the start simplex (evaluated first), then a stop.
size_t nStartVertices = 0;

void recordStartSimplex()
{
    recordStoredVector();
    if (gEvaluated.size() >= nStartVertices) bStopFit = 1;
}

}  // namespace

// The search starts from the vector itself and n vertices spread round it:
// every coordinate drawn normally about the vector's with 15 % of it as its
// standard deviation (docs/analyses.md). Stopped once the start simplex is
// evaluated (it runs from vertex n + 1 down to the vector).
TEST_F(SpeedStepOptimizerTest, StartSimplexSpreadsRoundTheVector)
{
    oneFactorForTwoHours();
    TimeToEqParams& tp = timeToEqParams;
    tp.nParams = 5;
    tp.fQuantum = 1.0f;
    ensureTimeToEqParamVector();
    ASSERT_EQ(tp.nParamVector, 5);
    const std::vector<float> start = {1.3f, 1.2f, 1.1f, 1.0f, 0.9f};
    std::copy(start.begin(), start.end(), tp.pParamVector + 1);
    seedRandomNumbers(1);
    gVectorAfterSimplex.clear();
    gEvaluated.clear();
    nStartVertices = 6;
    const win::WaitPollFunction poll = win::GetWaitPoll();
    win::SetWaitPoll(recordStartSimplex);
    optimizeSpeedSteps(nullptr);
    win::SetWaitPoll(poll);
    bStopFit = 0;
    ASSERT_GE(gEvaluated.size(), 6u);
    EXPECT_EQ(gEvaluated[5], start);
    // 25 relative deviations of N(0, 0.15): none 0, none beyond 4 standard
    // deviations, their mean within 0.1 of 0 and their rms within 0.06 of 0.15
    double sum = 0, sumSquares = 0;
    for (size_t i = 0; i < 5; ++i) {
        ASSERT_EQ(gEvaluated[i].size(), 5u);
        for (size_t j = 0; j < 5; ++j) {
            const double d = gEvaluated[i][j] / start[j] - 1.0;
            EXPECT_NE(d, 0.0) << i << " " << j;
            EXPECT_LT(std::fabs(d), 0.6) << i << " " << j;
            sum += d;
            sumSquares += d * d;
        }
    }
    EXPECT_NEAR(sum / 25, 0.0, 0.1);
    EXPECT_NEAR(std::sqrt(sumSquares / 25), 0.15, 0.06);
}

namespace {

// The programmes the annealing ran (its start simplex included), then the
// first one run after it (the vector it hands to the plain simplex); that
// one stops the search.
std::vector<std::vector<float>> gAnnealed;
std::vector<float> gHandedOver;
bool bAnnealingSeen = false;

void recordAnnealing()
{
    const TimeToEqParams& tp = timeToEqParams;
    if (!pAppEqOptSim || !pAppEqOptSim->pParams || pAppEqOptSim->nParams != tp.nParams) return;
    const std::vector<float> p(pAppEqOptSim->pParams + 1, pAppEqOptSim->pParams + 1 + tp.nParams);
    if (timeToEqAnnealingRuns()) bAnnealingSeen = true;
    if (timeToEqAnnealingRuns() || !bAnnealingSeen) {
        if (gAnnealed.empty() || gAnnealed.back() != p) gAnnealed.push_back(p);
    } else if (gHandedOver.empty()) {
        gHandedOver = p;
        bStopFit = 1;
    }
}

}  // namespace

// With simulated annealing the first pass anneals and then polishes with the
// plain simplex (docs/analyses.md). The annealing keeps the best programme it
// has tried and the polish starts from that one: of all the programmes the
// annealing ran (their times computed again afterwards), the one handed on
// has the lowest time. One speed factor for the first 2 h from the start
// 1.5, whose best lies near 1.77.
TEST_F(SpeedStepOptimizerTest, AnnealingHandsItsBestProgrammeOn)
{
    oneFactorForTwoHours();
    timeToEqParams.fQuantum = 1.0f;
    bSimulatedAnnealing = 1;
    fSATemperature = 0.02f;  // noise of some 0.7 h on times of some 33 h
    nSANumberOfTemps = 2;
    nSAItMax = 12;
    seedRandomNumbers(1);
    gAnnealed.clear();
    gHandedOver.clear();
    bAnnealingSeen = false;
    const win::WaitPollFunction poll = win::GetWaitPoll();
    win::SetWaitPoll(recordAnnealing);
    optimizeSpeedSteps(nullptr);
    win::SetWaitPoll(poll);
    bStopFit = 0;
    bSimulatedAnnealing = 0;
    fSATemperature = 2.0f;
    nSANumberOfTemps = 10;
    nSAItMax = 500;

    ASSERT_GT(gAnnealed.size(), 5u);
    ASSERT_EQ(gHandedOver.size(), 1u);
    bAppEqPenalty = 1;  // the value the annealing minimises
    float p[2] = {0, gHandedOver[0]};
    const float fHandedOver = appEqObjective(p, nullptr);
    float fLowest = fHandedOver, fStart = 0;
    for (const std::vector<float>& v : gAnnealed) {
        p[1] = v[0];
        const float f = appEqObjective(p, nullptr);
        if (v[0] == 1.5f) fStart = f;
        fLowest = std::min(fLowest, f);
    }
    bAppEqPenalty = 0;
    EXPECT_GT(fStart, fLowest + 1.0f);  // the annealing gained on its start
    EXPECT_EQ(fHandedOver, fLowest) << gHandedOver[0];
    EXPECT_NE(std::find(gAnnealed.begin(), gAnnealed.end(), gHandedOver), gAnnealed.end());
}
