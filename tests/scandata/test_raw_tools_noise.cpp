// Systematic-noise subtraction from the raw data, and the Wiener skewing
// settings.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "resources/dialog_templates.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/noise_grid.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/wiener_settings.h"

using scantest::MemoryScan;

namespace {

float tiProfile(float r) { return 0.02f * std::sin(30.0f * r); }

// Three boundaries over 6.0..6.5 cm, fits equal to the signals, a "fitted"
// TI profile and RI offsets of 0.1, 0.2, 0.3.
class NoiseSubtractionTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        scantest::resetScanState();
        bFitTINoise = bFitRINoise = 0;
    }
    void install(float dr)
    {
        std::vector<MemoryScan> scans(3);
        for (int i = 1; i <= 3; ++i)
            for (int k = 0; 6.0f + k * dr <= 6.5f + dr / 2; ++k) {
                scans[i - 1].time = 100.0 * i;
                scans[i - 1].r.push_back(6.0f + k * dr);
                scans[i - 1].s.push_back(0.5f * (1.0f + std::tanh((6.0f + k * dr - 6.1f - 0.05f * i) / 0.02f)));
            }
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
    install(0.004f);
    subtractTiNoiseFromData();
    for (int i = 1; i <= nScans; ++i) {
        for (int j = 1; j <= pScanPoints[i]; j += 7) {
            EXPECT_NEAR(ppSignal[i][j], before[i - 1][j - 1] - tiProfile(ppRadius[i][j]), 1e-4);
            EXPECT_EQ(ppFit[i][j], ppSignal[i][j]);
        }
        for (int k = 1; k <= nNoiseGridPoints; k += 11)
            EXPECT_NEAR(ppScanOnNoiseGrid[i][k], onGrid[i - 1][k - 1] - tiProfile(pNoiseGrid[k]), 1e-6);
    }
    const int k = nNoiseGridPoints / 2;
    EXPECT_EQ(pTINoiseSaved[k], 0.0f);
    EXPECT_NEAR(pTINoiseAux[k], tiProfile(pNoiseGrid[k]), 1e-7);
    // the mean profile, at every grid point to the last
    for (int g = 1; g <= nNoiseGridPoints; ++g)
        EXPECT_NEAR(pTINoise[g], (ppScanOnNoiseGrid[1][g] + ppScanOnNoiseGrid[2][g] + ppScanOnNoiseGrid[3][g]) / 3, 1e-6)
            << g;

    // the profile was used up: a second subtraction takes off nothing
    const float y = ppSignal[2][40];
    subtractTiNoiseFromData();
    EXPECT_EQ(ppSignal[2][40], y);

    // with TI noise no longer fitted (the noise button stays for RI noise)
    // there is no TI noise to put back: the data stay without it
    bFitTINoise = 0;
    restoreOriginalTiNoise();
    for (int j = 1; j <= pScanPoints[2]; j += 7)
        EXPECT_NEAR(ppSignal[2][j], before[1][j - 1] - tiProfile(ppRadius[2][j]), 1e-4) << j;
    EXPECT_EQ(pTINoiseSaved[k], 0.0f);
    bFitTINoise = 1;

    restoreOriginalTiNoise();
    for (int i = 1; i <= nScans; ++i) {
        for (int j = 1; j <= pScanPoints[i]; ++j) EXPECT_NEAR(ppSignal[i][j], before[i - 1][j - 1], 1e-6);
        for (int g = 1; g <= nNoiseGridPoints; ++g) EXPECT_NEAR(ppScanOnNoiseGrid[i][g], onGrid[i - 1][g - 1], 1e-6);
    }
    EXPECT_NEAR(pTINoiseSaved[k], tiProfile(pNoiseGrid[k]), 1e-7);
    EXPECT_EQ(pTINoiseAux[k], 0.0f);
}

TEST_F(NoiseSubtractionTest, SharedGridChangesOnceAndRadialOffsetsGo)
{
    // Interference scans of one layout: the grid values are the signals
    // themselves and must not lose the noise twice.
    bInterferenceData = 1;
    install(0.002f);
    ASSERT_EQ(bScanOnNoiseGridOwned, 0);
    subtractAllNoiseFromData();
    for (int i = 1; i <= nScans; ++i) {
        EXPECT_EQ(pRINoiseSaved[i], 0.0f);
        for (int j = 1; j <= pScanPoints[i]; j += 5)
            EXPECT_NEAR(ppSignal[i][j], before[i - 1][j - 1] - 0.1f * i - tiProfile(ppRadius[i][j]), 1e-5);
        double dSum = 0;
        for (int k = 1; k <= nNoiseGridPoints; ++k) dSum += ppScanOnNoiseGrid[i][k];
        EXPECT_NEAR(pRINoise[i], dSum / nNoiseGridPoints, 1e-5);
    }
}

namespace {

class NoiseSubtractionWindowTest : public DataMenuTest {};

}  // namespace

TEST_F(NoiseSubtractionWindowTest, DataPlotZoomsOntoTheCorrectedFitRange)
{
    // Three interference scans on 6.00..7.00 cm, scan k at 0.1 k + 10 (r -
    // 6.5)^2: inside the fit limits 6.2..6.8 cm from 0.1 (scan 1, 6.5 cm) to
    // 1.2 (scan 3 at either limit); up to 2.8 outside them.
    auto load = [this](const std::string& name, float (*signal)(int, float)) {
        std::vector<std::string> paths;
        for (int k = 1; k <= 3; ++k) {
            scantest::ScanRecipe r;
            r.letter = 'P';
            r.columns = 2;
            r.points = 101;
            r.r0 = 6.0f;
            r.dr = 0.01f;
            r.time = 1000.0 * k;
            r.signal = [k, signal](int, float x) { return signal(k, x); };
            paths.push_back(WriteScan(Folder(name), "0000" + std::to_string(k) + ".IP1", r));
        }
        LoadScans(paths);
    };
    fFitLeftLim = 6.195f;
    fFitRightLim = 6.805f;
    load("parabolas", [](int k, float x) { return 0.1f * k + 10.0f * (x - 6.5f) * (x - 6.5f); });
    ASSERT_EQ(nScans, 3);
    ASSERT_TRUE(pDataPlot);
    ASSERT_EQ(bFitTINoise, 1);
    ASSERT_NEAR(pNoiseGrid[nNoiseGridFirst], 6.2f, 1e-5);
    ASSERT_NEAR(pNoiseGrid[nNoiseGridLast], 6.8f, 1e-5);
    // a flat TI noise of 0.05 taken off
    for (int k = 1; k <= nNoiseGridPoints; ++k) pTINoiseSaved[k] = 0.05f;
    const int nLevel = nZoomLevel;
    win::headless::Script script;
    script.expectMessageBox("subtract the calculated time-invariant noise", win::IDYES);
    Run(script, 508);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NEAR(ppSignal[1][51], 0.05f, 1e-5);

    // the new zoom level: the fit range 0.01 cm wider on each side, the
    // corrected data in it (0.05 .. 1.15) 0.1 wider; the data plot shows it
    ASSERT_EQ(nZoomLevel, nLevel + 1);
    EXPECT_NEAR(fZoomXMin[nZoomLevel], 6.19f, 1e-5);
    EXPECT_NEAR(fZoomXMax[nZoomLevel], 6.81f, 1e-5);
    EXPECT_NEAR(fZoomYMin[nZoomLevel], -0.05f, 1e-4);
    EXPECT_NEAR(fZoomYMax[nZoomLevel], 1.25f, 1e-4);
    EXPECT_NEAR(pDataPlot->fXMin, 6.19f, 1e-5);
    EXPECT_NEAR(pDataPlot->fXMax, 6.81f, 1e-5);
    EXPECT_NEAR(pDataPlot->fYMin, -0.05f, 1e-4);
    EXPECT_NEAR(pDataPlot->fYMax, 1.25f, 1e-4);

    // scans flat at 0.3 leave no value range once the noise is off: the data
    // plot is autoscaled (docs/scandata.md), the whole scans in view
    load("flat", [](int, float) { return 0.3f; });
    ASSERT_EQ(bFitTINoise, 1);
    for (int k = 1; k <= nNoiseGridPoints; ++k) pTINoiseSaved[k] = 0.05f;
    script.expectMessageBox("subtract the calculated time-invariant noise", win::IDYES);
    Run(script, 508);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NEAR(ppSignal[2][51], 0.25f, 1e-5);
    EXPECT_EQ(nZoomLevel, 0);
    EXPECT_LE(pDataPlot->fXMin, 6.0f);
    EXPECT_GE(pDataPlot->fXMax, 7.0f);
}

namespace {

using win::headless::DialogAnswer;
// The settings dialog's magnitude field and its fit check box, and the
// signal-per-mg/ml field.
constexpr int nMagnitudeField = 989, nMagnitudeBox = 1989, nSignalField = 979;

class WienerSkewingTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        fWSkew = 0.0f;
        fWSkewSignalPerMgMl = 1.0f;
        bWSkewFloating = 0;
        bWienerSkewing = 0;
        MainWindowTest::TearDown();
    }
};

}  // namespace

TEST_F(WienerSkewingTest, EntriesAndTheTryAgainQuestion)
{
    TXLAWindow* w = OpenWindow();
    installDialogTemplates();
    bWienerSkewing = 1;
    {
        // -1 with 3.3 is refused; 2.5 is taken as 2.5e-6, but the first call fails
        win::headless::Script script;
        script.expectDialog("Wiener skewing", DialogAnswer().set(nMagnitudeField, "-1").set(nSignalField, "3.3"))
            .expectMessageBox("try again?", win::IDYES)
            .expectDialog("Wiener",
                          DialogAnswer().set(nMagnitudeField, "2.5").set(nSignalField, "3.3").check(nMagnitudeBox));
        EXPECT_FALSE(w->AskWienerSkewingParameters());
    }
    EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
    EXPECT_FLOAT_EQ(fWSkewSignalPerMgMl, 3.3f);
    EXPECT_EQ(bWSkewFloating, 1);
    EXPECT_EQ(bWienerSkewing, 1);
    {
        // reopened, the magnitude shows as entered: left alone it stays
        win::headless::Script script;
        script.expectDialog("Wiener", DialogAnswer().set(nSignalField, "4"));
        EXPECT_TRUE(w->AskWienerSkewingParameters());
        EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
        EXPECT_FLOAT_EQ(fWSkewSignalPerMgMl, 4.0f);
    }
    {
        // a signal per mg/ml of 0 would divide by 0: refused; No switches off
        win::headless::Script script;
        script.expectDialog("Wiener", DialogAnswer().set(nSignalField, "0"))
            .expectMessageBox("try again?", win::IDNO);
        EXPECT_FALSE(w->AskWienerSkewingParameters());
    }
    EXPECT_EQ(bWienerSkewing, 0);
    EXPECT_FLOAT_EQ(fWSkewSignalPerMgMl, 4.0f);
    // a magnitude of 0 switches off at once and stores nothing, whatever the
    // signal per mg/ml (unused then, 0 included)
    for (const char* szSignal : {"7", "0"}) {
        bWienerSkewing = 1;
        win::headless::Script script;
        script.expectDialog("Wiener", DialogAnswer().set(nMagnitudeField, "0").set(nSignalField, szSignal));
        EXPECT_TRUE(w->AskWienerSkewingParameters()) << szSignal;
        EXPECT_EQ(bWienerSkewing, 0);
        EXPECT_FLOAT_EQ(fWSkew, 2.5e-6f);
        EXPECT_FLOAT_EQ(fWSkewSignalPerMgMl, 4.0f);
        EXPECT_EQ(script.pending(), 0u);
    }
}
