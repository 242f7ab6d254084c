// Non-negative least squares on the normal equations of a distribution.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/root_finders.h"
#include "fitting/fit_globals.h"
#include "platform/headless.h"
#include "platform/win.h"

namespace {

using Matrix = std::vector<std::vector<double>>;

// A least-squares problem X c ~ y with its normal equations.
struct Problem {
    int n = 0;
    Matrix X;  // rows x n, 0-based
    std::vector<double> y;
    Matrix W;  // 1-based
    std::vector<double> b;

    void Normalise()
    {
        W.assign(n + 1, std::vector<double>(n + 1, 0.0));
        b.assign(n + 1, 0.0);
        for (size_t r = 0; r < X.size(); r++)
            for (int i = 1; i <= n; i++) {
                b[i] += X[r][i - 1] * y[r];
                for (int j = 1; j <= n; j++) W[i][j] += X[r][i - 1] * X[r][j - 1];
            }
    }

    // Smooth overlapping columns and data with a part that needs negative
    // amplitudes, so that constraints become active.
    static Problem Random(int n, unsigned seed)
    {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        Problem p;
        p.n = n;
        const int rows = 3 * n + 5;
        p.X.assign(rows, std::vector<double>(n));
        p.y.assign(rows, 0.0);
        std::vector<double> centre(n), width(n);
        for (int j = 0; j < n; j++) {
            centre[j] = (j + u(rng)) / n;
            width[j] = 0.5 / n + 0.3 * u(rng) / n;
        }
        for (int r = 0; r < rows; r++) {
            const double x = double(r) / (rows - 1);
            for (int j = 0; j < n; j++) p.X[r][j] = std::exp(-0.5 * std::pow((x - centre[j]) / width[j], 2));
            p.y[r] = std::sin(7.0 * x + seed) + 0.3 * (u(rng) - 0.5);
        }
        p.Normalise();
        return p;
    }

    // Into the normal-equation set (A = W).
    void Install() const
    {
        allocNormalArrays(n, 1, 1);
        nResolution = nNEQSize = n;
        for (int i = 1; i <= n; i++) {
            pNERightSide[i] = b[i];
            for (int j = 1; j <= n; j++) pNEWork[i][j] = pNEMatrix[i][j] = W[i][j];
        }
        dSumSquaredData = 0.0;
        for (double v : y) dSumSquaredData += v * v;
    }
};

// The method on normal equations as the textbook has it: the passive
// subsystem packed in index order and decomposed from scratch on every inner
// pass. Returns false when a subsystem is not positive definite.
bool referenceNNLS(const Problem& p, std::vector<double>& c, std::vector<int>& log)
{
    const int n = p.n;
    std::vector<int> passive(n + 1, 0);
    c.assign(n + 1, 0.0);
    const float fLimit = float(n) * float(n);
    float fCounter = 0.0f;
    for (;;) {
        fCounter += 1.0f;
        std::vector<double> w(n + 1);
        for (int i = 1; i <= n; i++) {
            w[i] = p.b[i];
            for (int j = 1; j <= n; j++) w[i] -= p.W[i][j] * c[j];
        }
        int t = 0;
        for (int i = 1; i <= n; i++)
            if (!passive[i] && w[i] > double(1e-10f) && (t == 0 || w[i] > w[t])) t = i;
        if (t == 0) return true;
        if (fCounter > fLimit) return false;
        passive[t] = 1;
        log.push_back(t);
        for (bool bFirst = true;; bFirst = false) {
            std::vector<int> P;
            for (int i = 1; i <= n; i++)
                if (passive[i]) P.push_back(i);
            const int k = int(P.size());
            Matrix a(k, std::vector<double>(k));
            std::vector<double> rhs(k), diag(k);
            for (int r = 0; r < k; r++) {
                rhs[r] = p.b[P[r]];
                for (int s = 0; s < k; s++) a[r][s] = p.W[P[r]][P[s]];
            }
            for (int i = 0; i < k; i++)
                for (int j = i; j < k; j++) {
                    double s = a[i][j];
                    for (int l = 0; l < i; l++) s -= a[i][l] * a[j][l];
                    if (i == j) {
                        if (s <= 0) return false;
                        diag[i] = std::sqrt(s);
                    } else {
                        a[j][i] = s / diag[i];
                    }
                }
            std::vector<double> zr(k);
            for (int i = 0; i < k; i++) {
                double s = rhs[i];
                for (int l = 0; l < i; l++) s -= a[i][l] * zr[l];
                zr[i] = s / diag[i];
            }
            for (int i = k - 1; i >= 0; i--) {
                double s = zr[i];
                for (int l = i + 1; l < k; l++) s -= a[l][i] * zr[l];
                zr[i] = s / diag[i];
            }
            std::vector<double> z(n + 1, 0.0);
            for (int r = 0; r < k; r++) z[P[r]] = zr[r];
            if (bFirst && z[t] <= 0) break;
            bool bAll = true;
            for (int j : P) bAll = bAll && z[j] >= 0;
            if (bAll) {
                c = z;
                break;
            }
            double alpha = 0;
            bool bAny = false;
            for (int j : P) {
                if (z[j] > 0) continue;
                const double d = c[j] - z[j];
                const double ratio = d > 0 ? c[j] / d : 0.0;
                if (!bAny || ratio < alpha) alpha = ratio, bAny = true;
            }
            for (int j = 1; j <= n; j++) c[j] += alpha * (z[j] - c[j]);
            for (int j : P)
                if (std::fabs(c[j]) < 1e-8 || c[j] < 0) {
                    c[j] = 0;
                    passive[j] = 0;
                    log.push_back(-j);
                }
        }
    }
}

// Runs of leaving variables in ascending order (the two methods leave a group
// in different orders).
std::vector<int> canonical(std::vector<int> log)
{
    for (size_t i = 0; i < log.size();) {
        size_t j = i;
        while (j < log.size() && log[j] < 0) j++;
        std::sort(log.begin() + long(i), log.begin() + long(j), std::greater<int>());
        i = j == i ? i + 1 : j;
    }
    return log;
}

std::vector<double> gradient(const Problem& p)
{
    std::vector<double> w(p.n + 1);
    for (int i = 1; i <= p.n; i++) {
        w[i] = p.b[i];
        for (int j = 1; j <= p.n; j++) w[i] -= p.W[i][j] * pNESolution[j];
    }
    return w;
}

// Least squares of y on the columns S of X by Householder QR.
std::vector<double> leastSquares(const Problem& p, const std::vector<int>& S)
{
    const int m = int(p.X.size()), k = int(S.size());
    Matrix a(m, std::vector<double>(k));
    std::vector<double> y = p.y;
    for (int r = 0; r < m; r++)
        for (int s = 0; s < k; s++) a[r][s] = p.X[r][S[s] - 1];
    for (int col = 0; col < k; col++) {
        double norm = 0;
        for (int r = col; r < m; r++) norm += a[r][col] * a[r][col];
        norm = std::sqrt(norm);
        const double alpha = a[col][col] > 0 ? -norm : norm;
        std::vector<double> v(m, 0.0);
        v[col] = a[col][col] - alpha;
        for (int r = col + 1; r < m; r++) v[r] = a[r][col];
        double vv = 0;
        for (int r = col; r < m; r++) vv += v[r] * v[r];
        if (vv == 0) continue;
        for (int s = col; s < k; s++) {
            double d = 0;
            for (int r = col; r < m; r++) d += v[r] * a[r][s];
            for (int r = col; r < m; r++) a[r][s] -= 2 * d / vv * v[r];
        }
        double d = 0;
        for (int r = col; r < m; r++) d += v[r] * y[r];
        for (int r = col; r < m; r++) y[r] -= 2 * d / vv * v[r];
    }
    std::vector<double> x(k);
    for (int i = k - 1; i >= 0; i--) {
        double s = y[i];
        for (int l = i + 1; l < k; l++) s -= a[i][l] * x[l];
        x[i] = s / a[i][i];
    }
    return x;
}

}  // namespace

// At exit the Karush-Kuhn-Tucker conditions hold, and the decisions are
// those of the textbook method that decomposes each subsystem afresh.
TEST(NNLSNormalEquations, OptimalAndTheSameDecisionsAsAFreshDecomposition)
{
    std::vector<int> log;
    pNNLSDecisionLog = &log;
    int nWithLeaving = 0;
    for (unsigned seed = 1; seed <= 200; seed++) {
        SCOPED_TRACE(seed);
        const int n = 5 + int(seed % 36);
        Problem p = Problem::Random(n, seed);
        p.Install();
        log.clear();
        ASSERT_TRUE(nnlsNormalEquations());
        double bNorm = 0;
        for (int i = 1; i <= n; i++) bNorm += p.b[i] * p.b[i];
        bNorm = std::sqrt(bNorm);
        const std::vector<double> w = gradient(p);
        int nActive = 0;
        for (int i = 1; i <= n; i++) {
            ASSERT_GE(pNESolution[i], 0.0);
            if (pNESolution[i] == 0.0) {
                EXPECT_LE(w[i], 1e-10);
                nActive++;
            } else {
                EXPECT_LE(std::fabs(w[i]), 1e-8 * bNorm);
            }
        }
        EXPECT_GT(nActive, 0);  // the constraints matter

        std::vector<double> c;
        std::vector<int> refLog;
        ASSERT_TRUE(referenceNNLS(p, c, refLog));
        EXPECT_EQ(canonical(log), canonical(refLog));
        if (std::any_of(log.begin(), log.end(), [](int d) { return d < 0; })) nWithLeaving++;
        for (int i = 1; i <= n; i++) EXPECT_NEAR(pNESolution[i], c[i], 1e-10 * (1.0 + std::fabs(c[i])));
    }
    EXPECT_GT(nWithLeaving, 20);  // variables left the set on the way
    pNNLSDecisionLog = nullptr;
}

// The same solution as an independent non-negative solution on the design
// matrix: the one subset whose least-squares solution is positive and
// optimal.
TEST(NNLSNormalEquations, AgreesWithASolutionOnTheDesignMatrix)
{
    for (unsigned seed = 11; seed <= 30; seed++) {
        SCOPED_TRACE(seed);
        const int n = 6;
        Problem p = Problem::Random(n, seed);
        p.Install();
        ASSERT_TRUE(nnlsNormalEquations());
        bool bFound = false;
        for (int mask = 0; mask < (1 << n) && !bFound; mask++) {
            std::vector<int> S;
            for (int j = 1; j <= n; j++)
                if (mask & (1 << (j - 1))) S.push_back(j);
            std::vector<double> x = S.empty() ? std::vector<double>() : leastSquares(p, S);
            if (std::any_of(x.begin(), x.end(), [](double v) { return v <= 0; })) continue;
            std::vector<double> c(n + 1, 0.0);
            for (size_t s = 0; s < S.size(); s++) c[S[s]] = x[s];
            bool bOptimal = true;
            for (int i = 1; i <= n && bOptimal; i++) {
                double g = p.b[i];
                for (int j = 1; j <= n; j++) g -= p.W[i][j] * c[j];
                if (c[i] == 0 && g > 1e-9) bOptimal = false;
            }
            if (!bOptimal) continue;
            bFound = true;
            for (int i = 1; i <= n; i++) EXPECT_NEAR(pNESolution[i], c[i], 1e-8);
        }
        EXPECT_TRUE(bFound);
    }
}

// Small cases: nothing to gain, a diagonal matrix, a negative projection.
TEST(NNLSNormalEquations, NoGainDiagonalAndNegativeProjection)
{
    std::vector<int> log;
    pNNLSDecisionLog = &log;
    Problem p;
    p.n = 4;
    p.W.assign(5, std::vector<double>(5, 0.0));
    p.b = {0, 1e-10, -3.0, 0.0, 5e-11};
    for (int i = 1; i <= 4; i++) p.W[i][i] = 2.0 + i;
    p.y = {1.0};
    p.Install();
    ASSERT_TRUE(nnlsNormalEquations());
    for (int i = 1; i <= 4; i++) EXPECT_EQ(pNESolution[i], 0.0);
    EXPECT_TRUE(log.empty());

    p.b = {0, 2.0, 8.0, 0.5, 4.0};
    p.Install();
    log.clear();
    ASSERT_TRUE(nnlsNormalEquations());
    for (int i = 1; i <= 4; i++) EXPECT_NEAR(pNESolution[i], p.b[i] / p.W[i][i], 1e-15);
    EXPECT_EQ(log, (std::vector<int>{2, 4, 1, 3}));  // by decreasing b

    // A coupled system whose right side has one negative component.
    p.W = {{0, 0, 0, 0, 0}, {0, 4, 1, 0.5, 0}, {0, 1, 3, 0.2, 0.1}, {0, 0.5, 0.2, 2, 0.3}, {0, 0, 0.1, 0.3, 1}};
    p.b = {0, 1.0, -2.0, 0.7, 0.4};
    p.Install();
    ASSERT_TRUE(nnlsNormalEquations());
    EXPECT_EQ(pNESolution[2], 0.0);
    EXPECT_GT(pNESolution[1], 0.0);
    pNNLSDecisionLog = nullptr;
}

// Six overlapping columns, the third the mean of its neighbours (W positive
// semi-definite, as the profiles of neighbouring sharp boundaries make it),
// and data fitted exactly: a column that is a combination of the passive ones
// has a gradient of rounding size above the threshold and a Cholesky pivot of
// rounding size, which may be negative. The second attempt, with a ridge of
// 1e-10 of the mean diagonal, solves it without a word and leaves W as it was;
// also on 200 columns, a c(s) grid's size, where a ridge of 4e-6 of the mean
// diagonal would leave a misfit of 1e-11 of the data.
TEST(NNLSNormalEquations, ADependentColumnOnExactDataIsSolved)
{
    for (int n : {6, 200}) {
        for (double fWidth : {0.08, 0.1, 0.12}) {
            Problem p;
            p.n = n;
            const int rows = 200 * n / 6;
            const double w = fWidth * 6 / n;
            p.X.assign(rows, std::vector<double>(n));
            p.y.assign(rows, 0.0);
            for (int r = 0; r < rows; r++) {
                const double x = double(r) / (rows - 1);
                for (int j = 0; j < n; j++) p.X[r][j] = 1000.0 * std::exp(-std::pow((x - (j + 0.5) / n) / w, 2));
                p.X[r][2] = 0.5 * (p.X[r][1] + p.X[r][3]);
                for (int j = 0; j < n; j++)
                    if (j != 2) p.y[r] += (1 + j % 6) * p.X[r][j];
            }
            p.Normalise();
            p.Install();
            win::headless::Script script;
            ASSERT_TRUE(nnlsNormalEquations()) << fWidth;
            EXPECT_TRUE(script.lines().empty()) << fWidth;
            for (int i = 1; i <= n; i++) EXPECT_GE(pNESolution[i], 0.0) << i;
            EXPECT_LT(chiSquareFromNormalEquations(), 1e-12 * dSumSquaredData) << n << " " << fWidth;
            for (int i = 1; i <= n; i++)
                for (int j = 1; j <= n; j++) EXPECT_EQ(pNEWork[i][j], p.W[i][j]);
        }
    }
}

// A subsystem that is not positive definite: the message (or the error code
// of a serialised fit) and the unconstrained solution of the whole system.
TEST(NNLSNormalEquations, NotPositiveDefiniteFallsBackToTheWholeSystem)
{
    Problem p;
    p.n = 2;
    p.W = {{0, 0, 0}, {0, 1, -2}, {0, -2, 1}};
    p.b = {0, 1.0, 1.0};
    p.y = {1.0};
    p.Install();
    {
        win::headless::Script script;
        script.expectMessageBox("Error", win::IDOK);
        EXPECT_FALSE(nnlsNormalEquations());  // the whole matrix is not positive definite either
        ASSERT_EQ(script.lines().size(), 1u);
        EXPECT_NE(script.lines()[0].find("matrix not positive definite in NNLS"), std::string::npos);
    }
    // LU of the whole system: x = W^-1 b.
    EXPECT_NEAR(pNESolution[1], -1.0, 1e-12);
    EXPECT_NEAR(pNESolution[2], -1.0, 1e-12);

    bSerialFitRunning = 1;
    nNumericalErrorCode = 0;
    p.Install();
    EXPECT_FALSE(nnlsNormalEquations());
    EXPECT_EQ(nNumericalErrorCode, 2);
    bSerialFitRunning = 0;
}

// With the buffer signal folded into the equations the solver, like the
// regularization and the chi-square, works on the n - 1 variables.
TEST(NNLSNormalEquations, FoldedBufferSignalLeavesTheLastVariableOut)
{
    Problem p = Problem::Random(6, 77);
    p.Install();
    nResolution = 6;
    nNEQSize = 5;
    bBufferMismatchInNEQ = 1;
    // What the store leaves in the last row and column must not matter.
    pNERightSide[6] = 1e6;
    for (int i = 1; i <= 6; i++) pNEWork[6][i] = pNEWork[i][6] = 0.0;
    pNESolution[6] = -7.0;
    ASSERT_TRUE(nnlsNormalEquations());
    EXPECT_EQ(pNESolution[6], -7.0);

    Problem q = p;
    q.n = 5;
    q.Normalise();
    std::vector<double> c5(pNESolution + 1, pNESolution + 6);
    q.Install();
    nResolution = 5;
    bBufferMismatchInNEQ = 0;
    ASSERT_TRUE(nnlsNormalEquations());
    for (int i = 1; i <= 5; i++) EXPECT_NEAR(pNESolution[i], c5[i - 1], 1e-12);
    const double chi5 = chiSquareFromNormalEquations();
    // The chi-square of the folded equations stops at nResolution - 1.
    p.Install();
    nResolution = 6;
    nNEQSize = 5;
    bBufferMismatchInNEQ = 1;
    for (int i = 1; i <= 5; i++) pNESolution[i] = c5[i - 1];
    pNESolution[6] = 123.0;
    EXPECT_NEAR(chiSquareFromNormalEquations(), chi5, 1e-9 * std::fabs(chi5));
    bBufferMismatchInNEQ = 0;
}
