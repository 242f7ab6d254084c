// Nonlinear detection: the transform and its inverse, the copies behind the
// data set's arrays, the fit road's refresh and the scans of the rmsd.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "scandata/raw_edit_tools.h"
#include "scandata/raw_transform_tools.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

using scantest::MemoryScan;

namespace {

// Scans of n points on 6.0..6.0 + 0.01 (n - 1) cm; signal[k][i] from the
// function, the model a given fraction of it.
void installSet(int nScans, int n, float (*signal)(int, int), float fModelFactor)
{
    std::vector<MemoryScan> scans(static_cast<size_t>(nScans));
    for (int k = 1; k <= nScans; k++) {
        MemoryScan& m = scans[static_cast<size_t>(k - 1)];
        m.time = 1000.0 * k;
        for (int i = 1; i <= n; i++) {
            m.r.push_back(6.0f + 0.01f * static_cast<float>(i - 1));
            m.s.push_back(signal(k, i));
        }
    }
    scantest::installScans(scans);
    for (int k = 1; k <= ::nScans; k++) {
        pFitFirstIndex[k] = 1;
        pFitLastIndex[k] = n;
        for (int i = 1; i <= n; i++) ppFit[k][i] = fModelFactor * ppSignal[k][i];
    }
}

std::vector<float> flatten(float** pp)
{
    std::vector<float> v;
    for (int k = 1; k <= nScans; k++) v.insert(v.end(), pp[k] + 1, pp[k] + 1 + pScanPoints[k]);
    return v;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Values around the baseline 10, fractional and whole.
float mixedSignal(int k, int i)
{
    return 4.0f + 0.37f * static_cast<float>(i) + 1.3f * static_cast<float>(k);
}

}  // namespace

TEST(NonlinearDetection, TransformAndInverse)
{
    // p = 2, b = 10: 14 -> 26, 8 and 10 stay, and the two undo each other
    EXPECT_EQ(nonlinearDetectionTransform(14.0f, 2.0, 10.0), 26.0f);
    EXPECT_EQ(nonlinearDetectionTransform(8.0f, 2.0, 10.0), 8.0f);
    EXPECT_EQ(nonlinearDetectionTransform(10.0f, 2.0, 10.0), 10.0f);
    EXPECT_EQ(nonlinearDetectionInverse(26.0f, 2.0, 10.0), 14.0f);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> above(11.0f, 200.0f);
    for (int n = 0; n < 2000; n++) {
        const float v = above(rng);
        const float t = nonlinearDetectionTransform(v, 2.0, 10.0);
        EXPECT_NEAR(nonlinearDetectionInverse(t, 2.0, 10.0), v, 4e-6f * v) << v;
        const float w = nonlinearDetectionInverse(v, 2.0, 10.0);
        EXPECT_NEAR(nonlinearDetectionTransform(w, 2.0, 10.0), v, 4e-6f * v) << v;
    }
    // p = 1, b = 0 is the identity, negative values and zero included
    std::uniform_real_distribution<float> any(-50.0f, 50.0f);
    for (int n = 0; n < 2000; n++) {
        const float v = any(rng);
        EXPECT_EQ(nonlinearDetectionTransform(v, 1.0, 0.0), v);
        EXPECT_EQ(nonlinearDetectionInverse(v, 1.0, 0.0), v);
    }
    // an exponent <= 0: the inverse takes the power 0
    EXPECT_EQ(nonlinearDetectionInverse(15.0f, 0.0, 10.0), 11.0f);
}

TEST(NonlinearDetection, ShownValuesCopiesAndSwitchingOff)
{
    // a set of three scans, and a single scan, which is a set as well
    for (int nSet : {3, 1}) {
        SCOPED_TRACE(nSet);
        installSet(nSet, 40, mixedSignal, 0.5f);
        const std::vector<float> signal0 = flatten(ppSignal), fit0 = flatten(ppFit);

        // the option off: nothing happens
        EXPECT_FALSE(transformScansNonlinearDetection(2.0, 10.0, true));
        EXPECT_FALSE(applyNonlinearDetection(2.0, 10.0, true));
        EXPECT_FALSE(ppRawSignal);

        bNonlinearDetection = 1;
        bShowTransformedData = 1;
        ASSERT_TRUE(transformScansNonlinearDetection(2.0, 10.0, true));
        EXPECT_TRUE(bTransformedDataShown);
        for (int k = 1; k <= nScans; k++)
            for (int i = 1; i <= pScanPoints[k]; i++) {
                const float raw = signal0[static_cast<size_t>((k - 1) * 40 + i - 1)];
                ASSERT_EQ(ppSignal[k][i], nonlinearDetectionTransform(raw, 2.0, 10.0));
                ASSERT_EQ(ppRawSignal[k][i], raw);
                // the model shown goes through the same transform, point by point
                const float model = fit0[static_cast<size_t>((k - 1) * 40 + i - 1)];
                ASSERT_EQ(ppFit[k][i], nonlinearDetectionTransform(model, 2.0, 10.0)) << k << " " << i;
            }
        EXPECT_EQ(dAppliedDetectionPower, 2.0);
        EXPECT_EQ(dAppliedDetectionBaseline, 10.0);
        // the rms deviations in both scales
        double d = 0;
        for (size_t n = 0; n < signal0.size(); n++) d += std::pow(double(signal0[n]) - fit0[n], 2);
        EXPECT_FLOAT_EQ(fRawRmsd, static_cast<float>(std::sqrt(d / signal0.size())));
        EXPECT_GT(fTransformedRmsd, fRawRmsd);

        // the show choice alone swaps the values shown, the copies stay
        const std::vector<float> trans = flatten(ppTransSignal);
        ASSERT_TRUE(transformScansNonlinearDetection(2.0, 10.0, false));
        EXPECT_TRUE(sameBits(flatten(ppSignal), signal0));
        EXPECT_TRUE(sameBits(flatten(ppFit), fit0));
        ASSERT_TRUE(transformScansNonlinearDetection(2.0, 10.0, true));
        EXPECT_TRUE(sameBits(flatten(ppSignal), trans));

        // switched off while the transformed values are shown: the raw signal and
        // model come back bit for bit and no copy is left behind
        switchOffNonlinearDetection(nullptr);
        EXPECT_FALSE(bNonlinearDetection);
        EXPECT_FALSE(bTransformedDataShown);
        EXPECT_FALSE(ppRawSignal);
        EXPECT_TRUE(sameBits(flatten(ppSignal), signal0));
        EXPECT_TRUE(sameBits(flatten(ppFit), fit0));
    }
}

TEST(NonlinearDetection, RefreshAfterAModelEvaluation)
{
    installSet(2, 5, [](int, int i) { return i == 1 ? 14.0f : (i == 2 ? 8.0f : 30.0f); }, 0.0f);
    bNonlinearDetection = 1;
    EXPECT_FALSE(refreshNonlinearDetectionCopies());  // nothing held yet

    // the fit road: transformed values shown during the evaluation
    ASSERT_TRUE(applyNonlinearDetection(2.0, 10.0, true));
    EXPECT_FALSE(bApplyingNonlinearDetection);
    EXPECT_EQ(ppSignal[1][1], 26.0f);
    EXPECT_EQ(ppSignal[1][2], 8.0f);
    // the model evaluation writes the transformed scale
    for (int k = 1; k <= nScans; k++)
        for (int i = 1; i <= 5; i++) ppFit[k][i] = i == 1 ? 26.0f : 8.0f;
    ASSERT_TRUE(refreshNonlinearDetectionCopies());
    EXPECT_EQ(ppRawFit[1][1], 14.0f);
    EXPECT_EQ(ppTransFit[1][1], 26.0f);
    EXPECT_EQ(ppRawFit[2][2], 8.0f);
    // the raw scale has the model exact at points 1 and 2
    EXPECT_EQ(nonlinearDetectionRawRmsd(), fRawRmsd);

    // shown raw afterwards: the user sees 14 as data and model
    ASSERT_TRUE(applyNonlinearDetection(2.0, 10.0, false));
    EXPECT_EQ(ppSignal[1][1], 14.0f);
    EXPECT_EQ(ppFit[1][1], 14.0f);

    // a model in the raw scale refreshes the transformed copy
    ppFit[1][1] = 14.0f;
    ASSERT_TRUE(refreshNonlinearDetectionCopies());
    EXPECT_EQ(ppTransFit[1][1], 26.0f);
}

// The tools that write the signal and rebuild the noise grid, with the
// transformed values shown: each edit of the values shown stays, and the raw
// copies follow it; points removed from a scan leave the rest of it as it was
// shown (not transformed twice).
TEST(NonlinearDetection, EditsOfTheValuesShownStay)
{
    // values mostly above the baseline 10, where the two scales differ
    installSet(2, 12, [](int k, int i) { return 8.0f + 1.7f * static_cast<float>(i) + 2.1f * static_cast<float>(k); },
               0.5f);
    bNonlinearDetection = 1;
    bShowTransformedData = 1;
    ASSERT_TRUE(transformScansNonlinearDetection(2.0, 10.0, true));
    auto shown = [] { return flatten(ppSignal); };
    auto expectKept = [](const std::vector<float>& expected, const char* szTool) {
        // the next transform from the fit road shows the same values
        ASSERT_TRUE(applyNonlinearDetection(2.0, 10.0, true));
        EXPECT_TRUE(sameBits(flatten(ppSignal), expected)) << szTool;
        const std::vector<float> raw = flatten(ppRawSignal);
        for (size_t n = 0; n < expected.size(); n++)
            ASSERT_EQ(raw[n], nonlinearDetectionInverse(expected[n], 2.0, 10.0)) << szTool << " " << n;
    };

    std::vector<float> v = shown();
    ASSERT_TRUE(addNoiseToData(0.0f, 2.0f));
    for (float& f : v) f *= 2.0f;
    expectKept(v, "scale");

    v = shown();
    std::vector<float> fit = flatten(ppFit);
    ASSERT_TRUE(addSimulatedData(-1.0f));
    for (size_t n = 0; n < v.size(); n++) v[n] -= fit[n];
    expectKept(v, "subtract the model");

    v = shown();
    ASSERT_TRUE(mirrorRawData(6.0f, 6.11f, false));
    for (int k = 0; k < 2; k++) std::reverse(v.begin() + 12 * k, v.begin() + 12 * (k + 1));
    expectKept(v, "mirror");

    // (the mirrored radii ascend again from 6.0 cm)
    v = shown();
    excludeRegion(6.025f, 6.055f);
    ASSERT_EQ(pScanPoints[1], 9);
    for (int k = 1; k >= 0; k--) v.erase(v.begin() + 12 * k + 3, v.begin() + 12 * k + 6);
    expectKept(v, "exclude a region");
}

TEST(NonlinearDetection, RmsdTakesTheScansOfTheFit)
{
    // scan k deviates from its model by k everywhere; the time order is 3, 1, 2
    installSet(3, 4, [](int k, int) { return static_cast<float>(k); }, 0.0f);
    pScanTimeOrder[1] = 3;
    pScanTimeOrder[2] = 1;
    pScanTimeOrder[3] = 2;
    pFitFirstIndex[2] = 2;  // scan 2 fitted on points 2..3 only
    pFitLastIndex[2] = 3;
    EXPECT_FLOAT_EQ(rmsdOfScanArrays(ppSignal, ppFit), std::sqrt((4 * 1.0f + 2 * 4.0f + 4 * 9.0f) / 10.0f));
    // the model starts from the first scan in time order (scan 3)
    bUseInitialData = 1;
    EXPECT_FLOAT_EQ(rmsdOfScanArrays(ppSignal, ppFit), std::sqrt((4 * 1.0f + 2 * 4.0f) / 6.0f));
    // a window of the time order wins over it
    bSMWindowFit = 1;
    nSMFirstScan = 3;
    nSMLastScan = 3;
    EXPECT_FLOAT_EQ(rmsdOfScanArrays(ppSignal, ppFit), 2.0f);
    // no points: 0
    pFitFirstIndex[2] = 4;
    EXPECT_EQ(rmsdOfScanArrays(ppSignal, ppFit), 0.0f);
}
