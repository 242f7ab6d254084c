// Raw-data transformations: recalibration, mirror, blank scan, time offset.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_transform_tools.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_test_files.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"

using namespace win;
using scantest::MemoryScan;

namespace {

MemoryScan evenScan(float r0, float r1, float dr, double time)
{
    MemoryScan m;
    m.time = time;
    for (int k = 0; r0 + k * dr <= r1 + dr / 2; ++k) {
        m.r.push_back(r0 + k * dr);
        m.s.push_back(0.2f + 0.5f * (m.r.back() - 5.9f) * (m.r.back() - 5.9f));
    }
    return m;
}

class RawTransformTest : public MainWindowTest {
protected:
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
    auto recalibrate = [w](const char* szLeft, const char* szRight, const char* szLast) {
        headless::Script script;
        script.expectMessageBox("RECALIBRATE RADIUS", IDOK)
            .expectInput("left transition", szLeft)
            .expectInput("right transition", szRight)
            .expectMessageBox(szLast, szLast[0] == 's' ? IDNO : IDOK);
        w->EvCommand(549, nullptr, 0);
    };
    // a = 1.2 / 1.3, b = 0.5: 5.85 and 7.15 go to 5.9 and 7.1, 6.5 stays
    recalibrate("5.9", "7.1", "save new data?");
    EXPECT_NEAR(ppRadius[2][1], 5.9f, 2e-5);
    EXPECT_NEAR(ppRadius[2][66], 6.5f, 2e-5);
    EXPECT_NEAR(ppRadius[2][pScanPoints[2]], 7.1f, 2e-5);
    EXPECT_EQ(pNoiseGrid, ppRadius[1]);  // the grid follows the new radii
    const float r = ppRadius[1][10];
    recalibrate("7.0", "6.0", "radii not changed");
    EXPECT_EQ(ppRadius[1][10], r);
}

TEST_F(RawTransformTest, MirrorKeepsEveryColumnWithItsRadius)
{
    TXLAWindow* w = OpenWindow();
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
    EXPECT_GT(nNoiseGridPoints, 0);
    // upside down, with the references the other way round
    ASSERT_TRUE(mirrorRawData(7.15f, 5.85f, true));
    EXPECT_NEAR(ppRadius[1][j60], 6.0f, 2e-5);
    EXPECT_EQ(ppSignal[1][j60], -s60);

    // The command: Cancel on its explanation asks nothing more and leaves the
    // radii; OK goes on to the references, and 6.0 cm between 5.9 and 7.1
    // becomes 7.0 cm.
    {
        headless::Script script;
        script.expectMessageBox("MIRROR DATA", IDCANCEL);
        w->EvCommand(886, nullptr, 0);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_NEAR(ppRadius[1][j60], 6.0f, 2e-5);
    headless::Script script;
    script.expectMessageBox("MIRROR DATA", IDOK)
        .expectInput("first reference radius", "5.9")
        .expectInput("second reference radius", "7.1")
        .expectMessageBox("with upside-down reflection?", IDNO)
        .expectMessageBox("save data?", IDNO);
    w->EvCommand(886, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NEAR(ppRadius[1][k], 7.0f, 2e-5);
    EXPECT_EQ(ppSignal[1][k], -s60);
}

// Subtract Blank Scan: a blank equal to the scan leaves zero, on the scan's
// own radii and interpolated on others, for absorbance and intensity data.
// Through the command's dialog a blank whose path has 258 characters, the
// longest its 260-character buffer takes (the path and two closing NULs), is
// subtracted; one of 259 brings the dialog's error and leaves the data.
TEST_F(RawTransformTest, BlankEqualToTheScanLeavesZero)
{
    scantest::installScans({evenScan(5.9f, 7.1f, 0.01f, 100.0), evenScan(5.9f, 7.1f, 0.007f, 200.0)});
    bAbsorbanceData = 1;
    ScanHeader h{};
    h.dataType = 'R';
    const std::string blank = scratch + "blank.RA1";
    writeScanFile(blank.c_str(), pScanPoints[1], ppRadius[1], ppSignal[1], nullptr, "blank", 1, &h);
    ASSERT_TRUE(subtractBlankScan(blank.c_str()));
    for (int j = 1; j < pScanPoints[1]; ++j) EXPECT_NEAR(ppSignal[1][j], 0.0f, 5e-6) << j;
    EXPECT_NEAR(ppSignal[2][50], 0.0f, 1e-4);  // interpolated on other radii

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
    for (int j = 1; j < n; ++j) EXPECT_NEAR(ppSignal[1][j], 0.0f, 5e-6) << j;

    // command 283 with the blank in a folder deep enough for the path lengths
    TXLAWindow* w = OpenWindow();
    bIntensityData = 0;
    bAbsorbanceData = 1;
    h.dataType = 'R';
    const std::string name = "/blank.RA1";
    ASSERT_LT(scratch.size() + name.size(), 250u);
    auto deepBlank = [&](size_t nLength) {
        const std::string folder = scratch + std::string(nLength - scratch.size() - name.size(), 'd');
        std::filesystem::create_directories(folder);
        writeScanFile((folder + name).c_str(), pScanPoints[1], ppRadius[1], ppSignal[1], nullptr, "blank", 1, &h);
        return folder + name;
    };
    auto subtractThroughDialog = [w](const std::string& path, bool bRefused) {
        headless::Script script;
        script.expectSaveFile("select blank scan to be subtracted", path);
        if (bRefused) script.expectMessageBox("GetSaveFileName returned Error", IDOK);
        script.expectMessageBox("save data?", IDNO);
        w->EvCommand(283, nullptr, 0);
        EXPECT_EQ(script.pending(), 0u);
    };
    scantest::installScans({evenScan(5.9f, 7.1f, 0.01f, 100.0)});
    const std::string fits = deepBlank(258);
    ASSERT_EQ(fits.size(), 258u);
    subtractThroughDialog(fits, false);
    for (int j = 1; j < pScanPoints[1]; ++j) EXPECT_NEAR(ppSignal[1][j], 0.0f, 5e-6) << j;

    scantest::installScans({evenScan(5.9f, 7.1f, 0.01f, 100.0)});
    const std::string longer = deepBlank(259);
    subtractThroughDialog(longer, true);
    // 0.2 + 0.5 (r - 5.9)^2 at 6.5 cm (point 61) is 0.38, untouched
    EXPECT_NEAR(ppSignal[1][61], 0.38f, 1e-5);
    EXPECT_NEAR(ppSignal[1][1], 0.2f, 1e-6);
}

// Add Noise or Multiply: y := scale y + N(0, sigma); a negative sigma, or one
// that is no number, changes nothing, the scale included.
TEST_F(RawTransformTest, ScaleAndNoiseAndANegativeSigmaThatDoesNothing)
{
    scantest::installScans({evenScan(5.9f, 7.1f, 0.002f, 100.0), evenScan(5.9f, 7.1f, 0.002f, 200.0)});
    bAbsorbanceData = 1;
    std::vector<float> before;
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) before.push_back(ppSignal[i][j]);
    auto unchanged = [&] {
        size_t k = 0;
        for (int i = 1; i <= nScans; ++i)
            for (int j = 1; j <= pScanPoints[i]; ++j)
                if (ppSignal[i][j] != before[k++]) return false;
        return true;
    };
    EXPECT_FALSE(addNoiseToData(-0.01f, 2.0f));
    EXPECT_TRUE(unchanged());
    EXPECT_FALSE(addNoiseToData(std::nanf(""), 2.0f));
    EXPECT_TRUE(unchanged());

    // 1202 points: the noise's mean within 4 standard errors of 0, its rms
    // within 15 % (some 5 standard errors) of sigma
    ASSERT_TRUE(addNoiseToData(0.01f, 2.0f));
    double dSum = 0.0, dSquares = 0.0;
    size_t k = 0;
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) {
            const double e = ppSignal[i][j] - 2.0 * before[k++];
            dSum += e;
            dSquares += e * e;
        }
    ASSERT_EQ(k, 1202u);
    EXPECT_NEAR(dSum / k, 0.0, 4 * 0.01 / std::sqrt(double(k)));
    EXPECT_NEAR(std::sqrt(dSquares / k), 0.01, 0.0015);
}

TEST_F(RawTransformTest, TimeOffsetProposesItsOmega2tAndOffersTheSave)
{
    TXLAWindow* w = OpenWindow();
    scantest::installScans({evenScan(5.9f, 6.5f, 0.01f, 100.0)});
    bAbsorbanceData = 1;
    pScanHeaders[1].rpm = 50000;
    pScanHeaders[1].timeWritten = 100.0;
    // 600 s at 50000 rpm: (2 pi / 60 x 50000)^2 x 600 = 1.6449e10 rad^2/s
    headless::Script script;
    script.expectMessageBox("TIME OFFSET", IDOK)
        .expectInput("elapsed time offset (sec)", "600")
        .expectInput("elapsed w^2t offset", "16449340000")
        .expectMessageBox("save new data?", IDYES)  // runs Save Raw Data Set
        .expectMessageBox("save data with wavelenth/speed information", IDNO)
        .expectFileCancel("save raw data in new directory");
    w->EvCommand(550, nullptr, 0);
    bool bProposed = false;
    for (const std::string& l : script.lines())
        bProposed = bProposed || l.find("\"elapsed w^2t offset (rad^2/sec)\" \"164493") != std::string::npos;
    EXPECT_TRUE(bProposed);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].timeWritten, 700.0);
    EXPECT_NEAR(pScanHeaders[1].omega2t, 1.6449e10, 1e6);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].time, 100.0);  // the analyses' time stays
}

TEST_F(RawTransformTest, EquilibriumIntensityScanBecomesAbsorbanceWithoutTiNoise)
{
    TXLAWindow* w = OpenWindow();
    // the noise grid spans 6.0..6.6 cm, the intensity scan file 5.9..7.1 cm
    scantest::installScans({evenScan(6.0f, 6.6f, 0.01f, 100.0), evenScan(6.0f, 6.6f, 0.01f, 200.0)});
    bInterferenceData = 1;
    setupNoiseRadialGrid();
    bInterferenceData = 0;
    bIntensityData = 1;
    bFitTINoise = 1;
    for (int k = 1; k <= nNoiseGridPoints; ++k) pTINoiseSaved[k] = pTINoiseAux[k] = 0.01f;
    MemoryScan eq = evenScan(5.9f, 7.1f, 0.01f, 0.0);
    std::vector<float> sample(eq.r.size(), 100.0f), reference(eq.r.size(), 1000.0f);
    ScanHeader h{};
    h.dataType = 'I';
    // an intensity file holds the reference second and the sample third
    const std::string in = scratch + "eq.RI1", out = scratch + "RTI.RI1";
    writeScanFile(in.c_str(), int(eq.r.size()), eq.r.data() - 1, reference.data() - 1, sample.data() - 1, "eq", 1,
                  &h);
    w->SubtractNoiseFromEqData(in.c_str(), out.c_str());

    // An output that cannot be written is named, and nothing else is said.
    const std::string blocked = scratch + "blocked.RI1";
    std::filesystem::create_directories(blocked);
    {
        headless::Script script;
        script.expectMessageBox("Attention: could not open " + blocked, IDOK);
        testing::internal::CaptureStdout();  // the writer's own line
        w->SubtractNoiseFromEqData(in.c_str(), blocked.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\aAttention: could not open " + blocked + "\n");
        EXPECT_EQ(script.pending(), 0u);
        int nBoxes = 0;
        for (const std::string& l : script.lines()) nBoxes += l.rfind("MessageBox", 0) == 0 ? 1 : 0;
        EXPECT_EQ(nBoxes, 1);
    }
    // A scan with no point inside the grid leaves nothing to write.
    MemoryScan beyond = evenScan(6.7f, 7.1f, 0.01f, 0.0);
    const std::string far = scratch + "far.RI1", farOut = scratch + "RTIfar.RI1";
    writeScanFile(far.c_str(), int(beyond.r.size()), beyond.r.data() - 1, reference.data() - 1, sample.data() - 1,
                  "far", 1, &h);
    w->SubtractNoiseFromEqData(far.c_str(), farOut.c_str());
    EXPECT_FALSE(std::filesystem::exists(farOut));
    // A scan ending inside the grid is written to its own last point, which
    // is absorbance like every other: log10(1000 / 100) - 0.02.
    MemoryScan shorter = evenScan(5.9f, 6.3f, 0.01f, 0.0);
    const std::string near = scratch + "near.RI1", nearOut = scratch + "RTInear.RI1";
    writeScanFile(near.c_str(), int(shorter.r.size()), shorter.r.data() - 1, reference.data() - 1,
                  sample.data() - 1, "near", 1, &h);
    w->SubtractNoiseFromEqData(near.c_str(), nearOut.c_str());
    const scantest::WrittenScan nearScan = scantest::readWrittenScan(nearOut);
    ASSERT_EQ(nearScan.r.size(), 31u);
    EXPECT_NEAR(nearScan.r.back(), 6.3f, 1e-4);
    for (float v : nearScan.s) EXPECT_NEAR(v, 0.98f, 1e-5);
    // Fit limits at 6.195 and 6.405 cm: the noise is fitted only between
    // them, so only the grid points 6.20..6.40 are written, on both sides
    fMeniscus = 5.9f;
    fBottom = 7.2f;
    fFitLeftLim = 6.195f;
    updateLeftFitLimit();
    fFitRightLim = 6.405f;
    updateRightFitLimit();
    const std::string limited = scratch + "RTIlimits.RI1";
    w->SubtractNoiseFromEqData(in.c_str(), limited.c_str());
    const scantest::WrittenScan limitedScan = scantest::readWrittenScan(limited);
    ASSERT_EQ(limitedScan.r.size(), 21u);
    EXPECT_NEAR(limitedScan.r.front(), 6.2f, 1e-4);
    EXPECT_NEAR(limitedScan.r.back(), 6.4f, 1e-4);
    bFitTINoise = 0;
    // log10(1000 / 100) = 1 minus the TI noise 0.02, inside the grid only,
    // written as absorbance so that it reloads as absorbance
    const scantest::WrittenScan outScan = scantest::readWrittenScan(out);
    const char cType = outScan.h.dataType;
    EXPECT_EQ(cType, 'R');
    EXPECT_EQ(outScan.r.size(), 61u);
    EXPECT_NEAR(outScan.r.front(), 6.0f, 1e-4);
    for (float v : outScan.s) EXPECT_NEAR(v, 0.98f, 1e-5);

    // No TI noise fitted, or no noise grid left once the data are released
    // (the switch stays on): nothing is taken off and nothing is written.
    const std::string unfitted = scratch + "unfitted.RI1", released = scratch + "released.RI1";
    w->SubtractNoiseFromEqData(in.c_str(), unfitted.c_str());
    EXPECT_FALSE(std::filesystem::exists(unfitted));
    freeScanData();
    bFitTINoise = 1;
    w->SubtractNoiseFromEqData(in.c_str(), released.c_str());
    bFitTINoise = 0;
    EXPECT_FALSE(std::filesystem::exists(released));
}

TEST_F(RawTransformTest, NoiseFromAnEquilibriumScanThroughItsDialogs)
{
    TXLAWindow* w = OpenWindow();
    scantest::installScans({evenScan(6.0f, 6.6f, 0.01f, 100.0), evenScan(6.0f, 6.6f, 0.01f, 200.0)});
    bInterferenceData = 1;
    setupNoiseRadialGrid();
    bInterferenceData = 0;
    bFitTINoise = 1;
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        pTINoiseSaved[k] = 0.015f;
        pTINoiseAux[k] = 0.005f;
    }
    // A flat absorbance of 1 on 5.9..7.1 cm, in a folder deep enough that its
    // path has 258 characters: the longest a 260-character dialog buffer
    // takes (the path and its two closing NULs).
    const std::string name = "/eqscan.RA1";
    ASSERT_LT(scratch.size() + name.size(), 250u);
    auto writeEqScan = [&](size_t nLength) {
        const std::string folder = scratch + std::string(nLength - scratch.size() - name.size(), 'd');
        std::filesystem::create_directories(folder);
        MemoryScan eq = evenScan(5.9f, 7.1f, 0.01f, 0.0);
        std::vector<float> flat(eq.r.size(), 1.0f);
        ScanHeader h{};
        h.dataType = 'R';
        writeScanFile((folder + name).c_str(), int(eq.r.size()), eq.r.data() - 1, flat.data() - 1, nullptr, "eq", 1,
                      &h);
        return folder;
    };
    const std::string folder = writeEqScan(258);
    ASSERT_EQ((folder + name).size(), 258u);
    const OPENFILENAME standing = w->ofnData;
    {
        headless::Script script;
        script.expectOpenFile("select equilbrium scan", {folder + name})
            .expectSaveFile("save corrected data as", folder + "/RTI.RA1");
        w->EvCommand(253, nullptr, 0);
        EXPECT_EQ(script.pending(), 0u);
        // the output is offered beside the scan
        bool bOffered = false;
        for (const std::string& l : script.lines())
            bOffered = bOffered || (l.find("\"save corrected data as\"") != std::string::npos &&
                                       l.find("\"" + folder + "/RTI.RA1\" ->") != std::string::npos);
        EXPECT_TRUE(bOffered);
    }
    EXPECT_EQ(w->ofnData.lpstrFile, standing.lpstrFile);
    EXPECT_EQ(w->ofnData.nMaxFile, standing.nMaxFile);
    // the scan minus the noise 0.02, inside the grid only
    const scantest::WrittenScan rti = scantest::readWrittenScan(folder + "/RTI.RA1");
    ASSERT_EQ(rti.r.size(), 61u);
    EXPECT_NEAR(rti.r.front(), 6.0f, 1e-4);
    EXPECT_NEAR(rti.r.back(), 6.6f, 1e-4);
    for (float v : rti.s) EXPECT_NEAR(v, 0.98f, 1e-5);
    EXPECT_NE(std::string(rti.h.title).find("time-independent noise corrected file"), std::string::npos);

    // One character more does not fit: the dialog's error, nothing written.
    const std::string longer = writeEqScan(259);
    {
        headless::Script script;
        script.expectOpenFile("select equilbrium scan", {longer + name})
            .expectMessageBox("GetOpenFileName returned Error", IDOK);
        w->EvCommand(253, nullptr, 0);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_FALSE(std::filesystem::exists(longer + "/RTI.RA1"));
    EXPECT_EQ(w->ofnData.lpstrFile, standing.lpstrFile);
    bFitTINoise = 0;
}
