// The downhill simplex: minima of known functions, the line of one parameter,
// which vertex counts as the best, equal values, and the evaluation limit.
#include <gtest/gtest.h>

#include <cmath>

#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "fitting/simplex.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"

namespace {

int gEvaluations = 0;

float rosenbrock(float* p, TXLAWindow*)
{
    ++gEvaluations;
    const float a = 1 - p[1], b = p[2] - p[1] * p[1];
    return a * a + 100 * b * b;
}

float parabola(float* p, TXLAWindow*)
{
    ++gEvaluations;
    return (p[1] - 3) * (p[1] - 3) + 2;
}

float flatZero(float*, TXLAWindow*)
{
    ++gEvaluations;
    return 0.0f;
}

// No value compares with another: the search never meets a test.
float notANumber(float*, TXLAWindow*)
{
    ++gEvaluations;
    return std::nanf("");
}

class SimplexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gEvaluations = 0;
    }
};

// Restarts as the fit drivers do: a new simplex around the best vertex until
// a restart no longer moves it.
void restartedMinimum(float* x, int n, float fSpread, SimplexObjective f)
{
    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    for (int nRestart = 0; nRestart < 50; ++nRestart) {
        for (int j = 1; j <= n; ++j) p[1][j] = x[j];
        for (int i = 2; i <= n + 1; ++i)
            for (int j = 1; j <= n; ++j) p[i][j] = x[j] + (i - 1 == j ? fSpread : 0.0f);
        for (int i = 1; i <= n + 1; ++i) y[i] = f(p[i], nullptr);
        int nCount = 0;
        amoeba(nullptr, p, y, n, 1e-7f, f, &nCount);
        float fMove = 0;
        for (int j = 1; j <= n; ++j) {
            fMove = std::fmax(fMove, std::fabs(p[1][j] - x[j]));
            x[j] = p[1][j];
        }
        if (fMove < 1e-5f) break;
    }
    free_matrix(p, 1, n + 1, 1, n);
    free_vector(y, 1, n + 1);
}

}  // namespace

TEST_F(SimplexTest, RestartedSimplexFindsTheMinimaOfRosenbrockAndOfALine)
{
    float x[3] = {0, -1.2f, 1.0f};
    restartedMinimum(x, 2, 0.1f, rosenbrock);
    EXPECT_NEAR(x[1], 1.0f, 1e-3f);
    EXPECT_NEAR(x[2], 1.0f, 1e-3f);

    // one parameter: two vertices on a line, reflected, expanded and contracted
    float z[2] = {0, -4.0f};
    restartedMinimum(z, 1, 0.5f, parabola);
    EXPECT_NEAR(z[1], 3.0f, 1e-3f);
}

TEST_F(SimplexTest, AVertexOfAnotherObjectiveStaysOutOfTheDiscreteModel)
{
    // a discrete model with every entry floated: its packed vector is far
    // longer than the two coordinates of this simplex
    for (int k = 1; k <= nParams; ++k) {
        pParamFloat[k] = 1;
        pParamValue[k] = 0.5f * k;
    }
    bModelContinuous = 0;
    float x[3] = {0, -1.2f, 1.0f};
    restartedMinimum(x, 2, 0.1f, rosenbrock);
    EXPECT_NEAR(x[1], 1.0f, 1e-3f);
    for (int k = 1; k <= nParams; ++k) EXPECT_EQ(pParamValue[k], 0.5f * k) << k;
}

TEST_F(SimplexTest, TheLastOfEqualLowestValuesIsTheBestVertex)
{
    float** p = matrix(1, 3, 1, 2);
    float* y = vector(1, 3);
    const float start[3][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 2; ++j) p[i][j] = start[i - 1][j - 1];
    y[1] = 1.0f;
    y[2] = 1.0f;
    y[3] = 5.0f;
    static float* pShown = nullptr;
    pShown = nullptr;
    int nCount = 0;
    // the first progress step shows the best vertex, then the search stops
    amoeba(nullptr, p, y, 2, 1e-7f, parabola, &nCount, [](TXLAWindow*, float* pVertex, int, float) {
        if (!pShown) pShown = pVertex;
        bStopFit = 1;
    });
    EXPECT_EQ(pShown, p[2]);
    bStopFit = 0;
    free_matrix(p, 1, 3, 1, 2);
    free_vector(y, 1, 3);
}

TEST_F(SimplexTest, TheEvaluationLimitEndsTheSearchWithItsMessageOrCode)
{
    float** p = matrix(1, 3, 1, 2);
    float* y = vector(1, 3);
    auto reset = [&](float fValue) {
        p[1][1] = 0;
        p[1][2] = 0;
        p[2][1] = 1;
        p[2][2] = 0;
        p[3][1] = 0;
        p[3][2] = 1;
        for (int i = 1; i <= 3; ++i) y[i] = fValue;
    };
    // values that are all 0 (an exact fit that no parameter changes) have
    // converged: nothing is evaluated and nothing is reported
    reset(0.0f);
    win::headless::Script script;
    int nCount = 0;
    amoeba(nullptr, p, y, 2, 1e-4f, flatZero, &nCount);
    EXPECT_EQ(gEvaluations, 0);
    EXPECT_EQ(script.lines().size(), 0u);

    // values that never compare: the limit ends the search
    reset(std::nanf(""));
    script.expectMessageBox("Nelder-Mead not converged", win::IDOK);
    amoeba(nullptr, p, y, 2, 1e-4f, notANumber, &nCount);
    EXPECT_GE(nCount, 5000);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(shownErrorMessages().back(), "Nelder-Mead not converged");

    // during a serialised fit no box: the code 10
    reset(std::nanf(""));
    bSerialFitRunning = 1;
    nNumericalErrorCode = 0;
    const size_t nLines = script.lines().size();
    amoeba(nullptr, p, y, 2, 1e-4f, notANumber, &nCount);
    EXPECT_EQ(nNumericalErrorCode, 10);
    EXPECT_EQ(script.lines().size(), nLines);
    bSerialFitRunning = 0;
    free_matrix(p, 1, 3, 1, 2);
    free_vector(y, 1, 3);
}
