// The detector response over whole arrays against the value-by-value formula:
// the vector path must give the same single-precision results, keep values at
// and below the baseline (and NaN) as they are, and handle the lengths that
// do not fill its groups of four, also in place.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "numerics/power_above.h"

namespace {

float byFormula(float v, double p, double b)
{
    if (!(v > b)) return v;
    return static_cast<float>(b + std::pow(v - b, p));
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST(PowerAboveBaseline, ArraysAgreeWithTheFormulaBitForBit)
{
    std::mt19937 gen(20261207);
    std::uniform_real_distribution<float> value(-20.0f, 5000.0f);
    std::uniform_real_distribution<double> exponent(0.5, 2.5);
    for (int n : {0, 1, 3, 4, 5, 7, 1000, 1003}) {
        std::vector<float> in(static_cast<size_t>(n) + 1);
        for (auto& v : in) v = value(gen);
        if (n > 3) {
            in[0] = 50.0f;  // exactly the baseline
            in[1] = std::numeric_limits<float>::quiet_NaN();
            in[2] = std::nextafter(50.0f, 100.0f);
            in[3] = 0.0f;
        }
        const double p = exponent(gen), b = 50.0;
        std::vector<float> out(in.size(), -1.0f), same = in;
        powerAboveBaseline(in.data(), out.data(), n, p, b);
        powerAboveBaseline(same.data(), same.data(), n, p, b);
        for (int k = 0; k < n; k++) {
            EXPECT_TRUE(sameBits(out[k], byFormula(in[k], p, b))) << "n " << n << " k " << k << " v " << in[k];
            EXPECT_TRUE(sameBits(same[k], out[k])) << "in place, n " << n << " k " << k;
        }
        EXPECT_EQ(out[n], -1.0f) << "nothing written beyond n";
    }
    // an exponent of 1 and baseline 0 leave positive values as they are
    std::vector<float> v{0.5f, 14.0f, 26.0f, 1e6f, 3.0f};
    std::vector<float> w(v.size());
    powerAboveBaseline(v.data(), w.data(), static_cast<int>(v.size()), 1.0, 0.0);
    EXPECT_EQ(w, v);
    // A value at the baseline itself stays, also where 0^p is not 0 (the
    // inverse of an exponent <= 0 takes the power 0).
    for (double p : {0.0, -1.0}) {
        EXPECT_EQ(powerAboveBaseline(50.0f, p, 50.0), 50.0f) << p;
        float one[1] = {50.0f};
        powerAboveBaseline(one, one, 1, p, 50.0);
        EXPECT_EQ(one[0], 50.0f) << p;
    }
}
