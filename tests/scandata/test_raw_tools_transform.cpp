// Raw-data transformations: recalibration, mirror, blank, scaling, time
// offset, and the refusal of light-scattering data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fitting/fit_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_transform_tools.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_set_fixture.h"

using namespace win;
using scantest::MemoryScan;

namespace {

MemoryScan evenScan(float r0, float r1, float dr, double time)
{
    MemoryScan m;
    m.time = time;
    for (int k = 0; r0 + k * dr <= r1 + dr / 2; ++k) {
        const float r = r0 + k * dr;
        m.r.push_back(r);
        m.s.push_back(0.2f + 0.5f * (r - 5.9f) * (r - 5.9f));
    }
    return m;
}

bool transcriptHas(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

class RawTransformTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        scantest::resetScanState();
        clearShownErrorMessages();
    }
    void TearDown() override
    {
        scantest::resetScanState();
        MainWindowTest::TearDown();
    }
};

}  // namespace

TEST_F(RawTransformTest, RecalibrationKeepsTheMiddleAndRefusesAFoldedAxis)
{
    TXLAWindow* w = OpenWindow();
    scantest::installScans({evenScan(5.85f, 7.15f, 0.01f, 100.0), evenScan(5.85f, 7.15f, 0.01f, 200.0)});
    bInterferenceData = 1;
    setupNoiseRadialGrid();
    {
        headless::Script script;
        script.expectMessageBox("RECALIBRATE RADIUS", IDOK)
            .expectInput("left transition", "5.9")
            .expectInput("right transition", "7.1")
            .expectMessageBox("save new data?", IDNO);
        w->EvCommand(549, nullptr, 0);
    }
    // a = 1.2 / 1.3, b = 0.5: the references 5.85 and 7.15 go to 5.9 and 7.1,
    // 6.5 stays
    const int n = pScanPoints[2];
    EXPECT_NEAR(ppRadius[2][1], 5.9f, 2e-5);
    EXPECT_NEAR(ppRadius[2][66], 6.5f, 2e-5);
    EXPECT_NEAR(ppRadius[2][n], 7.1f, 2e-5);
    EXPECT_EQ(pNoiseGrid, ppRadius[1]);  // the grid follows the new radii

    const float r = ppRadius[1][10];
    headless::Script script;
    script.expectMessageBox("RECALIBRATE RADIUS", IDOK)
        .expectInput("left transition", "7.0")
        .expectInput("right transition", "6.0")
        .expectMessageBox("radii not changed", IDOK);
    w->EvCommand(549, nullptr, 0);
    EXPECT_EQ(ppRadius[1][10], r);
}

TEST_F(RawTransformTest, MirrorKeepsEveryColumnWithItsRadius)
{
    scantest::installScans({evenScan(5.9f, 7.1f, 0.01f, 100.0)});
    bIntensityData = 1;
    const int n = pScanPoints[1];
    ppThirdColumn[1] = vector(1, n);
    for (int j = 1; j <= n; ++j) {
        ppThirdColumn[1][j] = 1000.0f + j;
        ppFit[1][j] = 2.0f * ppSignal[1][j];
    }
    const int j60 = 11;  // r = 6.0
    const float s60 = ppSignal[1][j60], t60 = ppThirdColumn[1][j60], f60 = ppFit[1][j60];
    ASSERT_TRUE(mirrorRawData(5.85f, 7.15f, false));
    for (int j = 2; j <= n; ++j) ASSERT_GT(ppRadius[1][j], ppRadius[1][j - 1]);
    const int k = n + 1 - j60;  // 6.0 is now 7.0
    EXPECT_NEAR(ppRadius[1][k], 7.0f, 2e-5);
    EXPECT_EQ(ppSignal[1][k], s60);
    EXPECT_EQ(ppThirdColumn[1][k], t60);
    EXPECT_EQ(ppFit[1][k], f60);
    EXPECT_NEAR(ppRadius[1][1], 5.9f, 2e-5);
    EXPECT_GT(nNoiseGridPoints, 0);
    // upside down, with the references given the other way round
    ASSERT_TRUE(mirrorRawData(7.15f, 5.85f, true));
    EXPECT_NEAR(ppRadius[1][j60], 6.0f, 2e-5);
    EXPECT_EQ(ppSignal[1][j60], -s60);
}

TEST_F(RawTransformTest, BlankEqualToTheScanLeavesZero)
{
    scantest::installScans({evenScan(5.9f, 7.1f, 0.01f, 100.0), evenScan(5.9f, 7.1f, 0.007f, 200.0)});
    bAbsorbanceData = 1;
    ScanHeader h{};
    h.dataType = 'R';
    h.rpm = 50000;
    const std::string blank = scratch + "blank.RA1";
    writeScanFile(blank.c_str(), pScanPoints[1], ppRadius[1], ppSignal[1], nullptr, "blank", 1, &h);
    ASSERT_TRUE(subtractBlankScan(blank.c_str()));
    for (int j = 1; j < pScanPoints[1]; ++j) EXPECT_NEAR(ppSignal[1][j], 0.0f, 5e-6) << j;
    // on other radii the blank is interpolated linearly
    EXPECT_NEAR(ppSignal[2][50], 0.0f, 1e-4);

    // intensity data: the loaded signal is the file's third column, and so is
    // the blank's
    scantest::installScans({evenScan(5.9f, 7.1f, 0.01f, 100.0)});
    bAbsorbanceData = 0;
    bIntensityData = 1;
    const int n = pScanPoints[1];
    float* pReference = vector(1, n);
    for (int j = 1; j <= n; ++j) pReference[j] = 3000.0f - j;
    h.dataType = 'I';
    writeScanFile(blank.c_str(), n, ppRadius[1], pReference, ppSignal[1], "blank", 1, &h);
    free_vector(pReference, 1, n);
    ASSERT_TRUE(subtractBlankScan(blank.c_str()));
    EXPECT_EQ(bIntensityData, 1);
    for (int j = 1; j < n; ++j) EXPECT_NEAR(ppSignal[1][j], 0.0f, 5e-6) << j;

    // a blank that cannot be read changes nothing
    const float y = ppSignal[1][3] = 0.75f;
    headless::Script script;
    script.expectMessageBox("Error", IDOK);
    EXPECT_FALSE(subtractBlankScan((scratch + "missing.RA1").c_str()));
    EXPECT_EQ(ppSignal[1][3], y);
    EXPECT_EQ(shownErrorMessages().back(), "LOAD ERROR");
}

TEST_F(RawTransformTest, ScalingTimeOffsetAndRefusedData)
{
    TXLAWindow* w = OpenWindow();
    scantest::installScans({evenScan(5.9f, 6.5f, 0.01f, 100.0)});
    bAbsorbanceData = 1;
    pScanHeaders[1].rpm = 50000;
    pScanHeaders[1].timeWritten = 100.0;
    std::vector<float> y(ppSignal[1] + 1, ppSignal[1] + 1 + pScanPoints[1]);
    // scale 2 without noise doubles exactly; a negative noise does nothing
    ASSERT_TRUE(addNoiseToData(0.0f, 2.0f));
    for (int j = 1; j <= pScanPoints[1]; ++j) ASSERT_EQ(ppSignal[1][j], 2.0f * y[j - 1]);
    EXPECT_FALSE(addNoiseToData(-0.1f, 3.0f));
    EXPECT_EQ(ppSignal[1][7], 2.0f * y[6]);

    // 600 s at 50000 rpm propose (2 pi / 60 x 50000)^2 x 600 = 1.6449e10 rad^2/s
    {
        headless::Script script;
        script.expectMessageBox("TIME OFFSET", IDOK)
            .expectInput("elapsed time offset (sec)", "600")
            .expectInput("elapsed w^2t offset", "16449340000")
            .expectMessageBox("save new data?", IDNO);
        w->EvCommand(550, nullptr, 0);
        EXPECT_TRUE(transcriptHas(script.lines(), "\"elapsed w^2t offset (rad^2/sec)\" \"164493"));
    }
    EXPECT_DOUBLE_EQ(pScanHeaders[1].timeWritten, 700.0);
    EXPECT_NEAR(pScanHeaders[1].omega2t, 1.6449e10, 1e6);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].time, 100.0);  // the analyses' time stays

    bDLSData = 1;
    headless::Script script;
    script.expectMessageBox("not implemented for DLS data", IDOK);
    EXPECT_FALSE(invertRawData(-1.0f));
    EXPECT_EQ(ppSignal[1][7], 2.0f * y[6]);
}

TEST_F(RawTransformTest, EquilibriumScanWithoutTheFittedTiNoise)
{
    TXLAWindow* w = OpenWindow();
    // the noise grid spans 6.0..6.6 cm; the scan file 5.9..7.1 cm
    scantest::installScans({evenScan(6.0f, 6.6f, 0.01f, 100.0), evenScan(6.0f, 6.6f, 0.01f, 200.0)});
    bInterferenceData = 1;
    bFitTINoise = 1;
    setupNoiseRadialGrid();
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        pTINoiseSaved[k] = 0.01f * k;
        pTINoiseAux[k] = 0.5f;
    }
    MemoryScan eq = evenScan(5.9f, 7.1f, 0.01f, 0.0);
    ScanHeader h{};
    h.dataType = 'P';
    h.rpm = 20000;
    const std::string in = scratch + "eq.IP1", out = scratch + "RTI.IP1";
    writeScanFile(in.c_str(), int(eq.r.size()), eq.r.data() - 1, eq.s.data() - 1, nullptr, "eq", 1, &h);
    w->SubtractNoiseFromEqData(in.c_str(), out.c_str());
    bFitTINoise = 0;

    ScanHeader hr{};
    int n = 0;
    float *r = nullptr, *s = nullptr;
    ASSERT_TRUE(readScanFile(out.c_str(), &hr, &n, &r, &s, nullptr, nullptr, 0.0f));
    // inside the grid only
    EXPECT_NEAR(r[1], 6.0f, 1e-4);
    EXPECT_EQ(n, 61);
    for (int j = 1; j <= n; ++j) {
        const int k = j;  // grid point k lies at 6.0 + 0.01 (k - 1)
        EXPECT_NEAR(s[j], eq.s[j + 9] - (0.01f * k + 0.5f), 1e-4) << j;
    }
    EXPECT_NE(std::string(hr.title).find("time-independent noise corrected file"), std::string::npos);
    free_vector(r, 1, n);
    free_vector(s, 1, n);
}
