// The static grid's passes (four or two rows at a time) against the plain
// scalar loops, bit for bit: stretches of every length and offset, values at
// and around the cut, negative values, NaN, and changes that only a row's
// neighbour can take as reference; and the rule itself on rows at the cut.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "lamm/grid_passes.h"
#include "lamm/reacting_passes.h"
#include "numerics/cpu_features.h"

// The two-lane helpers as a processor without SSE2 builds them (their plain
// lane-by-lane form), in a namespace of their own beside the SSE2 build.
#pragma push_macro("__SSE2__")
#undef __SSE2__
namespace generic {
#include "lamm/double_pairs.h"
}
#pragma pop_macro("__SSE2__")

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
    // a row exactly at the cut is no reference of its own (only rows above the
    // cut are): a change larger than the cut marks it special and leaves E, a
    // smaller one does nothing; wherever the row lies in the stretch (a group of
    // four, a pair, the odd row at the end). Every other row changes by 1 %.
    for (int n = 1; n <= 13; n++)
        for (int at = 1; at <= n; at++)
            for (double change : {0.5, 0.1}) {
                const double cut = 0.25;
                std::vector<double> c(n + 2, 1.01), co(n + 2, 1.0);
                co[at] = cut;
                c[at] = cut + change;
                double e = 0;
                int sp = 0;
                lamm::relativeChanges(c.data(), co.data(), 1, n, cut, e, sp);
                EXPECT_EQ(e, n > 1 ? 1.01 - 1.0 : 0.0) << n << " " << at << " " << change;
                EXPECT_EQ(sp, change > cut ? 1 : 0) << n << " " << at << " " << change;
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

// A comparison's lanes as bits (bit 0 for the first lane, bit 1 for the
// second) in the lane-by-lane form that processors without SSE2 build: the
// step control of the one-field loop takes a node's test from these bits, so
// each of the four outcomes of two lanes must come back as the lanes held.
TEST(LammGridPasses, LaneBitsTellWhichLanesHold)
{
    using generic::lamm::Pair;
    for (int first : {0, 1})
        for (int second : {0, 1}) {
            const Pair v{first ? 2.0 : -2.0, second ? 3.0 : -3.0};
            EXPECT_EQ(generic::lamm::laneBits(v > Pair{0.0, 0.0}), first + 2 * second) << first << second;
            EXPECT_EQ(generic::lamm::anyLane(v > Pair{0.0, 0.0}), first || second) << first << second;
        }
}

#if defined(__x86_64__)
// The loop's predictor pass and its taking of the start profile, four rows at
// a time, against the rows one by one: the trial, the right-hand side, the
// range, the copies, bit for bit; a group stops where a row may beat the
// largest change and never where none can.
TEST(LammGridPasses, LoopPassesEqualTheRowByRowRule)
{
    if (!processorHasAvx2()) GTEST_SKIP() << "no AVX2 here";
    const int n = 203;
    const Profiles p = makeProfiles(n, 5u, false), r = makeProfiles(n, 6u, false);
    std::vector<double> rl(n + 2, 0.3), rd(n + 2, 1.7), rb(n + 2, -0.2);
    for (double E : {0.0, 0.02, 1e9})
        for (int from : {2, 3, 6}) {
            std::vector<double> t(n + 2, -1.0), b(n + 2, -1.0);
            double lo = 0.25, hi = 0.5;
            const double a = 0.37, h = 1e-4, generous = 1 + 1e-15;
            int i = from;
            for (;;) {
                bool flagged = false;
                const int at = reactingTrialAvx2(p.c.data(), p.co.data(), t.data(), a, rl.data(), rd.data(), rb.data(),
                                                 b.data(), i, n - 1, h, generous, E, lo, hi, flagged);
                for (int q = i; q < at + (flagged ? 4 : 0); q++) {  // the rows done, one by one
                    const double ci = p.c[q], v = ci + a * (ci - p.co[q]), x = v > 0 ? v : 0.0;
                    ASSERT_TRUE(sameBits(t[q], x)) << q;
                    ASSERT_TRUE(sameBits(b[q], rl[q] * p.c[q - 1] + rd[q] * ci + rb[q] * p.c[q + 1])) << q;
                    const double d = std::fabs(x - ci);
                    const bool needs = ci > h ? d * generous > E * ci : d > h;
                    if (q < at) {
                        ASSERT_FALSE(needs) << "a group passed over row " << q;
                    }
                }
                if (!flagged) {
                    EXPECT_LE(n - 1 - at, 2);
                    i = at;
                    break;
                }
                i = at + 4;
            }
            double l2 = 0.25, h2 = 0.5;  // the range over every row done
            for (int q = from; q < i; q++) {
                l2 = t[q] < l2 ? t[q] : l2;
                h2 = h2 < t[q] ? t[q] : h2;
            }
            EXPECT_TRUE(sameBits(lo, l2));
            EXPECT_TRUE(sameBits(hi, h2));
        }
    // the start profile: copies, 0 + w c, range and NaN
    for (bool nan : {false, true}) {
        Profiles s0 = makeProfiles(n, 9u, nan);
        std::vector<double> q(n + 2, 7.0), pub(n + 2, 7.0);
        double lo = s0.c[1], hi = lo;
        bool sawNaN = false;
        const int at = reactingStartAvx2(s0.c.data(), q.data(), pub.data(), -0.5, 1, n, lo, hi, sawNaN);
        EXPECT_EQ(at, 1 + 4 * (n / 4));
        double l2 = s0.c[1], h2 = l2;
        bool n2 = false;
        for (int k = 1; k < at; k++) {
            ASSERT_TRUE(sameBits(q[k], s0.c[k]));
            ASSERT_TRUE(sameBits(pub[k], 0.0 + -0.5 * s0.c[k]));
            n2 |= s0.c[k] != s0.c[k];
            l2 = s0.c[k] < l2 ? s0.c[k] : l2;
            h2 = h2 < s0.c[k] ? s0.c[k] : h2;
        }
        EXPECT_EQ(sawNaN, n2);
        EXPECT_TRUE(sameBits(lo, l2));
        EXPECT_TRUE(sameBits(hi, h2));
    }
}
#endif

}  // namespace
