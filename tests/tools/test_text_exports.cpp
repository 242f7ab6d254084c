// The text exports for outside plotting: scan order, markers, noise and the
// column table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/export_fixture.h"
#include "tools/exports/text_exports.h"

using scantest::ScanRecipe;

namespace {

class TextExportTest : public ExportTest {
protected:
    void TearDown() override
    {
        bFitTINoise = bFitRINoise = 0;
        bDLSData = 0;
        clearDistributionResults();
        ExportTest::TearDown();
    }
    static std::string Temp(const std::string& stem) { return std::string(szTempDir) + stem; }
    // The numbers of a line.
    static std::vector<double> Numbers(const std::string& line)
    {
        std::vector<double> v;
        std::istringstream in(line);
        double d;
        while (in >> d) v.push_back(d);
        return v;
    }
    // Scans of constant signals, written in the given storage order with
    // their times.
    void LoadConstantScans(const std::vector<float>& signals, const std::vector<double>& times, int nPoints = 100,
                           float fDr = 0.01f)
    {
        const std::string folder = Folder("scans");
        std::vector<std::string> paths;
        for (size_t i = 0; i < signals.size(); ++i) {
            ScanRecipe r;
            r.points = nPoints;
            r.dr = fDr;
            r.time = times[i];
            const float v = signals[i];
            r.signal = [v](int, float) { return v; };
            char name[32];
            std::snprintf(name, sizeof name, "%05d.RA1", static_cast<int>(i + 1));
            paths.push_back(WriteScan(folder, name, r));
        }
        LoadPaths(paths);
        ASSERT_EQ(nScans, static_cast<int>(signals.size()));
    }
    void SetFitLimits(float fLeft, float fRight)
    {
        fFitLeftLim = fLeft;
        fFitRightLim = fRight;
        updateLeftFitLimit();
        updateRightFitLimit();
    }
};

}  // namespace

TEST_F(TextExportTest, ScanFilesInTimeOrderAndTheEquilibriumFileInStorageOrder)
{
    // stored first but recorded later
    LoadConstantScans({0.7f, 0.3f}, {2000.0, 1000.0});
    ASSERT_EQ(pScanTimeOrder[1], 2);
    for (int k = 1; k <= pScanPoints[2]; ++k) ppFit[2][k] = 0.25f;
    EXPECT_EQ(writeDataFiles(), 2);
    EXPECT_EQ(writeFitFiles(), 2);
    std::vector<std::string> l = Lines(Temp("1.dat"));
    ASSERT_EQ(l.size(), 100u);
    EXPECT_EQ(l[0], "6.000000e+00 3.000000e-01");
    EXPECT_EQ(Lines(Temp("2.dat"))[0], "6.000000e+00 7.000000e-01");
    EXPECT_EQ(Lines(Temp("1.fit"))[99], "6.990000e+00 2.500000e-01");
    EXPECT_EQ(Lines(Temp("2.fit"))[0], "6.000000e+00 0.000000e+00");
    EXPECT_EQ(Lines(Temp("times.dat")), (std::vector<std::string>{"1.000000e+03", "2.000000e+03"}));

    // Without noise: "0 nan" for either noise; with it the noise rows.
    SetFitLimits(6.2f, 6.8f);
    EXPECT_EQ(writeSedEqData(), 2);
    l = Lines(Temp("SEdata.dat"));
    const int nRange = pFitLastIndex[1] - pFitFirstIndex[1] + 1;
    ASSERT_EQ(l.size(), static_cast<size_t>(2 * (2 * nRange + 3) + 6));
    char sz[64];
    std::snprintf(sz, sizeof sz, "%f\t%f", ppRadius[1][pFitFirstIndex[1]], 0.7f);
    EXPECT_EQ(l[0], sz);  // storage order: the later scan first
    EXPECT_EQ(l[static_cast<size_t>(nRange)], "-666.666 -666.666");
    EXPECT_EQ(l[static_cast<size_t>(2 * nRange + 1)], "-777.777 -777.777");
    EXPECT_EQ(l[static_cast<size_t>(2 * nRange + 2)], "-999.999 -999.999");
    const size_t nTail = l.size() - 6;
    EXPECT_EQ(std::vector<std::string>(l.begin() + long(nTail), l.end()),
              (std::vector<std::string>{"-1001 -1001", "0 nan", "-1010 -1010", "-1100 -1100", "0 nan", "-1110 -1110"}));

    bFitTINoise = bFitRINoise = 1;
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        pTINoiseAux[k] = 0.01f;
        pTINoiseSaved[k] = 0.002f * k;
    }
    pRINoiseSaved[1] = 0.1f;
    pRINoiseSaved[2] = 0.2f;
    EXPECT_EQ(writeSedEqData(), 2);
    l = Lines(Temp("SEdata.dat"));
    // the subtracted noise is added back to data and fit
    std::snprintf(sz, sizeof sz, "%f\t%f", ppRadius[1][pFitFirstIndex[1]], 0.7f + 0.01f);
    EXPECT_EQ(l[0], sz);
    size_t at = static_cast<size_t>(2 * (2 * nRange + 3));
    EXPECT_EQ(l[at], "-1001 -1001");
    const int nFirst = nNoiseGridFirst - 1;
    std::snprintf(sz, sizeof sz, "%f\t%f", pNoiseGrid[nFirst], 0.01f + 0.002f * nFirst);
    EXPECT_EQ(l[at + 1], sz);
    at += static_cast<size_t>(nNoiseGridLast - nFirst + 1);
    EXPECT_EQ(l[at + 1], "-1010 -1010");
    EXPECT_EQ(l[at + 3], "0\t0.100000");
    EXPECT_EQ(l[at + 4], "0\t0.200000");
    EXPECT_EQ(l[at + 5], "-1110 -1110");
}

TEST_F(TextExportTest, TheColumnTable)
{
    LoadConstantScans({0.7f, 0.3f, 0.5f}, {3000.0, 1000.0, 2000.0});
    SetFitLimits(6.2f, 6.6f);
    // Rows: the noise range (one grid point beyond the limits on each side)
    // is longer than any scan's fit range.
    const int nNoiseFirst = nNoiseGridFirst - 1, nNoiseLast = nNoiseGridLast + 1;
    const int nRows = nNoiseLast - nNoiseFirst + 1;
    ASSERT_GT(nRows, pFitLastIndex[1] - pFitFirstIndex[1] + 1);
    for (int k = 1; k <= nNoiseGridPoints; ++k) pTINoiseAux[k] = pTINoiseSaved[k] = 0.0f;
    EXPECT_EQ(writeSvdFrData(), 3);
    std::vector<std::string> l = Lines(Temp("svdfrdata.dat"));
    ASSERT_EQ(l.size(), static_cast<size_t>(nRows));
    std::vector<double> row = Numbers(l[0]);
    ASSERT_EQ(row.size(), 12u);
    EXPECT_FLOAT_EQ(row[0], pNoiseGrid[nNoiseFirst]);
    // scans in time order; without a fit the fit columns are the data + 0.001
    EXPECT_FLOAT_EQ(row[3], ppRadius[2][pFitFirstIndex[2]]);
    EXPECT_FLOAT_EQ(row[4], 0.3f);
    EXPECT_FLOAT_EQ(row[5], 0.301f);
    EXPECT_FLOAT_EQ(row[7], 0.5f);
    EXPECT_FLOAT_EQ(row[10], 0.7f);
    EXPECT_FLOAT_EQ(row[11], 0.701f);
    // each scan's columns run over its whole fit range: every radius from
    // 6.2 to 6.6 cm in steps of 0.01, the last one at the right limit
    size_t nFilled = 0;
    while (nFilled < l.size() && Numbers(l[nFilled])[3] != 0.0) ++nFilled;
    const int nInLimits = static_cast<int>(std::lround((6.6 - 6.2) / 0.01)) + 1;
    EXPECT_EQ(nFilled, static_cast<size_t>(nInLimits));
    ASSERT_GE(nFilled, 1u);
    EXPECT_NEAR(Numbers(l[nFilled - 1])[3], 6.6, 1e-4);
    EXPECT_FLOAT_EQ(Numbers(l[nFilled - 1])[4], 0.3f);
    // rows beyond a scan's fit range are zero
    row = Numbers(l.back());
    EXPECT_FLOAT_EQ(row[0], pNoiseGrid[nNoiseLast]);
    EXPECT_EQ(row[3], 0.0);
    EXPECT_EQ(row[5], 0.0);
    EXPECT_EQ(l[0].back(), ' ');  // every number followed by a blank

    // A fit, the subtracted noise added back, and the radial-invariant noise
    // at the rows of the time order.
    for (int j = 1; j <= nScans; ++j)
        for (int k = 1; k <= pScanPoints[j]; ++k) ppFit[j][k] = 0.1f * j;
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        pTINoiseAux[k] = 0.02f;
        pTINoiseSaved[k] = 0.005f;
    }
    bFitRINoise = 1;
    for (int i = 1; i <= 3; ++i) pRINoiseSaved[i] = 0.01f * i;
    EXPECT_EQ(writeSvdFrData((scratch + "table.txt").c_str()), 3);
    l = Lines(scratch + "table.txt");
    row = Numbers(l[0]);
    EXPECT_FLOAT_EQ(row[1], 0.025f);
    EXPECT_FLOAT_EQ(row[4], 0.32f);  // scan 2 first: 0.3 + 0.02
    EXPECT_FLOAT_EQ(row[5], 0.22f);  // its fit 0.2 + 0.02
    // pScanTimeOrder = {2, 3, 1}: row 2 holds scan 1's value, row 3 scan 2's, row 1 scan 3's
    EXPECT_FLOAT_EQ(Numbers(l[1])[2], 0.01f);
    EXPECT_FLOAT_EQ(Numbers(l[2])[2], 0.02f);
    EXPECT_FLOAT_EQ(row[2], 0.03f);
    EXPECT_EQ(Numbers(l[3])[2], 0.0);

    // Fluorescence data: the noise range fills every row, so its first
    // radius moves 0.001 cm inward.
    bFluorescenceData = 1;
    EXPECT_EQ(writeSvdFrData(), 3);
    EXPECT_FLOAT_EQ(Numbers(Lines(Temp("svdfrdata.dat"))[0])[0], pNoiseGrid[nNoiseFirst] - 0.001f);
}

TEST_F(TextExportTest, ManyShortScansGiveOneRowPerScanAndFluorescenceRepeatsTheFirstNoisePoint)
{
    std::vector<float> signals(12, 0.4f);
    std::vector<double> times;
    for (int i = 1; i <= 12; ++i) times.push_back(100.0 * i);
    LoadConstantScans(signals, times, 100, 0.001f);
    SetFitLimits(6.05f, 6.055f);
    const int nNoiseFirst = std::max(nNoiseGridFirst - 1, 1);
    const int nNoiseLast = std::min(nNoiseGridLast + 1, nNoiseGridPoints);
    const int nNoise = nNoiseLast - nNoiseFirst + 1;
    ASSERT_LT(nNoise, 12);
    EXPECT_EQ(writeSvdFrData(), 12);
    std::vector<std::string> l = Lines(Temp("svdfrdata.dat"));
    ASSERT_EQ(l.size(), 12u);
    EXPECT_EQ(Numbers(l[0]).size(), 3u + 36u);
    EXPECT_FLOAT_EQ(Numbers(l[0])[0], pNoiseGrid[nNoiseFirst]);
    EXPECT_EQ(Numbers(l[static_cast<size_t>(nNoise)])[0], 0.0);

    bFluorescenceData = 1;
    EXPECT_EQ(writeSvdFrData(), 12);
    l = Lines(Temp("svdfrdata.dat"));
    EXPECT_FLOAT_EQ(Numbers(l[0])[0], pNoiseGrid[nNoiseFirst]);
    EXPECT_FLOAT_EQ(Numbers(l[1])[0], pNoiseGrid[nNoiseFirst]);
    EXPECT_FLOAT_EQ(Numbers(l[static_cast<size_t>(nNoise)])[0], pNoiseGrid[nNoiseLast]);
    EXPECT_EQ(Numbers(l[static_cast<size_t>(nNoise + 1)])[0], 0.0);
}

TEST_F(TextExportTest, DistributionFiles)
{
    EXPECT_FALSE(writeDistributionFiles(true));  // none yet
    allocDistributionVectors(3);
    const float x[] = {-8.0f, -7.5f, -7.0f}, y[] = {0.5f, 2.0f, 1.0f};
    for (int k = 1; k <= 3; ++k) {
        pDistAxisS[k] = x[k - 1];
        pDistValues[k] = y[k - 1];
    }
    ASSERT_TRUE(writeDistributionFiles(false));
    EXPECT_EQ(Lines(Temp("dist.dat")),
              (std::vector<std::string>{"-8.000000e+00 5.000000e-01", "-7.500000e+00 2.000000e+00",
                                        "-7.000000e+00 1.000000e+00"}));
    // light-scattering radii go from log10 m to log10 nm
    bDLSData = 1;
    ASSERT_TRUE(writeDistributionFiles(true));
    const std::vector<std::string> l = Lines(Temp("dist.txt"));
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0], "1.000000e+00 5.000000e-01");
    EXPECT_EQ(l[3], "-999.999 -999.999");
    ASSERT_TRUE(writeDistributionFiles(true, (scratch + "own.txt").c_str()));
    EXPECT_EQ(Lines(scratch + "own.txt"), l);
    // the size-and-shape file only with a c(s,ff0) model
    EXPECT_FALSE(writeSizeShapeDistributionFile());
}

TEST_F(TextExportTest, LightScatteringDataFitAndResiduals)
{
    const std::string folder = Folder("dls");
    dlstest::DlsRecipe r = dlstest::decayRecipe(5e-7, 11);
    const std::string a = WriteDls(folder, "a.dlsdat", r);
    r.time = 300.0;
    const std::string b = WriteDls(folder, "b.dlsdat", r);
    LoadFiles({a, b});
    ASSERT_EQ(nScans, 2);
    for (int i = 1; i <= 2; ++i)
        for (int k = 1; k <= pScanPoints[i]; ++k) {
            ppFit[i][k] = 0.5f;
            ppResidual[i][k] = ppSignal[i][k] - 0.5f;
        }
    EXPECT_EQ(writeDlsData(), 2);
    const std::vector<std::string> l = Lines(Temp("dlsdata.dat"));
    const int n = pFitLastIndex[1] - pFitFirstIndex[1] + 1;
    ASSERT_EQ(l.size(), static_cast<size_t>(2 * (3 * n + 4)));
    // the lag in seconds, tab-separated
    char sz[80];
    std::snprintf(sz, sizeof sz, "%e\t%e", std::pow(10.0, double(ppRadius[1][pFitFirstIndex[1]])),
                  ppSignal[1][pFitFirstIndex[1]]);
    EXPECT_EQ(l[0], sz);
    EXPECT_EQ(l[static_cast<size_t>(n)], "-666.666 -666.666");
    EXPECT_EQ(Numbers(l[static_cast<size_t>(n + 1)])[1], 0.5);
    EXPECT_EQ(l[static_cast<size_t>(2 * n + 1)], "-777.777 -777.777");
    EXPECT_EQ(l[static_cast<size_t>(3 * n + 2)], "-888.888 -888.888");
    EXPECT_EQ(l[static_cast<size_t>(3 * n + 3)], "-999.999 -999.999");
}

TEST_F(TextExportTest, AnUnwritableFolderIsReportedAndNothingCounted)
{
    LoadConstantScans({0.7f, 0.3f}, {1000.0, 2000.0});
    std::snprintf(szTempDir, sizeof szTempDir, "%s", (scratch + "gone/").c_str());
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("could not open " + scratch + "gone/1.dat", win::IDOK)
        .expectMessageBox("could not open " + scratch + "gone/svdfrdata.dat", win::IDOK);
    EXPECT_EQ(writeDataFiles(), 0);
    EXPECT_EQ(writeSvdFrData(), 0);
    ASSERT_EQ(shownErrorMessages().size(), 2u);
    EXPECT_EQ(shownErrorMessages()[0], "\n\aAttention: could not open " + scratch + "gone/1.dat");
}
