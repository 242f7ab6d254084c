#include <gtest/gtest.h>

#include "platform/headless.h"

#include <cmath>
#include <string>
#include <vector>

#include "numerics/nrutil.h"
#include "numerics/root_finding.h"
#include "numerics/statistics.h"
#include "plot/error_box.h"

// Critical ratios against closed forms of the F distribution: with dof1 = 2,
// Q(F) = (1 + 2F/d)^(-d/2); with (1, 1) F is the square of a Cauchy quantile,
// with (1, 2) the square of a Student t quantile with two degrees of freedom.
// Table: F(0.999; 1, 10) = 21.04. All but the first lie outside 1..2.
TEST(Statistics, CriticalRatiosMatchClosedFormsAndTables)
{
    clearShownErrorMessages();
    const double pi = 3.14159265358979323846;
    auto dof2Closed = [](double P, double d) { return d / 2.0 * (std::pow(1.0 - P, -2.0 / d) - 1.0); };
    EXPECT_NEAR(fStatCriticalRatio(0.68, 2, 10), dof2Closed(0.68, 10), 1e-5);
    EXPECT_NEAR(fStatCriticalRatio(0.95, 2, 10), dof2Closed(0.95, 10), 1e-5);
    EXPECT_NEAR(fStatCriticalRatio(0.95, 2, 2), 19.0, 1e-5);
    EXPECT_NEAR(fStatCriticalRatio(0.20, 2, 2), 0.25, 1e-6);
    double t1 = std::tan(pi * 0.95 / 2.0);
    EXPECT_NEAR(fStatCriticalRatio(0.95, 1, 1), t1 * t1, 1e-3);
    EXPECT_NEAR(fStatCriticalRatio(0.95, 1, 2), 2 * 0.95 * 0.95 / (1 - 0.95 * 0.95), 1e-4);
    EXPECT_NEAR(fStatCriticalRatio(0.999, 1, 10), 21.04, 0.01);

    // Far out: with one degree of freedom in the denominator the tail falls
    // only as 1 / sqrt(F), and a level typed as a float can be one step below
    // 1, 1 - 2^-24. The Cauchy quantile then gives 1 / tan^2(pi 2^-25) =
    // 1.14e14 for (1, 1), eight steps below 1 still 1.78e12, and the dof1 = 2
    // form (2^48 - 1) / 2 = 1.41e14 for (2, 1): all found without a message.
    for (int nSteps : {1, 8}) {
        const double dTail = nSteps * std::ldexp(1.0, -24), dCot = 1.0 / std::tan(pi * dTail / 2.0);
        EXPECT_NEAR(fStatCriticalRatio(1.0 - dTail, 1, 1) / (dCot * dCot), 1.0, 1e-6) << nSteps;
    }
    EXPECT_NEAR(fStatCriticalRatio(1.0 - std::ldexp(1.0, -24), 2, 1) / 140737488355327.5, 1.0, 1e-6);

    // A typical distribution fit: within the first bracket.
    double F = fStatCriticalRatio(0.68, 10, 1000);
    EXPECT_GT(F, 1.0);
    EXPECT_LT(F, 2.0);
    EXPECT_NEAR(fDistributionTail(F, 10, 1000), 0.32, 1e-6);
    EXPECT_EQ(fDistributionTail(1.0, 0, 0), 0.0);
    EXPECT_TRUE(shownErrorMessages().empty());
}

// Fewer than one degree of freedom (a fit with as many parameters as points)
// has no F distribution: the computation stops with a message, never goes on
// with a number (the tail was NaN, the ratio 2). Both 0 is the tail's own case.
TEST(Statistics, DegreesOfFreedomBelowOneStopTheComputation)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    auto lastMessage = [] { return shownErrorMessages().empty() ? std::string() : shownErrorMessages().back(); };
    const double bad[][2] = {{0, 10}, {10, 0}, {0.5, 10}, {-3, 10}, {std::nan(""), 10}};
    for (const auto& d : bad) {
        double dResult = 0;
        EXPECT_FALSE(runAbandonable([&] { dResult = fStatCriticalRatio(0.95, d[0], d[1]); })) << d[0] << " " << d[1];
        EXPECT_EQ(lastMessage(), "degrees of freedom below 1 in fStatCriticalRatio");
        EXPECT_FALSE(runAbandonable([&] { dResult = fDistributionTail(1.5, d[0], d[1]); })) << d[0] << " " << d[1];
        EXPECT_EQ(lastMessage(), "degrees of freedom below 1 in fDistributionTail");
        EXPECT_EQ(dResult, 0.0);
    }
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    EXPECT_EQ(fDistributionTail(1.0, 0, 0), 0.0);
    EXPECT_NEAR(fDistributionTail(1.0, 1, 1), 0.5, 1e-7);  // the smallest that counts
    clearShownErrorMessages();
}

TEST(Statistics, IncompleteBetaAndLogGamma)
{
    // The error boxes these cases provoke are answered OK; their texts are checked below.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    EXPECT_NEAR(gammln(5.0), std::log(24.0), 1e-10);
    EXPECT_NEAR(gammln(0.5), 0.5 * std::log(3.14159265358979323846), 1e-10);
    EXPECT_NEAR(gammln(101.0), std::lgamma(101.0), 1e-8);
    for (double x : {0.0, 0.1, 0.5, 0.93, 1.0}) {
        EXPECT_NEAR(betai(1.0, 1.0, x), x, 1e-7);
        EXPECT_NEAR(betai(3.0, 1.0, x), x * x * x, 1e-7);
        EXPECT_NEAR(betai(1.0, 4.0, x), 1.0 - std::pow(1.0 - x, 4.0), 1e-7);
    }
    EXPECT_NEAR(betai(7.5, 7.5, 0.5), 0.5, 1e-7);

    // x outside [0, 1] (or not a number) is a bad argument: the computation
    // stops with the message, the program does not.
    for (double x : {-0.1, 1.5, std::nan("")}) {
        EXPECT_FALSE(runAbandonable([&] { betai(2.0, 3.0, x); }));
        EXPECT_EQ(shownErrorMessages().back(), "Bad x in routine betai");
    }
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    clearShownErrorMessages();
}

TEST(Statistics, RunsTestCountsSignChangesPerScan)
{
    // Scan 1: residuals +, +, -, -, +: n+ = 3, n- = 2, 3 runs, mu = 3.4,
    // variance 2*6*(12 - 5) / (25 * 4) = 0.84.
    float data1[6] = {0, 1, 1, -1, -1, 1}, fit1[6] = {0, 0, 0, 0, 0, 0};
    float* ppData[3] = {nullptr, data1, nullptr};
    float* ppFit[3] = {nullptr, fit1, nullptr};
    int list[2] = {0, 1}, first[3] = {0, 1, 0}, last[3] = {0, 5, 0};
    EXPECT_NEAR(runsTestZ(ppData, ppFit, 1, 1, list, first, last), 0.1 / std::sqrt(0.84), 1e-6);

    // A zero residual counts as negative but never starts a run, and every
    // scan starts a run of its own: +, 0, - | + , +: n+ = 3, n- = 2, runs 3.
    float data2[4] = {0, 2, 0, -2}, data3[3] = {0, 5, 5}, zeros[4] = {0, 0, 0, 0};
    float* ppD[4] = {nullptr, data2, data3, nullptr};
    float* ppF[4] = {nullptr, zeros, zeros, nullptr};
    int list2[3] = {0, 1, 2}, first2[4] = {0, 1, 1, 0}, last2[4] = {0, 3, 2, 0};
    EXPECT_NEAR(runsTestZ(ppD, ppF, 1, 2, list2, first2, last2), 0.1 / std::sqrt(0.84), 1e-6);
    // A zero first residual opens the scan with a negative run, as it is
    // counted among the negatives: 0, +, +, -, - reads as -, +, +, -, -,
    // n+ = 2, n- = 3, three runs, the same Z as above.
    float data4[6] = {0, 0, 3, 3, -3, -3};
    float* ppD4[3] = {nullptr, data4, nullptr};
    EXPECT_NEAR(runsTestZ(ppD4, ppFit, 1, 1, list, first, last), 0.1 / std::sqrt(0.84), 1e-6);

    // No scans, one point, or all residuals of one sign: undefined, 0.
    EXPECT_EQ(runsTestZ(ppData, ppFit, 1, 0, list, first, last), 0.0f);
    int lastOne[3] = {0, 1, 0};
    EXPECT_EQ(runsTestZ(ppData, ppFit, 1, 1, list, first, lastOne), 0.0f);
    int lastTwo[3] = {0, 2, 0};
    EXPECT_EQ(runsTestZ(ppData, ppFit, 1, 1, list, first, lastTwo), 0.0f);
    // Nor without either end of the fitted ranges.
    EXPECT_EQ(runsTestZ(ppData, ppFit, 1, 1, list, nullptr, last), 0.0f);
    EXPECT_EQ(runsTestZ(ppData, ppFit, 1, 1, list, first, nullptr), 0.0f);
}

// Brent's method converges superlinearly on smooth functions: a root to 1e-12
// in a dozen evaluations, where bisection of the same bracket needs about 40
// (log2 of the bracket over the tolerance). The interpolation steps carry
// the search; the bisection only guards it.
TEST(RootFinding, BrentNeedsFarFewerEvaluationsThanBisection)
{
    struct Case {
        double (*f)(double);
        double lo, hi, root;
    };
    const Case cases[] = {
        {[](double x) { return std::cos(x) - x; }, 0.0, 1.0, 0.7390851332151607},
        {[](double x) { return x * x * x - 2.0; }, 0.0, 2.0, std::cbrt(2.0)},
        {[](double x) { return std::exp(x) - 10.0; }, 0.0, 5.0, std::log(10.0)},
        {[](double x) { return std::log(x) - 1.0; }, 1.0, 4.0, std::exp(1.0)},
    };
    for (const Case& c : cases) {
        int nCalls = 0;
        bool bBracketed = false, bConverged = false;
        const double x = brentRoot(
            [&](double v) {
                nCalls++;
                return c.f(v);
            },
            c.lo, c.hi, 1e-12, 1e-16, 100, &bBracketed, &bConverged);
        EXPECT_TRUE(bBracketed);
        EXPECT_TRUE(bConverged);
        EXPECT_NEAR(x, c.root, 1e-11) << c.root;
        EXPECT_LE(nCalls, 14) << c.root;
        // the float form reaches the root as closely as a float holds it
        nCalls = 0;
        const float xf = brentRootIn<float>(
            [&](float v) {
                nCalls++;
                return static_cast<float>(c.f(v));
            },
            static_cast<float>(c.lo), static_cast<float>(c.hi), 1e-6f, 3e-8f, 100, nullptr, &bConverged);
        EXPECT_TRUE(bConverged);
        EXPECT_NEAR(xf, c.root, 2e-6) << c.root;
        EXPECT_LE(nCalls, 12) << c.root;
    }
    // Inverse quadratic interpolation is exact where x is a quadratic in f:
    // f = 2 (sqrt(x) - 1) has x = (1 + f / 2)^2. After two secant steps from
    // the ends (0.25 + 3.75 / 3 = 1.5, then 1.1124), the first step through
    // three distinct points lands on the root 1, and the next one confirms it.
    std::vector<double> abscissae;
    const double xq = brentRoot(
        [&](double v) {
            abscissae.push_back(v);
            return 2.0 * (std::sqrt(v) - 1.0);
        },
        0.25, 4.0, 1e-12, 1e-16, 100, nullptr, nullptr);
    EXPECT_NEAR(xq, 1.0, 1e-12);
    ASSERT_GE(abscissae.size(), 5u);
    EXPECT_DOUBLE_EQ(abscissae[2], 1.5);
    EXPECT_NEAR(abscissae[4], 1.0, 1e-14);
    EXPECT_EQ(abscissae.size(), 6u);
    // A tolerance no step can meet: the search takes its nMaxIter steps, one
    // new abscissa each, beside the two ends, and says it did not converge.
    for (int nMax : {1, 2, 5, 100}) {
        int nCalls = 0;
        bool bConverged = true;
        brentRoot(
            [&](double v) {
                nCalls++;
                return v < 0.3 ? -1.0 : 1.0;
            },
            0.0, 1.0, -1.0, 1e-16, nMax, nullptr, &bConverged);
        EXPECT_FALSE(bConverged) << nMax;
        EXPECT_EQ(nCalls, nMax + 2) << nMax;
    }
    // The root of a straight line is the first interpolated point; the next
    // step sees it: two steps are enough, one is not.
    for (int nMax : {1, 2}) {
        bool bConverged = false;
        const double x = brentRoot([](double v) { return 4.0 * v - 1.0; }, 0.0, 1.0, 1e-12, 1e-16, nMax, nullptr,
                                   &bConverged);
        EXPECT_DOUBLE_EQ(x, 0.25) << nMax;
        EXPECT_EQ(bConverged, nMax == 2) << nMax;
    }
}

// The bracket flag asks whether f(x1) and f(x2) share a strict sign. A zero
// at either end is a root in the bracket, whatever the sign at the other end:
// the flag stays set and the search hands back that end exactly (f = 0 there).
// Both ends above or both below zero (x^2 + 1 on [-1, 2]) is no bracket.
// statzbrent words the flag as "Root must be bracketed in statzbrent": a
// root on its lower end must not raise it.
TEST(RootFinding, AZeroAtAnEndOfTheBracketIsARoot)
{
    struct Case {
        double fLo, fHi;  // f is the straight line through (0, fLo) and (1, fHi)
        double root;
    };
    const Case cases[] = {{0.0, -2.0, 0.0}, {0.0, 2.0, 0.0}, {-2.0, 0.0, 1.0}, {2.0, 0.0, 1.0}};
    for (const Case& c : cases) {
        bool bBracketed = false, bConverged = false;
        const double x = brentRoot([&](double v) { return c.fLo + (c.fHi - c.fLo) * v; }, 0.0, 1.0, 1e-12,
                                   1e-16, 100, &bBracketed, &bConverged);
        EXPECT_TRUE(bBracketed) << c.fLo << " " << c.fHi;
        EXPECT_TRUE(bConverged) << c.fLo << " " << c.fHi;
        EXPECT_EQ(x, c.root) << c.fLo << " " << c.fHi;
        bBracketed = false;
        const float xf = brentRootIn<float>([&](float v) { return static_cast<float>(c.fLo + (c.fHi - c.fLo) * v); },
                                            0.0f, 1.0f, 1e-6f, 3e-8f, 100, &bBracketed, nullptr);
        EXPECT_TRUE(bBracketed) << c.fLo << " " << c.fHi;
        EXPECT_EQ(xf, static_cast<float>(c.root)) << c.fLo << " " << c.fHi;
    }
    for (double sign : {1.0, -1.0}) {
        bool bBracketed = true;
        brentRoot([&](double v) { return sign * (v * v + 1.0); }, -1.0, 2.0, 1e-12, 1e-16, 100, &bBracketed,
                  nullptr);
        EXPECT_FALSE(bBracketed) << sign;
    }

    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    clearShownErrorMessages();
    EXPECT_EQ(statzbrent([](double v) { return 1.0 - v; }, 1.0, 3.0, 1e-7), 1.0);
    EXPECT_TRUE(shownErrorMessages().empty());
    statzbrent([](double v) { return v * v + 1.0; }, 1.0, 3.0, 1e-7);
    ASSERT_FALSE(shownErrorMessages().empty());
    EXPECT_EQ(shownErrorMessages().front(), "Root must be bracketed in statzbrent");
    clearShownErrorMessages();
}
