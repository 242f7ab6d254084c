// The tridiagonal solve in eight blocks against one plain elimination, for
// sizes below and above the blocked path, first solved rows in every block,
// and a matrix whose small system needs row pivoting.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "lamm/tridiagonal_blocks.h"

namespace {

// x = M^-1 rhs with rhs = 0 below row first, then x = 0 below row first
std::vector<double> plainSolve(int n, const std::vector<double>& lo, const std::vector<double>& di,
                               const std::vector<double>& up, const std::vector<double>& rhs, int first)
{
    std::vector<double> g(n + 2), F(n + 2), x(n + 2, 0.0);
    double p = di[1];
    g[1] = up[1] / p;
    F[1] = (first <= 1 ? rhs[1] : 0.0) / p;
    for (int j = 2; j <= n; j++) {
        p = di[j] - lo[j] * g[j - 1];
        g[j] = up[j] / p;
        F[j] = ((j >= first ? rhs[j] : 0.0) - lo[j] * F[j - 1]) / p;
    }
    x[n] = F[n];
    for (int j = n - 1; j >= 1; j--) x[j] = F[j] - g[j] * x[j + 1];
    for (int j = 1; j < first && j <= n; j++) x[j] = 0;
    return x;
}

void checkSizes(double offLower, double offUpper, double diag)
{
    for (int n : {1, 5, 127, 128, 129, 300, 1001}) {
        std::vector<double> lo(n + 2), di(n + 2), up(n + 2), rhs(n + 2, -7.0), x(n + 2, 99.0);
        for (int i = 1; i <= n; i++) {
            lo[i] = offLower * (1 + 0.3 * std::sin(0.7 * i));
            up[i] = offUpper * (1 + 0.2 * std::cos(1.3 * i));
            di[i] = diag + 0.1 * std::sin(0.37 * i);
            rhs[i] = std::cos(0.1 * i) + 0.01 * i;
        }
        lo[1] = 0;
        up[n] = 0;
        lamm::BlockTridiagonal B;
        ASSERT_TRUE(B.factor(n, lo.data(), di.data(), up.data()));
        for (int first : {1, 2, n / 8 + 3, n / 2, (7 * n) / 8 + 2, n - 1, n}) {
            if (first < 1 || first > n) continue;
            std::vector<double> ref = plainSolve(n, lo, di, up, rhs, first);
            std::fill(x.begin(), x.end(), 99.0);
            B.solve(rhs.data(), x.data(), first);
            double scale = 0;
            for (int i = 1; i <= n; i++) scale = std::max(scale, std::fabs(ref[i]));
            for (int i = 1; i <= n; i++)
                ASSERT_NEAR(x[i], ref[i], 1e-12 * (1 + scale)) << "n " << n << " first " << first << " row " << i;
        }
    }
}

}  // namespace

TEST(LammBlockTridiagonal, DiagonallyDominantMatchesOneElimination)
{
    checkSizes(-1.0, -1.2, 3.0);
}

// matrices far from diagonal dominance; with the last the small system of
// the blocks' end values needs row pivoting
TEST(LammBlockTridiagonal, WeakDiagonalMatchesOneElimination)
{
    checkSizes(-1.0, 1.0, 0.35);
    checkSizes(1.0, 1.0, 1.5);
}
