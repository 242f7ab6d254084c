#include <gtest/gtest.h>

#include "platform/headless.h"

#include <cmath>
#include <random>

#include "numerics/nnls.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"

namespace {

// Normal equations of a least-squares problem A x ~ b.
struct TProblem {
    int n;
    double** ata;
    double* atb;

    // From a design matrix a[1..nRows][1..n] and data y[1..nRows].
    TProblem(int n, int nRows, double** a, const double* y) : n(n)
    {
        ata = dmatrix(1, n, 1, n);
        atb = dvector(1, n);
        for (int i = 1; i <= n; i++) {
            for (int k = 1; k <= nRows; k++) atb[i] += a[k][i] * y[k];
            for (int j = 1; j <= n; j++)
                for (int k = 1; k <= nRows; k++) ata[i][j] += a[k][i] * a[k][j];
        }
    }

    // Random; the true solution has negative parts, so constraints become active.
    static TProblem Random(int n, int nRows, unsigned seed, double dRegularization)
    {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        double** a = dmatrix(1, nRows, 1, n);
        for (int i = 1; i <= nRows; i++)
            for (int j = 1; j <= n; j++) a[i][j] = u(rng);
        double* b = dvector(1, nRows);
        for (int i = 1; i <= nRows; i++) {
            for (int j = 1; j <= n; j++) b[i] += a[i][j] * (std::sin(0.7 * j + seed) + 0.3);
            b[i] += 0.05 * (u(rng) - 0.5);
        }
        TProblem pr(n, nRows, a, b);
        for (int i = 1; i <= n; i++) pr.ata[i][i] += dRegularization;
        free_dvector(b, 1, nRows);
        free_dmatrix(a, 1, nRows, 1, n);
        return pr;
    }

    TProblem(TProblem&& o) noexcept : n(o.n), ata(o.ata), atb(o.atb) { o.ata = nullptr, o.atb = nullptr; }
    ~TProblem()
    {
        free_dvector(atb, 1, n);
        free_dmatrix(ata, 1, n, 1, n);
    }

    bool Solve(double* x, double* pdIterations = nullptr)
    {
        int* pPassive = ivector(1, n);
        int* pOrder = ivector(1, n);
        double* w = dvector(1, n);
        double* subB = dvector(1, n);
        double* p = dvector(1, n);
        double* z = dvector(1, n);
        double** subA = dmatrix(1, n, 1, n);
        bool bOk = nnls(n, pPassive, x, w, atb, ata, subA, subB, p, z, pOrder, pdIterations, nullptr);
        free_dmatrix(subA, 1, n, 1, n);
        free_dvector(z, 1, n);
        free_dvector(p, 1, n);
        free_dvector(subB, 1, n);
        free_dvector(w, 1, n);
        free_ivector(pOrder, 1, n);
        free_ivector(pPassive, 1, n);
        return bOk;
    }

    // Karush-Kuhn-Tucker conditions of min |Ax - b|^2, x >= 0, with the
    // gradient g = atb - ata x: x >= 0, g <= 0 where x = 0, g = 0 where x > 0.
    void ExpectOptimal(const double* x, double tol) const
    {
        double scale = 0.0;
        for (int i = 1; i <= n; i++) scale = std::max(scale, std::fabs(atb[i]));
        int nActive = 0;
        for (int i = 1; i <= n; i++) {
            double g = atb[i];
            for (int j = 1; j <= n; j++) g -= ata[i][j] * x[j];
            EXPECT_GE(x[i], 0.0);
            if (x[i] > 0.0)
                EXPECT_LT(std::fabs(g), tol * scale) << i;
            else {
                EXPECT_LT(g, tol * scale) << i;
                nActive++;
            }
        }
        EXPECT_GT(nActive, 0); // the problems are built to need the constraints
    }
};

} // namespace

TEST(NonNegativeLeastSquares, RandomProblemsMeetTheOptimalityConditions)
{
    clearShownErrorMessages();
    int nWithRemovals = 0;
    for (unsigned seed = 1; seed <= 12; seed++) {
        int n = 3 + static_cast<int>(seed) * 4;
        TProblem pr = TProblem::Random(n, 2 * n + 5, seed, seed % 2 ? 0.0 : 1e-3);
        double* x = dvector(1, n);
        double dIterations = 0.0;
        EXPECT_TRUE(pr.Solve(x, &dIterations)) << seed;
        EXPECT_GE(dIterations, 1.0);
        pr.ExpectOptimal(x, 1e-9);
        int nPositive = 0;
        for (int i = 1; i <= n; i++) nPositive += x[i] > 0.0;
        // More entries than survivors: indices also left the passive set.
        if (dIterations > nPositive) nWithRemovals++;
        free_dvector(x, 1, n);
    }
    EXPECT_GT(nWithRemovals, 2);
    EXPECT_TRUE(shownErrorMessages().empty());
}

TEST(NonNegativeLeastSquares, FloatAndDoubleFormsAgree)
{
    for (unsigned seed = 21; seed <= 26; seed++) {
        int n = 10;
        TProblem pr = TProblem::Random(n, 30, seed, 1e-2);
        double* x = dvector(1, n);
        ASSERT_TRUE(pr.Solve(x));
        float** ata = matrix(1, n, 1, n);
        float* atb = vector(1, n);
        for (int i = 1; i <= n; i++) {
            atb[i] = static_cast<float>(pr.atb[i]);
            for (int j = 1; j <= n; j++) ata[i][j] = static_cast<float>(pr.ata[i][j]);
        }
        EXPECT_TRUE(solveNormalEquationsF(ata, atb, n, true));
        double xMax = 0.0;
        for (int i = 1; i <= n; i++) xMax = std::max(xMax, x[i]);
        for (int i = 1; i <= n; i++) {
            EXPECT_GE(atb[i], 0.0f);
            EXPECT_NEAR(atb[i], x[i], 2e-3 * xMax) << seed << " " << i;
        }
        free_vector(atb, 1, n);
        free_matrix(ata, 1, n, 1, n);
        free_dvector(x, 1, n);
    }
}

TEST(NonNegativeLeastSquares, SmallCasesAndTheFallbacks)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    // Diagonal: the component pulled negative stays at 0.
    float** a = matrix(1, 2, 1, 2);
    a[1][1] = 4.0f, a[1][2] = 0.0f, a[2][1] = 0.0f, a[2][2] = 2.0f;
    float b[3] = {0, 1, -1};
    EXPECT_TRUE(solveNormalEquationsF(a, b, 2, true));
    EXPECT_FLOAT_EQ(b[1], 0.25f);
    EXPECT_EQ(b[2], 0.0f);

    // One variable (a fit of one amplitude): b/a, or 0 where that is negative.
    for (float rhs : {3.0f, -3.0f}) {
        float a1[2] = {0, 4.0f}, b1[2] = {0, rhs};
        float* rows1[2] = {nullptr, a1};
        EXPECT_TRUE(solveNormalEquationsF(rows1, b1, 1, true));
        EXPECT_FLOAT_EQ(b1[1], rhs > 0 ? 0.75f : 0.0f);
        double d1[2] = {0, 4.0}, e1[2] = {0, rhs}, x1[2] = {0, -9.0}, w1[2], sb1[2], p1[2], z1[2], s1[2] = {0, 0};
        const double* drows1[2] = {nullptr, d1};
        double* sa1[2] = {nullptr, s1};
        int passive1[2], order1[2];
        EXPECT_TRUE(nnls(1, passive1, x1, w1, e1, drows1, sa1, sb1, p1, z1, order1, nullptr, nullptr));
        EXPECT_DOUBLE_EQ(x1[1], rhs > 0 ? 0.75 : 0.0);
    }

    // A problem on the scale of 1e-8: W = (5 2; 2 1), b = s (1, 0.9). The
    // solution is (0, 0.9 s), where the gradient of index 1 is -0.8 s. Index 1
    // enters at s / 5, index 2 joins with the trial solution (-0.8 s, 2.5 s),
    // and the step that takes index 1 out (a fifth of the way) leaves index 2
    // at 0.5 s = 1.05e-8: just above the 1e-8 below which a variable leaves,
    // so it stays, and two entries solve the problem.
    {
        const double s = 2.1e-8;
        double r1[3] = {0, 5.0, 2.0}, r2[3] = {0, 2.0, 1.0}, rhs[3] = {0, s, 0.9 * s};
        const double* rows[3] = {nullptr, r1, r2};
        double xs[3], ws[3], sb[3], ps[3], zs[3], l1[3], l2[3], dIterations = 0;
        double* sa[3] = {nullptr, l1, l2};
        int passiveS[3], orderS[3];
        EXPECT_TRUE(nnls(2, passiveS, xs, ws, rhs, rows, sa, sb, ps, zs, orderS, &dIterations, nullptr));
        EXPECT_EQ(xs[1], 0.0);
        EXPECT_NEAR(xs[2], 0.9 * s, 1e-15 * s);
        EXPECT_EQ(dIterations, 2.0);
    }

    // Not positive definite once index 2 joins: the unconstrained solution.
    a[1][1] = 1.0f, a[2][2] = -1.0f;
    float c[3] = {0, 1, 1};
    EXPECT_FALSE(solveNormalEquationsF(a, c, 2, true));
    EXPECT_FLOAT_EQ(c[1], 1.0f);
    EXPECT_FLOAT_EQ(c[2], -1.0f);
    EXPECT_TRUE(shownErrorMessages().empty());
    free_matrix(a, 1, 2, 1, 2);

    // The double form says so, then solves without constraints (by LU here).
    double** d = dmatrix(1, 2, 1, 2);
    d[1][1] = 1.0, d[2][2] = -1.0;
    double e[3] = {0, 1, 1}, x[3], w[3], subB[3], p[3], z[3];
    int passive[3], order[3];
    double** subA = dmatrix(1, 2, 1, 2);
    EXPECT_FALSE(nnls(2, passive, x, w, e, d, subA, subB, p, z, order, nullptr, nullptr));
    EXPECT_DOUBLE_EQ(x[1], 1.0);
    EXPECT_DOUBLE_EQ(x[2], -1.0);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "matrix not positive definite in NNLS");
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    free_dmatrix(subA, 1, 2, 1, 2);
    free_dmatrix(d, 1, 2, 1, 2);
    clearShownErrorMessages();
}

// In float, a large smooth problem lets rounding push two indices in and out
// of the passive set for ever (the float form used to hang the program). The
// iteration cap ends it: message, unconstrained solution with the negative
// parts set to 0. The double form solves the same problem.
TEST(NonNegativeLeastSquares, FloatFormStopsAtTheIterationCap)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    const int n = 95, m = 4 * n;
    double** a = dmatrix(1, m, 1, n);
    double* y = dvector(1, m);
    for (int i = 1; i <= m; i++) {
        double r = (i - 0.5) / m;
        for (int j = 1; j <= n; j++) {
            double c = (j - 0.5) / n;
            a[i][j] = 1.0 / (1.0 + std::exp((c - r) / 0.02));
            y[i] += a[i][j] * (std::exp(-std::pow((c - 0.3) / 0.05, 2)) + 0.5 * std::exp(-std::pow((c - 0.7) / 0.08, 2)));
        }
        y[i] += 0.01 * std::sin(37.0 * i * i);
    }
    TProblem pr(n, m, a, y);
    free_dvector(y, 1, m);
    free_dmatrix(a, 1, m, 1, n);
    // Second-derivative regularization, added to the float and the double
    // system alike.
    float** fata = matrix(1, n, 1, n);
    float* fatb = vector(1, n);
    for (int j = 1; j <= n; j++) {
        fatb[j] = static_cast<float>(pr.atb[j]);
        for (int k = 1; k <= n; k++) fata[j][k] = static_cast<float>(pr.ata[j][k]);
    }
    double reg = 1e-4 * fata[n / 2][n / 2];
    for (int i = 2; i < n; i++) {
        const int id[3] = {i - 1, i, i + 1};
        const double cf[3] = {1.0, -2.0, 1.0};
        for (int p = 0; p < 3; p++)
            for (int q = 0; q < 3; q++) {
                fata[id[p]][id[q]] += static_cast<float>(reg * cf[p] * cf[q]);
                pr.ata[id[p]][id[q]] += reg * cf[p] * cf[q];
            }
    }
    EXPECT_FALSE(solveNormalEquationsF(fata, fatb, n, true));
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "max #iteration exceeded in NNLS");
    for (int j = 1; j <= n; j++) {
        EXPECT_TRUE(std::isfinite(fatb[j]));
        EXPECT_GE(fatb[j], 0.0f);
    }
    free_vector(fatb, 1, n);
    free_matrix(fata, 1, n, 1, n);

    clearShownErrorMessages();
    double* x = dvector(1, n);
    EXPECT_TRUE(pr.Solve(x));
    pr.ExpectOptimal(x, 1e-9);
    EXPECT_TRUE(shownErrorMessages().empty());
    free_dvector(x, 1, n);
}
