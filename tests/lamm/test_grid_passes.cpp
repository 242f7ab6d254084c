// The static grid's passes (four or two rows at a time) against the plain
// scalar loops, bit for bit: stretches of every length and offset, values at
// and around the cut, negative values, NaN, and changes that only a row's
// neighbour can take as reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "lamm/grid_passes.h"

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Profiles {
    std::vector<double> c, co;
};

// A profile and the one before it: mostly smooth changes, some rows below the
// cut, a few large jumps, negative values and (optionally) NaN.
Profiles makeProfiles(int n, unsigned seed, bool withNaN)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Profiles p{std::vector<double>(n + 2), std::vector<double>(n + 2)};
    for (int i = 0; i <= n + 1; i++) {
        const double base = u(rng) < 0.2 ? 1e-6 * u(rng) : u(rng);
        p.co[i] = base;
        const double r = u(rng);
        p.c[i] = r < 0.05 ? base * (1 + 5 * u(rng)) : r < 0.1 ? -0.01 * u(rng) : base * (1 + 0.01 * (u(rng) - 0.5));
        if (r > 0.97) p.co[i] = 1e-4;  // exactly at the cut below
    }
    if (withNaN && n > 3) {
        p.c[n / 2] = std::numeric_limits<double>::quiet_NaN();
        p.co[n / 3] = std::numeric_limits<double>::quiet_NaN();
    }
    return p;
}

void scalarChanges(const double* c, const double* co, int from, int to, double cut, double& E, int& special)
{
    for (int i = from; i <= to; i++) {
        const double o = co[i], d = std::fabs(c[i] - o);
        if (o > cut) {
            if (d > E * o) E = d / o;
        } else {
            special |= d > cut;
        }
    }
}

TEST(LammGridPasses, RelativeChangesEqualTheScalarLoop)
{
    for (bool nan : {false, true})
        for (int n : {1, 2, 3, 7, 8, 9, 15, 64, 333, 1200})
            for (int from : {1, 2, 3, 5}) {
                if (from > n) continue;
                const Profiles p = makeProfiles(n, 17u * n + from, nan);
                for (double E0 : {0.0, 0.05, 10.0})
                    for (double cut : {1e-4, 0.5}) {
                        double e1 = E0, e2 = E0;
                        int s1 = 0, s2 = 0;
                        lamm::relativeChanges(p.c.data(), p.co.data(), from, n, cut, e1, s1);
                        scalarChanges(p.c.data(), p.co.data(), from, n, cut, e2, s2);
                        ASSERT_TRUE(sameBits(e1, e2)) << n << " " << from << " " << E0 << " " << cut;
                        ASSERT_EQ(s1, s2) << n << " " << from;
                    }
            }
    // an empty stretch leaves both as they came
    double E = 0.25;
    int special = 1;
    const double c[2] = {0, 1}, co[2] = {0, 2};
    lamm::relativeChanges(c, co, 1, 0, 1e-4, E, special);
    EXPECT_EQ(E, 0.25);
    EXPECT_EQ(special, 1);
}

TEST(LammGridPasses, LargestValuesEqualTheScalarLoop)
{
    for (bool nan : {false, true})
        for (int n : {1, 2, 3, 7, 8, 9, 16, 17, 333, 1200})
            for (int from : {1, 2, 4}) {
                if (from > n) continue;
                const Profiles p = makeProfiles(n, 31u * n + from, nan);
                for (double start : {0.0, 0.3, 50.0}) {
                    double m = start, a = 0;
                    for (int i = from; i <= n; i++) {
                        m = p.c[i] > m ? p.c[i] : m;
                        a = std::fabs(p.c[i]) > a ? std::fabs(p.c[i]) : a;
                    }
                    double largest, magnitude;
                    lamm::largestValues(p.c.data(), from, n, start, largest, magnitude);
                    ASSERT_TRUE(sameBits(largest, m)) << n << " " << from << " " << start;
                    ASSERT_TRUE(sameBits(magnitude, a)) << n << " " << from;
                }
            }
    // only negative values: the largest magnitude is theirs, the largest value the start
    const double neg[9] = {0, -1, -2, -9, -3, -1, -1, -1, -1};
    double largest, magnitude;
    lamm::largestValues(neg, 1, 8, -5.0, largest, magnitude);
    EXPECT_EQ(largest, -1.0);
    EXPECT_EQ(magnitude, 9.0);
}

TEST(LammGridPasses, FirstOutsideFindsTheFirstRowThatNeedsWork)
{
    for (int n : {1, 4, 8, 9, 30, 1000}) {
        std::vector<double> c(n + 2);
        for (int i = 0; i <= n + 1; i++) c[i] = 0.05 * (i % 2);
        for (int from : {1, 2, 3})
            for (int at = from; at <= n + 1; at += (n > 40 ? 97 : 1))
                for (double v : {-1e-300, 0.1, 7.0, std::numeric_limits<double>::quiet_NaN()}) {
                    if (from > n) continue;
                    std::vector<double> d = c;
                    if (at <= n) d[at] = v;
                    EXPECT_EQ(lamm::firstOutside(d.data(), from, n, 0.0, 0.1), at) << n << " " << from << " " << v;
                }
    }
    // -0 lies inside [0, high), an empty stretch gives the row after it
    const double z[4] = {0, -0.0, 0.0, 0.02};
    EXPECT_EQ(lamm::firstOutside(z, 1, 3, 0.0, 0.1), 4);
    EXPECT_EQ(lamm::firstOutside(z, 3, 2, 0.0, 0.1), 3);
}

}  // namespace
