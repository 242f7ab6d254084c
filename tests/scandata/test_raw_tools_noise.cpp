// Systematic-noise subtraction from the raw data, and the Wiener skewing
// settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/wiener_settings.h"

using scantest::MemoryScan;

namespace {

float tiProfile(float r) { return 0.02f * std::sin(30.0f * r); }

// Three scans of a boundary over 6.0..6.5 cm with a fit equal to the signal.
std::vector<MemoryScan> boundaryScans(float dr)
{
    std::vector<MemoryScan> v;
    for (int i = 1; i <= 3; ++i) {
        MemoryScan m;
        m.time = 100.0 * i;
        for (int k = 0; 6.0f + k * dr <= 6.5f + dr / 2; ++k) {
            float r = 6.0f + k * dr;
            m.r.push_back(r);
            m.s.push_back(0.5f * (1.0f + std::tanh((r - 6.1f - 0.05f * i) / 0.02f)));
        }
        v.push_back(m);
    }
    return v;
}

class NoiseSubtractionTest : public ::testing::Test {
protected:
    void SetUp() override { scantest::resetScanState(); }
    void TearDown() override
    {
        scantest::resetScanState();
        bFitTINoise = bFitRINoise = 0;
        nZoomLevel = 0;
    }
    // Loads the scans, fits = signals, and a "fitted" TI profile and RI offsets.
    void install(const std::vector<MemoryScan>& scans)
    {
        scantest::installScans(scans);
        for (int i = 1; i <= nScans; ++i)
            for (int j = 1; j <= pScanPoints[i]; ++j) ppFit[i][j] = ppSignal[i][j];
        setupNoiseRadialGrid();
        for (int k = 1; k <= nNoiseGridPoints; ++k) pTINoiseSaved[k] = tiProfile(pNoiseGrid[k]);
        for (int i = 1; i <= nScans; ++i) pRINoiseSaved[i] = 0.1f * i;
        bFitTINoise = bFitRINoise = 1;
        before.clear();
        onGrid.clear();
        for (int i = 1; i <= nScans; ++i) {
            before.emplace_back(ppSignal[i] + 1, ppSignal[i] + 1 + pScanPoints[i]);
            onGrid.emplace_back(ppScanOnNoiseGrid[i] + 1, ppScanOnNoiseGrid[i] + 1 + nNoiseGridPoints);
        }
    }
    std::vector<std::vector<float>> before, onGrid;
};

}  // namespace

TEST_F(NoiseSubtractionTest, TiNoiseOffAndBackIsTheIdentity)
{
    bAbsorbanceData = 1;
    install(boundaryScans(0.004f));
    ASSERT_EQ(bScanOnNoiseGridOwned, 1);
    subtractTiNoiseFromData();
    for (int i = 1; i <= nScans; ++i) {
        for (int j = 1; j <= pScanPoints[i]; j += 7) {
            const float y = before[i - 1][j - 1] - tiProfile(ppRadius[i][j]);
            EXPECT_NEAR(ppSignal[i][j], y, 1e-4) << i << " " << j;
            EXPECT_EQ(ppFit[i][j], ppSignal[i][j]);
        }
        for (int k = 1; k <= nNoiseGridPoints; k += 11)
            EXPECT_NEAR(ppScanOnNoiseGrid[i][k], onGrid[i - 1][k - 1] - tiProfile(pNoiseGrid[k]), 1e-6);
    }
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        EXPECT_EQ(pTINoiseSaved[k], 0.0f);
        EXPECT_NEAR(pTINoiseAux[k], tiProfile(pNoiseGrid[k]), 1e-7);
    }
    // the refreshed mean profile is the mean of the scans on the grid
    const int k = nNoiseGridPoints / 2;
    EXPECT_NEAR(pTINoise[k], (ppScanOnNoiseGrid[1][k] + ppScanOnNoiseGrid[2][k] + ppScanOnNoiseGrid[3][k]) / 3, 1e-6);

    // the profile was used up: a second subtraction takes off nothing
    std::vector<float> once(ppSignal[2] + 1, ppSignal[2] + 1 + pScanPoints[2]);
    subtractTiNoiseFromData();
    for (int j = 1; j <= pScanPoints[2]; ++j) EXPECT_EQ(ppSignal[2][j], once[j - 1]);

    restoreOriginalTiNoise();
    for (int i = 1; i <= nScans; ++i) {
        for (int j = 1; j <= pScanPoints[i]; ++j) EXPECT_NEAR(ppSignal[i][j], before[i - 1][j - 1], 1e-6);
        for (int k = 1; k <= nNoiseGridPoints; ++k) EXPECT_NEAR(ppScanOnNoiseGrid[i][k], onGrid[i - 1][k - 1], 1e-6);
    }
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        EXPECT_NEAR(pTINoiseSaved[k], tiProfile(pNoiseGrid[k]), 1e-7);
        EXPECT_EQ(pTINoiseAux[k], 0.0f);
    }

    // without fitted TI noise nothing is touched
    bFitTINoise = 0;
    subtractTiNoiseFromData();
    EXPECT_NEAR(ppSignal[1][5], before[0][4], 1e-6);
}

TEST_F(NoiseSubtractionTest, SharedGridAndRadialInvariantNoise)
{
    // Interference scans of one layout: the grid values are the signals
    // themselves, so they change once, with the signal.
    bInterferenceData = 1;
    install(boundaryScans(0.002f));
    ASSERT_EQ(bScanOnNoiseGridOwned, 0);
    subtractAllNoiseFromData();
    for (int i = 1; i <= nScans; ++i) {
        EXPECT_EQ(pRINoiseSaved[i], 0.0f);
        for (int j = 1; j <= pScanPoints[i]; j += 5)
            EXPECT_NEAR(ppSignal[i][j], before[i - 1][j - 1] - 0.1f * i - tiProfile(ppRadius[i][j]), 1e-5);
        // the scan's mean on the grid is refreshed
        double dSum = 0;
        for (int k = 1; k <= nNoiseGridPoints; ++k) dSum += ppScanOnNoiseGrid[i][k];
        EXPECT_NEAR(pRINoise[i], dSum / nNoiseGridPoints, 1e-5);
    }

    // RI alone on resampled absorbance data: a plain offset per scan
    scantest::resetScanState();
    bAbsorbanceData = 1;
    install(boundaryScans(0.004f));
    bFitTINoise = 0;
    subtractAllNoiseFromData();
    for (int i = 1; i <= nScans; ++i) {
        EXPECT_NEAR(ppSignal[i][10], before[i - 1][9] - 0.1f * i, 1e-6);
        EXPECT_NEAR(ppScanOnNoiseGrid[i][10], onGrid[i - 1][9] - 0.1f * i, 1e-6);
        EXPECT_NEAR(pTINoiseSaved[10], tiProfile(pNoiseGrid[10]), 1e-7);  // TI step skipped
    }
}

TEST_F(NoiseSubtractionTest, PlotRangeOfTheResult)
{
    bAbsorbanceData = 1;
    install(boundaryScans(0.004f));
    pDataPlot = new CWINPlot;
    CCurve curve(ppRadius[1], ppSignal[1], pScanPoints[1], 1, 1);
    pDataPlot->AddCurve(&curve);
    nZoomLevel = 9;
    subtractTiNoiseFromData();
    EXPECT_EQ(nZoomLevel, 9);  // the stack never grows past its top
    EXPECT_NEAR(pDataPlot->fXMin, pNoiseGrid[1] - 0.01f, 1e-5);
    EXPECT_NEAR(pDataPlot->fXMax, pNoiseGrid[nNoiseGridPoints] + 0.01f, 1e-5);
    float fMin = 1e9f, fMax = -1e9f;
    for (int i = 1; i <= nScans; ++i)
        for (int k = 1; k <= nNoiseGridPoints; ++k) {
            fMin = std::fmin(fMin, ppScanOnNoiseGrid[i][k]);
            fMax = std::fmax(fMax, ppScanOnNoiseGrid[i][k]);
        }
    EXPECT_NEAR(pDataPlot->fYMin, fMin - 0.1f, 1e-5);
    EXPECT_NEAR(pDataPlot->fYMax, fMax + 0.1f, 1e-5);

    // all values equal: no range to show, the plot is autoscaled
    std::vector<MemoryScan> flat = boundaryScans(0.004f);
    for (MemoryScan& m : flat)
        for (float& s : m.s) s = 0.3f;
    install(flat);
    for (int k = 1; k <= nNoiseGridPoints; ++k) pTINoiseSaved[k] = 0.0f;
    pDataPlot = new CWINPlot;
    pDataPlot->AddCurve(&curve);
    nZoomLevel = 2;
    subtractTiNoiseFromData();
    EXPECT_EQ(nZoomLevel, 0);
}

TEST(WienerSkewing, EntryRules)
{
    fWSkew = 0.0f;
    fWSkewSignalPerMgMl = 1.0f;
    bWSkewFloating = 0;
    bWienerSkewing = 1;
    // entered in units of 1e-6 and shown again as entered
    EXPECT_TRUE(takeWienerSkewingEntry(2.5f, 3.3f, 1));
    EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.4f", fWSkew * 1e6);
    EXPECT_STREQ(sz, "2.5000");
    EXPECT_FLOAT_EQ(fWSkewSignalPerMgMl, 3.3f);
    EXPECT_EQ(bWSkewFloating, 1);
    EXPECT_EQ(bWienerSkewing, 1);
    // refused entries change nothing; a signal per mg/ml of 0 would divide by 0
    EXPECT_FALSE(takeWienerSkewingEntry(-1.0f, 3.3f, 0));
    EXPECT_FALSE(takeWienerSkewingEntry(4.0f, 0.0f, 0));
    EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
    EXPECT_FLOAT_EQ(fWSkewSignalPerMgMl, 3.3f);
    EXPECT_EQ(bWienerSkewing, 1);
    // a magnitude of 0 switches the correction off and stores nothing
    EXPECT_TRUE(takeWienerSkewingEntry(0.0f, 7.0f, 0));
    EXPECT_EQ(bWienerSkewing, 0);
    EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
    EXPECT_EQ(bWSkewFloating, 1);
    fWSkew = 0.0f;
    fWSkewSignalPerMgMl = 1.0f;
    bWSkewFloating = 0;
}

namespace {

// Entries a user makes in the settings dialog, one per opening.
std::vector<std::vector<float>> wienerEntries;
std::vector<float> wienerShown;

bool scriptedWienerDialog(TXLAWindow*, float* pfMagnitude, float* pfSignal, int* pnFloating)
{
    wienerShown.push_back(*pfMagnitude);
    if (wienerEntries.empty()) return false;
    const std::vector<float> e = wienerEntries.front();
    wienerEntries.erase(wienerEntries.begin());
    if (e.empty()) return false;  // Cancel
    *pfMagnitude = e[0];
    *pfSignal = e[1];
    *pnFloating = static_cast<int>(e[2]);
    return true;
}

}  // namespace

TEST(WienerSkewing, TheDialogAsksAgainAfterABadEntry)
{
    fWSkew = 0.0f;
    fWSkewSignalPerMgMl = 1.0f;
    bWienerSkewing = 1;
    // -1 with 3.3 is refused; the second entry is taken, the first call fails
    wienerEntries = {{-1.0f, 3.3f, 0.0f}, {2.5f, 3.3f, 1.0f}};
    wienerShown.clear();
    {
        win::headless::Script script;
        script.expectMessageBox("try again?", win::IDYES);
        EXPECT_FALSE(askWienerSkewingParameters(nullptr, scriptedWienerDialog));
    }
    EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
    EXPECT_EQ(bWienerSkewing, 1);
    // reopened, the dialog shows 2.5 again; Cancel, then No: switched off
    wienerEntries = {{}};
    {
        win::headless::Script script;
        script.expectMessageBox("try again?", win::IDNO);
        EXPECT_FALSE(askWienerSkewingParameters(nullptr, scriptedWienerDialog));
    }
    ASSERT_EQ(wienerShown.size(), 3u);
    EXPECT_FLOAT_EQ(wienerShown[2], 2.5f);
    EXPECT_EQ(bWienerSkewing, 0);
    EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
    fWSkew = 0.0f;
    fWSkewSignalPerMgMl = 1.0f;
    bWSkewFloating = 0;
}
