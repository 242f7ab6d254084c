// The Brent root finders of the distribution code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/hydrodynamics.h"
#include "distributions/root_finders.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"

TEST(RootFinders, KnownRootsWithinToleranceAndIterationLimit)
{
    clearShownErrorMessages();
    int nCalls = 0;
    const double dRoot = zbrent(
        [&](double x) {
            nCalls++;
            return std::cos(x) - x;
        },
        0.0, 1.0, 1e-10);
    EXPECT_NEAR(dRoot, 0.7390851332151607, 6e-8 * 0.74 + 0.5e-10);
    EXPECT_LE(nCalls, 202);
    nCalls = 0;
    const float fRoot = zbrentFloat(
        [&](float x) {
            nCalls++;
            return x * x * x - 2.0f;
        },
        0.0f, 2.0f, 1e-5f);
    EXPECT_NEAR(fRoot, std::cbrt(2.0), 6e-8 * 1.26 + 1e-5);
    EXPECT_LE(nCalls, 202);

    // The stop rule itself, on a step of +-1 at 0.95 (which interpolation
    // cannot use, so every step halves the bracket) with tol 0: the search
    // ends as soon as half the bracket, read off the abscissae it tried, is
    // within 6e-8 |b|, and not one step later. Near 0.95 half a bracket of
    // 2^-23 is 6.27e-8 |b|: not yet within, so the bracket ends at 2^-24.
    std::vector<double> tried;
    auto step = [&](double x) {
        tried.push_back(x);
        return x < 0.95 ? -1.0 : 1.0;
    };
    const double dStep = zbrent(step, 0.0, 2.0, 0.0);
    auto halfBracket = [&](size_t nTried) {
        double lo = 0.0, hi = 2.0;
        for (size_t k = 0; k < nTried; k++)
            if (tried[k] < 0.95)
                lo = std::max(lo, tried[k]);
            else
                hi = std::min(hi, tried[k]);
        return (hi - lo) / 2;
    };
    ASSERT_GE(tried.size(), 3u);
    EXPECT_TRUE(dStep == tried.back());
    EXPECT_LE(halfBracket(tried.size()), 6e-8 * std::fabs(dStep));
    EXPECT_GT(halfBracket(tried.size() - 1), 6e-8 * std::fabs(tried[tried.size() - 2]));
    EXPECT_NEAR(dStep, 0.95, 2 * 6e-8 * 0.95);
    EXPECT_TRUE(shownErrorMessages().empty());
}

// Without a sign change the single-precision finder doubles the upper bound
// itself: with both bounds negative it moves away from 0.
TEST(RootFinders, FloatFinderDoublesTheUpperBound)
{
    clearShownErrorMessages();
    const float fRoot = zbrentFloat([](float x) { return x + 5.0f; }, -1.0f, -2.0f, 1e-6f);
    EXPECT_NEAR(fRoot, -5.0, 1e-5);
    // positive bounds grow the same way
    EXPECT_NEAR(zbrentFloat([](float x) { return x - 30.0f; }, 1.0f, 2.0f, 1e-6f), 30.0, 1e-4);
    EXPECT_TRUE(shownErrorMessages().empty());
    // no sign change within ten doublings: the message, and the search goes on
    win::headless::Script script;
    script.expectMessageBox("problem in regularization, cannot reach chi-square increase; try using fewer scans",
                            win::IDOK);
    zbrentFloat([](float x) { return x * x + 1.0f; }, 1.0f, 2.0f, 1e-6f);
    ASSERT_FALSE(shownErrorMessages().empty());
    EXPECT_EQ(shownErrorMessages().front(),
              "problem in regularization, cannot reach chi-square increase; try using fewer scans");
}

TEST(RootFinders, WormLikeChainWarnsFromTheSecondFailure)
{
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("problem in finding M(s) for low Mw in worm-like chain model", win::IDOK);
    bModelCSWormlikeChain = 1;
    bWormlikeChainRootWarned = 0;
    zbrentFloat([](float x) { return x * x + 1.0f; }, 1.0f, 2.0f, 1e-6f);
    EXPECT_EQ(bWormlikeChainRootWarned, 1);
    EXPECT_TRUE(shownErrorMessages().empty());
    clearShownErrorMessages();
    zbrentFloat([](float x) { return x * x + 1.0f; }, 1.0f, 2.0f, 1e-6f);
    ASSERT_FALSE(shownErrorMessages().empty());
    EXPECT_EQ(shownErrorMessages().front(), "problem in finding M(s) for low Mw in worm-like chain model");
}

TEST(RootFinders, DoubleFinderWithoutBracketSaysSoAndIterates)
{
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("too many iterations finding root", win::IDOK);
    const double d = zbrent([](double x) { return x - 3.0; }, 4.0, 5.0, 1e-8);
    ASSERT_FALSE(shownErrorMessages().empty());
    EXPECT_EQ(shownErrorMessages().front(), "too many iterations finding root");
    EXPECT_TRUE(std::isfinite(d));
}

// In a serialised fit no box appears; the failure is a code.
TEST(RootFinders, SerialFitsGetCodesInsteadOfBoxes)
{
    clearShownErrorMessages();
    bSerialFitRunning = 1;
    nNumericalErrorCode = 0;
    zbrent([](double x) { return x - 3.0; }, 4.0, 5.0, 1e-8);
    EXPECT_TRUE(nNumericalErrorCode == 5 || nNumericalErrorCode == 4);
    nNumericalErrorCode = 0;
    zbrentFloat([](float x) { return x * x + 1.0f; }, 1.0f, 2.0f, 1e-6f);
    EXPECT_TRUE(nNumericalErrorCode == 3 || nNumericalErrorCode == 4);
    // a step that is never 0, with a tolerance no step can meet: the limit
    // (the 200 iterations of docs/distributions.md: one new abscissa each,
    // beside the two ends)
    nNumericalErrorCode = 0;
    int nCalls = 0;
    auto step = [&](double x) {
        nCalls++;
        return x < 0.3 ? -1.0 : 1.0;
    };
    EXPECT_EQ(zbrent(step, 0.0, 1.0, -1.0), 0.0);
    EXPECT_EQ(nNumericalErrorCode, 4);
    EXPECT_EQ(nCalls, 202);
    EXPECT_TRUE(shownErrorMessages().empty());
    bSerialFitRunning = 0;
    win::headless::Script script;
    script.expectMessageBox("Maximum number of iterations exceeded in zbrent", win::IDOK);
    EXPECT_EQ(zbrentFloat([](float x) { return x < 0.3f ? -1.0f : 1.0f; }, 0.0f, 1.0f, -1.0f), 0.0f);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "Maximum number of iterations exceeded in zbrent");
}
