#include <gtest/gtest.h>

#include "platform/headless.h"

#include <cmath>
#include <random>

#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"

namespace {

// A x - b, largest component.
double residual(double** a, const double* x, const double* b, int n)
{
    double r = 0.0;
    for (int i = 1; i <= n; i++) {
        double s = -b[i];
        for (int j = 1; j <= n; j++) s += a[i][j] * x[j];
        r = std::max(r, std::fabs(s));
    }
    return r;
}

double** fill(int n, std::initializer_list<double> values)
{
    double** a = dmatrix(1, n, 1, n);
    auto it = values.begin();
    for (int i = 1; i <= n; i++)
        for (int j = 1; j <= n; j++) a[i][j] = *it++;
    return a;
}

} // namespace

TEST(LinearAlgebra, RandomSymmetricAndGeneralSystemsSolveToRoundoff)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n : {1, 2, 7, 40, 120}) {
        // SPD: B'B + I.
        double** bm = dmatrix(1, n, 1, n);
        double** a = dmatrix(1, n, 1, n);
        double** g = dmatrix(1, n, 1, n);
        double* b = dvector(1, n);
        double* x = dvector(1, n);
        double* p = dvector(1, n);
        for (int i = 1; i <= n; i++) {
            b[i] = u(rng);
            for (int j = 1; j <= n; j++) g[i][j] = bm[i][j] = u(rng);
        }
        for (int i = 1; i <= n; i++)
            for (int j = 1; j <= n; j++) {
                double s = i == j ? 1.0 : 0.0;
                for (int k = 1; k <= n; k++) s += bm[k][i] * bm[k][j];
                a[i][j] = s;
            }
        EXPECT_TRUE(solveNormalEquationsD(a, b, n, x, p)) << n;
        EXPECT_LT(residual(a, x, b, n), 1e-9) << n;
        EXPECT_TRUE(choleskySolveD(a, b, n, x, p)) << n;
        EXPECT_LT(residual(a, x, b, n), 1e-9) << n;

        // General system by LU; with the copy flag the matrix stays intact.
        for (int i = 1; i <= n; i++) g[i][i] += 2.0;
        double g11 = g[1][1];
        for (int i = 1; i <= n; i++) x[i] = b[i];
        luSolveD(g, x, n, true);
        EXPECT_EQ(g[1][1], g11);
        EXPECT_LT(residual(g, x, b, n), 1e-9) << n;

        free_dvector(p, 1, n);
        free_dvector(x, 1, n);
        free_dvector(b, 1, n);
        free_dmatrix(g, 1, n, 1, n);
        free_dmatrix(a, 1, n, 1, n);
        free_dmatrix(bm, 1, n, 1, n);
    }
}

TEST(LinearAlgebra, NormalEquationsLeaveOutEmptyRowsAndFallBackToLU)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    double x[4], p[4];
    // Row and column 2 empty: the 2 by 2 system of 1 and 3 is solved.
    double** a = fill(3, {2, 0, 1, 0, 0, 0, 1, 0, 3});
    double b[4] = {0, 3, 5, 4};
    EXPECT_TRUE(solveNormalEquationsD(a, b, 3, x, p));
    EXPECT_NEAR(x[1], 1.0, 1e-14);
    EXPECT_EQ(x[2], 0.0);
    EXPECT_NEAR(x[3], 1.0, 1e-14);
    free_dmatrix(a, 1, 3, 1, 3);

    // Symmetric but indefinite: LU gives the solution, the result says so.
    double** c = fill(2, {1, 2, 2, 1});
    double d[3] = {0, 3, 0};
    EXPECT_FALSE(solveNormalEquationsD(c, d, 2, x, p));
    EXPECT_NEAR(x[1], -1.0, 1e-14);
    EXPECT_NEAR(x[2], 2.0, 1e-14);
    free_dmatrix(c, 1, 2, 1, 2);

    // A lone zero is an empty row: x = 0, nothing to report.
    double** z = fill(1, {0});
    double e[2] = {0, 5};
    EXPECT_TRUE(solveNormalEquationsD(z, e, 1, x, p));
    EXPECT_EQ(x[1], 0.0);
    EXPECT_TRUE(shownErrorMessages().empty());

    // The same through choleskySolveD reaches LU, which cannot solve it.
    x[1] = 42.0;
    EXPECT_FALSE(runAbandonable([&] { choleskySolveD(z, e, 1, x, p); }));
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "Singular matrix in routine ludcmp");
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    free_dmatrix(z, 1, 1, 1, 1);
    clearShownErrorMessages();
}

// An empty row used to leave the float LU dividing by its tiny pivot, and
// infinities and NaNs went on into the fit. It now stops like the double LU,
// with the right side as it was.
TEST(LinearAlgebra, FloatLUStopsCleanlyOnAnEmptyRow)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    float** a = matrix(1, 3, 1, 3);
    float v[9] = {1, 2, 0, 0, 0, 0, 3, 1, 1};
    for (int i = 0; i < 9; i++) a[1 + i / 3][1 + i % 3] = v[i];
    float b[4] = {0, 1, 2, 3};
    EXPECT_FALSE(runAbandonable([&] { luSolve(a, b, 3, true); }));
    EXPECT_EQ(b[1], 1.0f);
    EXPECT_EQ(b[2], 2.0f);
    EXPECT_EQ(b[3], 3.0f);
    EXPECT_EQ(a[3][1], 3.0f); // the copy was decomposed, not a
    EXPECT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(errorBoxQuitRequests(), 0);

    // Float Cholesky with its LU fallback on a definite and an indefinite matrix.
    float s[9] = {4, 2, 0, 2, 5, 1, 0, 1, 3};
    for (int i = 0; i < 9; i++) a[1 + i / 3][1 + i % 3] = s[i];
    float r[4] = {0, 6, 8, 4}; // solution (1, 1, 1)
    EXPECT_TRUE(choleskySolve(a, r, 3));
    for (int i = 1; i <= 3; i++) EXPECT_NEAR(r[i], 1.0f, 1e-5f);
    a[1][1] = -4.0f;
    float q[4] = {0, -2, 8, 4};
    EXPECT_FALSE(choleskySolve(a, q, 3));
    for (int i = 1; i <= 3; i++) EXPECT_NEAR(q[i], 1.0f, 1e-5f);
    free_matrix(a, 1, 3, 1, 3);
    clearShownErrorMessages();
}

// The pivot is chosen relative to the size of its own row. A row of a fit's
// normal equations can be 1e10 times larger than the next (a parameter in
// other units); were the pivot chosen by absolute size, or by size times the
// row's scale, the small first element of the large row would be taken and
// the solution of this system, close to (1, 1), would come out as (0, 1).
TEST(LinearAlgebra, PivotsAreChosenOnTheScaleOfTheirRow)
{
    double** a = fill(2, {1, 1e20, 1, 1});
    double x[3] = {0, 1e20, 2};
    luSolveD(a, x, 2, true);
    // Exact: x2 = (1e20 - 2) / (1e20 - 1), x1 = 2 - x2.
    EXPECT_NEAR(x[1], 1.0, 1e-12);
    EXPECT_NEAR(x[2], 1.0, 1e-12);
    free_dmatrix(a, 1, 2, 1, 2);

    float** f = matrix(1, 2, 1, 2);
    f[1][1] = 1.0f, f[1][2] = 1e10f, f[2][1] = 1.0f, f[2][2] = 1.0f;
    float y[3] = {0, 1e10f, 2.0f};
    luSolve(f, y, 2, true);
    EXPECT_NEAR(y[1], 1.0f, 1e-6f);
    EXPECT_NEAR(y[2], 1.0f, 1e-6f);
    free_matrix(f, 1, 2, 1, 2);
}
