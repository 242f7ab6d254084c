// The polynomial least-squares fit of the M* extrapolations.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analyses/mstar/poly_fit.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"

namespace {

// 1-based arrays from lists.
std::vector<double> d1(std::initializer_list<double> v)
{
    std::vector<double> a{0.0};
    a.insert(a.end(), v);
    return a;
}
std::vector<float> f1(std::initializer_list<float> v)
{
    std::vector<float> a{0.0f};
    a.insert(a.end(), v);
    return a;
}

}  // namespace

TEST(PolyFit, ReproducesLinesParabolasAndMeans)
{
    // order 1 through two points: the line, y[1] at the first abscissa
    {
        auto x = d1({6.95, 7.05}), y = d1({0.3, 0.5});
        auto xe = f1({6.95, 7.0, 7.2}), ye = f1({0, 0, 0});
        polyFit(1, x.data(), y.data(), 2, xe.data(), ye.data(), 3, nullptr, nullptr, 0, 0, 0);
        EXPECT_NEAR(ye[1], 0.3f, 1e-6);
        EXPECT_NEAR(ye[2], 0.4f, 1e-6);
        EXPECT_NEAR(ye[3], 0.8f, 1e-5);
    }
    // order 2 on an exact parabola at radii: reproduced within float precision
    {
        auto p = [](double r) { return 2.0 - 3.0 * (r - 7.0) + 40.0 * (r - 7.0) * (r - 7.0); };
        std::vector<double> x{0}, y{0};
        for (int i = 0; i < 30; ++i) {
            x.push_back(6.9 + 0.002 * i);
            y.push_back(p(x.back()));
        }
        std::vector<float> xe{0}, ye(101, 0.0f);
        for (int k = 1; k <= 100; ++k) xe.push_back(6.85f + 0.004f * (k - 1));
        polyFit(2, x.data(), y.data(), 30, xe.data(), ye.data(), 100, nullptr, nullptr, 0, 0, 0);
        for (int k = 1; k <= 100; ++k) EXPECT_NEAR(ye[k], p(xe[k]), 2e-5 * std::fabs(p(xe[k])) + 1e-5) << k;
    }
    // order 0 is the mean
    {
        auto x = d1({1, 2, 3, 4}), y = d1({1, 2, 4, 9});
        auto xe = f1({-5, 10}), ye = f1({0, 0});
        polyFit(0, x.data(), y.data(), 4, xe.data(), ye.data(), 2, nullptr, nullptr, 0, 0, 0);
        EXPECT_FLOAT_EQ(ye[1], 4.0f);
        EXPECT_FLOAT_EQ(ye[2], 4.0f);
    }
    // and of one point, that point's value (an M* range may hold a single
    // point at order 0); the arrays end at index 1
    {
        const std::vector<double> x{0.0, 6.9}, y{0.0, 0.25};
        auto xe = f1({6.5, 7.2}), ye = f1({0, 0});
        polyFit(0, x.data(), y.data(), 1, xe.data(), ye.data(), 2, nullptr, nullptr, 0, 0, 0);
        EXPECT_FLOAT_EQ(ye[1], 0.25f);
        EXPECT_FLOAT_EQ(ye[2], 0.25f);
    }
}

TEST(PolyFit, SingularOrNegativeOrdersAndTheSecondSet)
{
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    // every abscissa equal, order 1: the message, and nothing written
    {
        auto x = d1({7, 7, 7}), y = d1({1, 2, 3});
        auto xe = f1({7, 8}), ye = f1({-1, -2});
        auto xs = f1({7}), ys = f1({-3});
        polyFit(1, x.data(), y.data(), 3, xe.data(), ye.data(), 2, xs.data(), ys.data(), 1, 0, 10);
        ASSERT_EQ(shownErrorMessages().size(), 1u);
        EXPECT_EQ(shownErrorMessages()[0], "error in polyfit");
        EXPECT_EQ(ye[1], -1.0f);
        EXPECT_EQ(ye[2], -2.0f);
        EXPECT_EQ(ys[1], -3.0f);
    }
    // order -1: zeros, the second set untouched
    {
        auto x = d1({1, 2}), y = d1({1, 2});
        auto xe = f1({1, 2, 3}), ye = f1({5, 5, 5});
        auto xs = f1({1}), ys = f1({7});
        polyFit(-1, x.data(), y.data(), 2, xe.data(), ye.data(), 3, xs.data(), ys.data(), 1, 0, 10);
        EXPECT_EQ(ye, f1({0, 0, 0}));
        EXPECT_EQ(ys[1], 7.0f);
    }
    // the second set: values inside [lo, hi], zeros outside
    {
        auto x = d1({0, 1, 2}), y = d1({1, 3, 5});
        auto xe = f1({0}), ye = f1({0});
        auto xs = f1({-1, 0.5, 4}), ys = f1({9, 9, 9});
        polyFit(1, x.data(), y.data(), 3, xe.data(), ye.data(), 1, xs.data(), ys.data(), 3, 0.0f, 1.0f);
        EXPECT_FLOAT_EQ(ys[1], 0.0f);
        EXPECT_FLOAT_EQ(ys[2], 2.0f);
        EXPECT_FLOAT_EQ(ys[3], 0.0f);
        auto zs = f1({-1, 4}), zy = f1({9, 9});
        polyFit(1, x.data(), y.data(), 3, xe.data(), ye.data(), 1, zs.data(), zy.data(), 2, 0.0f, 1.0f);
        EXPECT_EQ(zy, f1({0, 0}));
    }
    EXPECT_EQ(shownErrorMessages().size(), 1u);
}
