// The blocked tridiagonal solve against one plain elimination: sizes below,
// at and above the blocked path's threshold and not multiples of the block
// count, every first solved row (and none given: the whole system), a ready
// right-hand side and the product of a right matrix, matrices far from
// diagonal dominance (whose small system needs row pivoting); four lanes
// against two bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "lamm/tridiagonal_blocks.h"

namespace {

using Vec = std::vector<double>;

// x = M^-1 rhs with rhs = 0 below row first, then x = 0 below row first
Vec plainSolve(int n, const Vec& lo, const Vec& di, const Vec& up, const Vec& rhs, int first)
{
    Vec g(n + 2), F(n + 2), x(n + 2, 0.0);
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

// A random system: the diagonal diag times the off-diagonals' sum (below 1:
// not diagonally dominant), the right matrix of the same shape, a vector;
// the entries outside the matrix (lo[1], up[n], and the arrays' ends) NaN, as
// nothing may read them.
struct TSystem {
    int n;
    Vec lo, di, up, rl, rd, ru, c, rhs;
    TSystem(int n, double diag, unsigned seed)
        : n(n), lo(n + 2), di(n + 2), up(n + 2), rl(n + 2), rd(n + 2), ru(n + 2), c(n + 2), rhs(n + 2)
    {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        for (int i = 1; i <= n; i++) {
            lo[i] = u(rng);
            up[i] = u(rng);
            di[i] = diag * (std::fabs(lo[i]) + std::fabs(up[i])) * (u(rng) > -0.8 ? 1 : -1) + 1e-3;
            rl[i] = u(rng);
            rd[i] = 2 + u(rng);
            ru[i] = u(rng);
            c[i] = std::exp(3 * u(rng));
        }
        const double nan = std::nan("");
        for (Vec* v : {&lo, &rl}) (*v)[1] = (*v)[0] = nan;
        for (Vec* v : {&up, &ru}) (*v)[n] = (*v)[n + 1] = nan;
        di[0] = di[n + 1] = c[0] = c[n + 1] = nan;
        for (int i = 1; i <= n; i++) {
            rhs[i] = rd[i] * c[i];
            if (i > 1) rhs[i] += rl[i] * c[i - 1];
            if (i < n) rhs[i] += ru[i] * c[i + 1];
        }
    }
};

// Every first row for the smaller sizes, a spread of them (about each block's
// ends) for the larger.
std::vector<int> firstRows(int n)
{
    std::vector<int> f;
    if (n <= 1300) {
        for (int k = 0; k <= n + 1; k++) f.push_back(k);
        return f;
    }
    const int m = (n + 15) / 16;
    for (int k = 0; k <= 16; k++)
        for (int d : {-1, 0, 1, 2}) f.push_back(1 + k * m + d);
    f.push_back(n);
    return f;
}

void checkSystems(double diag, double tolerance)
{
    const bool wide = lamm::BlockTridiagonal().useWideInstructions(true);
    for (int n : {1, 2, 3, 5, 127, 128, 255, 256, 257, 271, 273, 300, 1001, 1200, 5000}) {
        SCOPED_TRACE(testing::Message() << "n " << n << " diagonal " << diag);
        TSystem S(n, diag, 11u + n);
        lamm::BlockTridiagonal two, four;
        two.useWideInstructions(false);
        four.useWideInstructions(true);
        ASSERT_TRUE(two.factor(n, S.lo.data(), S.di.data(), S.up.data()));
        ASSERT_TRUE(four.factor(n, S.lo.data(), S.di.data(), S.up.data()));
        Vec x(n + 2), y(n + 2), z(n + 2), rhs = S.rhs;
        for (int first : firstRows(n)) {
            SCOPED_TRACE(testing::Message() << "first " << first);
            const Vec ref = plainSolve(n, S.lo, S.di, S.up, S.rhs, first);
            double scale = 0;
            for (int i = 1; i <= n; i++) scale = std::max(scale, std::fabs(ref[i]));
            two.solve(S.rhs.data(), x.data(), first);
            two.solveProduct(S.rl.data(), S.rd.data(), S.ru.data(), S.c.data(), y.data(), first);
            for (int i = 1; i <= n; i++) {
                ASSERT_NEAR(x[i], ref[i], tolerance * scale) << "row " << i;
                ASSERT_NEAR(y[i], ref[i], tolerance * scale) << "row " << i;
            }
            if (wide) {  // the same to the bit in four lanes
                four.solve(S.rhs.data(), z.data(), first);
                ASSERT_EQ(0, std::memcmp(x.data() + 1, z.data() + 1, n * sizeof(double)));
                four.solveProduct(S.rl.data(), S.rd.data(), S.ru.data(), S.c.data(), z.data(), first);
                ASSERT_EQ(0, std::memcmp(y.data() + 1, z.data() + 1, n * sizeof(double)));
            }
        }
        // with no first row given, the whole system from row 1
        const Vec whole = plainSolve(n, S.lo, S.di, S.up, S.rhs, 1);
        double scale = 0;
        for (int i = 1; i <= n; i++) scale = std::max(scale, std::fabs(whole[i]));
        two.solve(S.rhs.data(), x.data());
        two.solveProduct(S.rl.data(), S.rd.data(), S.ru.data(), S.c.data(), y.data());
        for (int i = 1; i <= n; i++) {
            ASSERT_NEAR(x[i], whole[i], tolerance * scale) << "row " << i << " (no first row)";
            ASSERT_NEAR(y[i], whole[i], tolerance * scale) << "row " << i << " (no first row)";
        }
        // the right-hand side is read, not changed, and may be the solution
        EXPECT_EQ(0, std::memcmp(rhs.data() + 1, S.rhs.data() + 1, n * sizeof(double)));
        two.solve(S.rhs.data(), x.data(), 1);
        four.solve(rhs.data(), rhs.data(), 1);
        EXPECT_EQ(0, std::memcmp(rhs.data() + 1, x.data() + 1, n * sizeof(double)));
    }
}

}  // namespace

TEST(LammBlockTridiagonal, DiagonallyDominantMatchesOneElimination)
{
    checkSystems(1.05, 1e-13);
    checkSystems(3.0, 1e-14);
}

// matrices far from diagonal dominance: the small system of the blocks' end
// values needs row pivoting
TEST(LammBlockTridiagonal, WeakDiagonalMatchesOneElimination)
{
    checkSystems(0.6, 1e-9);
}

TEST(LammBlockTridiagonal, ZeroPivotIsReported)
{
    for (int n : {4, 600}) {
        Vec lo(n + 2, 1.0), di(n + 2, 3.0), up(n + 2, 1.0);
        lamm::BlockTridiagonal B;
        bool zeroFirst = false;
        di[1] = 0;
        EXPECT_FALSE(B.factor(n, lo.data(), di.data(), up.data(), &zeroFirst));
        EXPECT_TRUE(zeroFirst);
        di[1] = 3;
        di[n - 1] = 0;
        lo[n - 1] = 0;
        up[n - 1] = 0;
        EXPECT_FALSE(B.factor(n, lo.data(), di.data(), up.data(), &zeroFirst));
        EXPECT_FALSE(zeroFirst);
    }
}
