// The noise grid, the fit limits and the integral fringe corrections.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/app_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

using scantest::MemoryScan;

namespace {

MemoryScan ramp(float r0, float r1, float dr, double time, float (*f)(float)) {
    MemoryScan m;
    m.time = time;
    for (int k = 0;; ++k) {
        float r = r0 + k * dr;
        if (r > r1 + dr / 2) break;
        m.r.push_back(r);
        m.s.push_back(f(r));
    }
    return m;
}

float linear(float r) { return 10.0f * (r - 6.0f); }
float flat(float) { return 3.0f; }

class NoiseGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        scantest::resetScanState();
        clearShownErrorMessages();
    }
    void TearDown() override { scantest::resetScanState(); }
};

}  // namespace

TEST_F(NoiseGridTest, ResampledGridRunsFromTheMeanEnds) {
    // Mean first radius 6.0, mean last 6.0035, resolution 0.001: five points
    // one step inside the start, the last beyond the mean end.
    scantest::installScans({ramp(6.0f, 6.003f, 0.0005f, 100.0, linear),
                            ramp(6.0f, 6.004f, 0.0005f, 200.0, linear)});
    bAbsorbanceData = 1;
    setupNoiseRadialGrid();
    ASSERT_EQ(nNoiseGridPoints, 5);
    EXPECT_EQ(bScanOnNoiseGridOwned, 1);
    for (int j = 1; j <= 5; ++j) EXPECT_NEAR(pNoiseGrid[j], 6.0f + 0.001f * j, 1e-5);

    // Each scan's line interpolated onto the grid; TI noise is their mean,
    // RI noise each scan's mean over the grid.
    scantest::installScans({ramp(6.0f, 6.0995f, 0.0005f, 100.0, linear), ramp(6.0f, 6.0995f, 0.0005f, 200.0, flat)});
    setupNoiseRadialGrid();
    ASSERT_EQ(nNoiseGridPoints, 101);
    EXPECT_NEAR(ppScanOnNoiseGrid[1][10], 0.1f, 1e-4);
    EXPECT_NEAR(ppScanOnNoiseGrid[2][10], 3.0f, 1e-4);
    EXPECT_NEAR(pTINoise[10], 1.55f, 1e-4);
    EXPECT_NEAR(pRINoise[2], 3.0f, 1e-4);
    EXPECT_FLOAT_EQ(fNoiseGridCount, 202.0f);

    // Interference scans of one layout share the earliest scan's radii.
    scantest::installScans({ramp(6.0f, 6.1f, 0.001f, 300.0, flat), ramp(6.0f, 6.1f, 0.001f, 100.0, linear)});
    bAbsorbanceData = 0;
    bInterferenceData = 1;
    setupNoiseRadialGrid();
    EXPECT_EQ(bScanOnNoiseGridOwned, 0);
    EXPECT_EQ(pNoiseGrid, ppRadius[2]);

    // ... but a scan of another length gives a resampled grid.
    scantest::installScans({ramp(6.0f, 6.1f, 0.001f, 300.0, flat), ramp(6.0f, 6.09f, 0.001f, 100.0, flat)});
    setupNoiseRadialGrid();
    EXPECT_EQ(bScanOnNoiseGridOwned, 1);
    EXPECT_NE(pNoiseGrid, ppRadius[2]);

    // A resolution that is not positive still gives a finite grid.
    fRadialResolution = 0.0f;
    setupNoiseRadialGrid();
    EXPECT_GT(nNoiseGridPoints, 80);
    EXPECT_LT(nNoiseGridPoints, 100);
}

TEST_F(NoiseGridTest, FitLimitsStayInsideMeniscusAndBottom) {
    scantest::installScans({ramp(5.8f, 7.25f, 0.01f, 100.0, flat), ramp(5.8f, 7.25f, 0.01f, 200.0, flat)});
    bInterferenceData = 1;
    fMeniscus = 5.9f;
    fBottom = 7.2f;
    setupNoiseRadialGrid();
    // A limit of 0 is not set and stays 0.
    EXPECT_EQ(fFitLeftLim, 0.0f);
    EXPECT_EQ(pFitFirstIndex[1], 0);

    fFitLeftLim = 5.85f;  // inside the meniscus
    updateLeftFitLimit();
    EXPECT_FLOAT_EQ(fFitLeftLim, 5.91f);
    int k = pFitFirstIndex[1];
    EXPECT_TRUE(ppRadius[1][k] >= fFitLeftLim && ppRadius[1][k - 1] < fFitLeftLim);
    fFitLeftLim = 7.3f;  // beyond the bottom
    updateLeftFitLimit();
    EXPECT_FLOAT_EQ(fFitLeftLim, 5.91f);

    fFitRightLim = 7.2f;  // at the bottom
    updateRightFitLimit();
    EXPECT_FLOAT_EQ(fFitRightLim, 7.19f);
    k = pFitLastIndex[2];
    EXPECT_TRUE(ppRadius[2][k] <= fFitRightLim && ppRadius[2][k + 1] > fFitRightLim);
    EXPECT_FLOAT_EQ(fNoiseGridCount, 2.0f * (nNoiseGridLast - nNoiseGridFirst + 1));
    EXPECT_FLOAT_EQ(pRINoise[1], 3.0f);

    // A left limit below every scan's start is first raised to the
    // innermost start.
    win::headless::Script script;
    for (int i = 0; i < 5; i++) script.expectMessageBox("Error", win::IDOK);
    scantest::installScans({ramp(5.95f, 7.1f, 0.01f, 100.0, flat), ramp(5.97f, 7.0f, 0.01f, 200.0, flat)});
    setupNoiseRadialGrid();
    fFitLeftLim = 5.92f;
    updateLeftFitLimit();
    EXPECT_FLOAT_EQ(fFitLeftLim, 5.97f);

    // A right limit beyond a scan's end is moved in, with a message.
    clearShownErrorMessages();
    fFitRightLim = 7.15f;
    updateRightFitLimit();
    EXPECT_NEAR(fFitRightLim, 7.0f, 1e-5);
    ASSERT_EQ(shownErrorMessages().size(), 2u);
    EXPECT_EQ(shownErrorMessages()[1],
              "possible problem with right limit in file scan2.IP1\nsetting right limit to 7.000");

    // A scan that ends inside the left limit would take the right limit
    // below it, which then goes to bottom - 0.01: the message states that.
    scantest::installScans({ramp(5.91f, 7.1f, 0.01f, 100.0, flat), ramp(5.91f, 5.95f, 0.01f, 200.0, flat)});
    fFitLeftLim = fFitRightLim = 0.0f;
    setupNoiseRadialGrid();
    fFitLeftLim = 6.0f;
    updateLeftFitLimit();
    clearShownErrorMessages();
    fFitRightLim = 7.0f;
    updateRightFitLimit();
    EXPECT_FLOAT_EQ(fFitRightLim, 7.19f);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0],
              "possible problem with right limit in file scan2.IP1\nsetting right limit to 7.190");

    // A scan wholly outside the limits gets an empty range.
    scantest::installScans({ramp(5.95f, 6.5f, 0.01f, 100.0, flat), ramp(6.6f, 7.1f, 0.01f, 200.0, flat)});
    fFitRightLim = 0.0f;
    fFitLeftLim = 0.0f;
    setupNoiseRadialGrid();
    fFitRightLim = 6.4f;
    updateRightFitLimit();
    fFitLeftLim = 6.0f;
    updateLeftFitLimit();
    EXPECT_GT(pFitFirstIndex[2], pFitLastIndex[2]);
}

TEST_F(NoiseGridTest, FringeJumpsAreRemovedAndTheSearchEnds) {
    auto stepped = [](float fStep) {
        MemoryScan m = ramp(6.0f, 6.1f, 0.001f, 100.0, flat);
        for (size_t k = 40; k < m.s.size(); ++k) m.s[k] += fStep;
        return m;
    };
    // Steps of +2 and -3 fringes on a level of 3 are exact in float, so a
    // threshold of 1 or 2 meets a remaining jump of exactly that size: a jump
    // that only equals the threshold does not exceed it and stays.
    for (float fThreshold : {0.5f, 0.1f, 0.0f, -1.0f, 1.0f, 1.5f, 2.0f}) {
        scantest::installScans({stepped(2.0f), stepped(-3.0f)});
        bInterferenceData = 1;
        fMeniscus = 5.9f;
        fBottom = 7.2f;
        fFitLeftLim = 6.0f;
        fFitRightLim = 6.09f;
        setupNoiseRadialGrid();
        findFringeJumps(fThreshold, 0);
        // Whole fringes come off until the jump is within the threshold:
        // what is left is the whole number of fringes within it, at most the
        // step (none below one fringe).
        const float fWhole = std::max(0.0f, std::floor(fThreshold));
        EXPECT_FLOAT_EQ(ppSignal[1][41] - ppSignal[1][40], std::min(2.0f, fWhole)) << fThreshold;
        EXPECT_FLOAT_EQ(ppSignal[2][101] - ppSignal[2][1], -std::min(3.0f, fWhole)) << fThreshold;
    }

    // From the residuals: the step is judged against the mean of the three
    // points before it and taken off signal and residual alike, one whole
    // fringe after another, until the profile is flat again at the level
    // the residuals had before the step (3 fringes, far from 0).
    for (float fStep : {1.0f, 2.0f, -2.0f}) {
        scantest::installScans({stepped(fStep)});
        fFitLeftLim = 6.0f;
        fFitRightLim = 6.09f;
        setupNoiseRadialGrid();
        findFringeJumps(0.5f, 1);
        for (int k = 1; k <= pScanPoints[1]; ++k) {
            EXPECT_FLOAT_EQ(ppSignal[1][k], 3.0f) << fStep << " at " << k;
            EXPECT_FLOAT_EQ(ppResidual[1][k], 3.0f) << fStep << " at " << k;
        }
    }

    // Residuals that drift by 0.36 per point lie 2 x 0.36 = 0.72 above the
    // mean of the three before, below the dialog's threshold of 0.8: only the
    // whole fringe at point 41 comes off, and the drift stays as it was.
    scantest::installScans({stepped(1.0f)});
    for (int k = 1; k <= pScanPoints[1]; ++k) ppResidual[1][k] = 0.36f * k + (k > 40 ? 1.0f : 0.0f);
    fFitLeftLim = 6.0f;
    fFitRightLim = 6.09f;
    setupNoiseRadialGrid();
    findFringeJumps(0.8f, 1);
    for (int k = 1; k <= pScanPoints[1]; ++k) {
        EXPECT_FLOAT_EQ(ppSignal[1][k], 3.0f) << "drift, at " << k;
        EXPECT_NEAR(ppResidual[1][k], 0.36f * k, 1e-4f) << "drift, at " << k;
    }

    // A jump the float arithmetic cannot reduce ends the search too.
    scantest::installScans({stepped(1e9f)});
    setupNoiseRadialGrid();
    findFringeJumps(0.5f, 0);
    SUCCEED();
}

TEST_F(NoiseGridTest, JitterAndFringeAlignment) {
    // Scans of different lengths: the band means are aligned to the earliest
    // scan and every point of each scan moves, none beyond its end.
    scantest::installScans({ramp(6.0f, 6.1f, 0.001f, 100.0, flat), ramp(6.0f, 6.05f, 0.001f, 50.0, linear),
                            ramp(6.0f, 6.2f, 0.001f, 150.0, flat)});
    for (size_t k = 0; k < 201; ++k) ppSignal[3][k + 1] += 0.7f;
    // absorbance scans have no jitter of the fringe offset: nothing moves
    setupNoiseRadialGrid();
    const std::vector<float> before3(ppSignal[3] + 1, ppSignal[3] + 202);
    eliminateJitter(6.0105f, 6.0325f);
    EXPECT_EQ(std::vector<float>(ppSignal[3] + 1, ppSignal[3] + 202), before3);
    bInterferenceData = 1;
    setupNoiseRadialGrid();
    const float m1 = 10.0f * (6.0215f - 6.0f);  // earliest scan (2) over 6.011..6.032
    std::vector<float> before2(ppSignal[2] + 1, ppSignal[2] + 52);
    eliminateJitter(6.0105f, 6.0325f);
    for (int k = 1; k <= 51; ++k) EXPECT_EQ(ppSignal[2][k], before2[k - 1]);
    EXPECT_EQ(pRINoiseSaved[2], 0.0f);
    EXPECT_NEAR(pRINoiseSaved[1], 3.0f - m1, 1e-3);
    EXPECT_NEAR(pRINoiseSaved[3], 3.7f - m1, 1e-3);
    EXPECT_NEAR(ppSignal[3][201], m1, 1e-3);
    // A single scan is its own earliest: its offset becomes 0, as the
    // earliest's does among many, whatever an RI fit left there.
    scantest::installScans({ramp(6.0f, 6.1f, 0.001f, 100.0, flat)});
    setupNoiseRadialGrid();
    pRINoiseSaved[1] = 0.4f;
    eliminateJitter(6.0105f, 6.0325f);
    EXPECT_EQ(pRINoiseSaved[1], 0.0f);
    EXPECT_EQ(ppSignal[1][101], 3.0f);

    // Integral alignment at a radius: 2.6 fringes above the earliest scan
    // comes down by 3, 0.4 above stays; then the offset is added to all.
    scantest::installScans({ramp(6.0f, 6.1f, 0.001f, 100.0, flat), ramp(6.0f, 6.1f, 0.001f, 200.0, flat),
                            ramp(6.0f, 6.1f, 0.001f, 300.0, flat)});
    for (int k = 1; k <= 101; ++k) {
        ppSignal[2][k] += 2.6f;
        ppSignal[3][k] += 0.4f;
    }
    alignOffsetAtRadius(0.25f, 6.05f);
    for (int k = 1; k <= 101; ++k) {  // every point, the ends included
        EXPECT_FLOAT_EQ(ppSignal[1][k], 3.25f) << k;
        EXPECT_NEAR(ppSignal[2][k], 2.85f, 1e-5) << k;
        EXPECT_NEAR(ppSignal[3][k], 3.65f, 1e-5) << k;
    }
}

// The initial scan beyond the right fit limit is the polynomial of order p
// through its last points inside the limit (those within three times the
// distance to the bottom, in p + 1 groups), and so is the scan left of the
// left fit limit, through its first points from the limit on (those within
// the limit's distance from the meniscus, the extrapolation factor being 1).
// Points of a polynomial of that order are met exactly, down to a single
// point per group (groups of two are averaged, which keeps a line); points
// farther in take no part.
TEST_F(NoiseGridTest, InitialScanExtrapolatedToBothEndsByItsPolynomial) {
    const int nOrder = nPolynomOrder;
    bExperimentalInitialDistribution = 1;
    fMeniscus = 5.9f;
    fFitRightLim = 7.05f;
    fBottom = 7.2f;  // the groups come from beyond 7.05 - 3 x 0.15 = 6.6 cm
    auto poly = [](int p, double r) {
        double y = 1.0;
        for (int m = 1; m <= p; ++m) y += std::pow(r - 6.5, m) / m;
        return y;
    };
    // The scan held on the radii r with the signal at each, extrapolated at
    // one end with a polynomial of order p.
    auto extrapolate = [&](bool bRight, int p, const std::vector<float>& r, auto signalAt) {
        freeExtrapolationArrays();
        nExtrapolationPoints = static_cast<int>(r.size());
        pExtrapolation1 = vector(1, nExtrapolationPoints);
        pExtrapolation2 = vector(1, nExtrapolationPoints);
        pExtrapolation3 = vector(1, nExtrapolationPoints);
        for (int j = 1; j <= nExtrapolationPoints; ++j) {
            pExtrapolation1[j] = r[static_cast<size_t>(j - 1)];
            pExtrapolation2[j] = signalAt(j - 1);
            pExtrapolation3[j] = 0.0f;
        }
        nPolynomOrder = p;
        if (bRight)
            extrapolateAtRightLimit();
        else
            extrapolateAtLeftLimit();
    };
    // The profile of order p on the radii r, 0 beyond the limit (the points to
    // be replaced) and 1 above it out of reach (farther in than 6.6 cm on the
    // right, 6.1 cm on the left), extrapolated at that end: the polynomial
    // comes back beyond the limit, which it would not with any point out of
    // reach in a group, and every other point keeps its value.
    auto extrapolateAndCheck = [&](bool bRight, int p, int nPerGroup, const std::vector<float>& r) {
        const float fLimit = bRight ? fFitRightLim : fFitLeftLim;
        auto offset = [bRight](float x) { return (bRight ? x < 6.6f : x > 6.1f) ? 1.0 : 0.0; };
        extrapolate(bRight, p, r, [&](size_t k) {
            const float x = r[k];
            return (bRight ? x > fLimit : x < fLimit) ? 0.0f : static_cast<float>(poly(p, x) + offset(x));
        });
        for (int j = 1; j <= nExtrapolationPoints; ++j) {
            const float x = pExtrapolation1[j];
            EXPECT_NEAR(pExtrapolation2[j], poly(p, x) + offset(x), 1e-4)
                << (bRight ? "right" : "left") << ", order " << p << ", " << nPerGroup << " per group, r " << x;
        }
    };
    for (int p = 0; p <= 3; ++p) {
        for (int nPerGroup = 1; nPerGroup <= (p <= 1 ? 2 : 1); ++nPerGroup) {
            // four points out of reach (more than the p + 1 groups could
            // share out), p + 1 groups up to 7.0 cm, then points beyond the
            // limit whose signal (0) is to be replaced
            std::vector<float> r = {6.0f, 6.1f, 6.2f, 6.3f};
            const int c = (p + 1) * nPerGroup;
            for (int m = c - 1; m >= 0; --m) r.push_back(7.0f - 0.05f * static_cast<float>(m) / nPerGroup);
            for (float x : {7.1f, 7.15f, 7.2f}) r.push_back(x);
            extrapolateAndCheck(true, p, nPerGroup, r);
        }
    }
    // the left end: meniscus 5.9, limit 6.0, the groups from 6.0 to below 6.1
    // cm; the polynomials rise with r there, so that the profile's clamps
    // (never below the baseline, never rising towards the meniscus) keep out
    fFitLeftLim = 6.0f;
    for (int p = 0; p <= 3; ++p) {
        for (int nPerGroup = 1; nPerGroup <= (p <= 1 ? 2 : 1); ++nPerGroup) {
            // points to be replaced, the groups from the limit, four points
            // out of reach
            std::vector<float> r = {5.92f, 5.96f};
            const int c = (p + 1) * nPerGroup;
            for (int m = 0; m < c; ++m) r.push_back(6.0f + 0.02f * static_cast<float>(m) / nPerGroup);
            for (float x : {6.15f, 6.2f, 6.25f, 6.3f}) r.push_back(x);
            extrapolateAndCheck(false, p, nPerGroup, r);
        }
    }

    // Scattered points whose pairs average onto the line 1 + (r - 6.5): at
    // either end the line replaces everything from the point at the limit
    // outwards, that point included, and the other points of the groups keep
    // their scatter.
    auto extrapolateScatter = [&](bool bRight, const std::vector<float>& r, const std::vector<float>& scatter) {
        extrapolate(bRight, 1, r, [&](size_t k) { return static_cast<float>(poly(1, r[k])) + scatter[k]; });
        // the point at the limit: the last inside on the right, the first on the left
        const float fAtLimit = bRight ? 7.0f : 6.0f;
        for (int j = 1; j <= nExtrapolationPoints; ++j) {
            const float x = pExtrapolation1[j];
            const bool bReplaced = bRight ? x >= fAtLimit : x <= fAtLimit;
            const float fKept = bReplaced ? 0.0f : scatter[static_cast<size_t>(j - 1)];
            EXPECT_NEAR(pExtrapolation2[j], poly(1, x) + fKept, 1e-4)
                << (bRight ? "right" : "left") << ", r " << x << (x == fAtLimit ? " (at the limit)" : "");
        }
    };
    // right: groups (7.0, 6.95) and (6.9, 6.85) inside 7.05 cm
    extrapolateScatter(true, {6.0f, 6.85f, 6.9f, 6.95f, 7.0f, 7.1f, 7.15f, 7.2f},
                       {0.0f, -0.03f, 0.03f, -0.03f, 0.03f, 0.0f, 0.0f, 0.0f});
    // left: groups (6.0, 6.01) and (6.02, 6.03) from 6.0 cm
    extrapolateScatter(false, {5.92f, 5.96f, 6.0f, 6.01f, 6.02f, 6.03f, 6.15f},
                       {0.0f, 0.0f, 0.03f, -0.03f, 0.03f, -0.03f, 0.0f});

    // A first scan that Exclude Data cut to one point, at the left limit or
    // inside it, is its own polynomial of order 0, and like every point the
    // extrapolation writes it stays at the baseline or above: one below the
    // baseline comes up to it, one above keeps its value.
    const float fBaselineBefore = fBaseline;
    fBaseline = 0.5f;
    for (float fAt : {6.0f, 6.04f})
        for (float fSignal : {0.2f, 0.8f}) {
            extrapolate(false, 0, {fAt}, [&](size_t) { return fSignal; });
            EXPECT_EQ(pExtrapolation2[1], std::max(fSignal, 0.5f)) << "one point at " << fAt << ", " << fSignal;
        }
    fBaseline = fBaselineBefore;
    nPolynomOrder = nOrder;
}

// The species bases on the noise grid are made again for the species included
// now: those of before are released, also when the fourth row (the buffer's)
// had the only ones; kept, they would be lost (the sanitizer stage's leak
// check) or left to a species no longer included.
TEST_F(NoiseGridTest, SpeciesBasesAreMadeAgainForTheIncludedSpecies) {
    scantest::installScans({ramp(6.0f, 6.1f, 0.001f, 100.0, flat), ramp(6.0f, 6.1f, 0.001f, 200.0, flat)});
    bInterferenceData = 1;
    pSpeciesIncluded[4] = 1;
    setupNoiseRadialGrid();
    allocExtraNoiseArrays();  // again, as a load does after the grid
    ASSERT_TRUE(pppExtraNoiseScan[4] && !pppExtraNoiseScan[1]);
    pSpeciesIncluded[4] = 0;
    pSpeciesIncluded[1] = 1;
    allocExtraNoiseArrays();
    EXPECT_TRUE(pppExtraNoiseScan[1] && pppExtraNoiseScan[1][2]);
    EXPECT_EQ(pppExtraNoiseScan[4], nullptr);
}
