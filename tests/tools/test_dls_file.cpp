// The dlsdat file: what the reader takes from a file, what the writers
// write, and a file written and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_test_files.h"
#include "tools/dls/dls_data.h"
#include "tools/dls_test_files.h"

namespace {

// One read with the arrays released afterwards.
struct Read {
    bool bOk = false;
    DlsScanHeader h{};
    std::vector<float> lags, values;  // 0-based copies

    Read(const std::string& path, bool bKeepG2)
    {
        int n = 0;
        float *pLags = nullptr, *pValues = nullptr;
        bOk = readDlsDatFile(path.c_str(), &h, &n, &pLags, &pValues, bKeepG2);
        if (!bOk) return;
        for (int j = 1; j <= n; ++j) {
            lags.push_back(pLags[j]);
            values.push_back(pValues[j]);
        }
        free_vector(pLags, 1, n);
        free_vector(pValues, 1, n);
    }
};

size_t lineCount(const std::string& path)
{
    const std::string text = scantest::readText(path);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(DlsDatFile, ReaderTypeLettersSignsTitleAndBlockEnd)
{
    scantest::TempFolder dir;
    // "C" rows hold g(2): 1 is subtracted; without the keep flag the root is
    // taken with the sign kept; a zero stays zero.
    const std::string c = dir.Path("c.dlsdat");
    scantest::writeText(c, "sample #3 (run 2)\nC 20.75 300 1000 1.333 0.01002 90 6.328e-07\n"
                           "   1.00000e-06  1.20000e+00 \n   2.00000e-06  9.60000e-01 \n"
                           "   3.00000e-06  1.00000e+00 \n");
    {
        Read r(c, true);
        ASSERT_TRUE(r.bOk);
        ASSERT_EQ(r.values.size(), 3u);
        EXPECT_NEAR(r.values[0], 0.2f, 1e-6);
        EXPECT_NEAR(r.values[1], -0.04f, 1e-6);
        EXPECT_EQ(r.h.fieldAcf, 0);
        EXPECT_EQ(bDLSData, 1);
    }
    {
        Read r(c, false);
        ASSERT_TRUE(r.bOk);
        EXPECT_NEAR(r.values[0], std::sqrt(0.2f), 1e-6);
        EXPECT_NEAR(r.values[1], -0.2f, 1e-6);
        EXPECT_EQ(r.values[2], 0.0f);
        EXPECT_EQ(r.h.fieldAcf, 1);
        EXPECT_EQ(+r.h.nPoints, 3);  // by value: the header is packed
        // The title stops at the parenthesis; the temperature keeps its fraction.
        EXPECT_STREQ(r.h.title, "sample #3 ");
        EXPECT_FLOAT_EQ(r.h.temperature, 20.75f);
        EXPECT_DOUBLE_EQ(r.h.measurementTime, 300.0);
        EXPECT_FLOAT_EQ(r.h.wavelength, 6.328e-7f);
        EXPECT_NEAR(r.lags[1], std::log10(2e-6), 1e-6);
    }

    // A line beginning with "0" ends the block: the rows before it all count.
    const std::string z = dir.Path("zero.dlsdat");
    scantest::writeText(z, "t\nA 20 0 1 1.333 0.01 90 6.3e-07\n   1e-06  0.25 \n   2e-06  0.16 \n"
                           "0 trailer\n   3e-06  0.09 \n");
    {
        Read r(z, false);
        ASSERT_TRUE(r.bOk);
        ASSERT_EQ(r.values.size(), 2u);
        EXPECT_NEAR(r.values[1], 0.4f, 1e-6);
    }

    // A title line of 150 characters: at most 99 are kept, the parameter
    // line after it still reads.
    const std::string longTitle(150, 'x');
    dlstest::DlsRecipe recipe = dlstest::decayRecipe(6e-7, 5);
    recipe.title = longTitle;
    recipe.wavelength = 532e-9;
    {
        Read r(dlstest::writeDls(dir.Path("long.dlsdat"), recipe), true);
        ASSERT_TRUE(r.bOk);
        EXPECT_EQ(std::string(r.h.title), longTitle.substr(0, 99));
        EXPECT_FLOAT_EQ(r.h.wavelength, 532e-9f);
        EXPECT_EQ(r.values.size(), 5u);
    }
}

TEST(DlsDatFile, ReaderFailsOnBadFilesAndKeepsCompleteRows)
{
    scantest::TempFolder dir;
    auto fails = [&](const std::string& name, const std::string& text) {
        const std::string path = dir.Path(name);
        scantest::writeText(path, text);
        bDLSData = 0;
        DlsScanHeader h{};
        int n = 7;
        float *pLags = nullptr, *pValues = nullptr;
        EXPECT_FALSE(readDlsDatFile(path.c_str(), &h, &n, &pLags, &pValues, false)) << name;
        EXPECT_EQ(n, 0) << name;
        EXPECT_EQ(pLags, nullptr) << name;
        EXPECT_EQ(bDLSData, 0) << name;
    };
    fails("empty", "");
    fails("letter", "t\nB 20 0 1 1.333 0.01 90 6.3e-07\n   1e-06  0.25 \n");
    fails("noline", "just a title");
    fails("params", "t\nA 20 0 1 1.333\n");
    fails("norows", "t\nA 20 0 1 1.333 0.01 90 6.3e-07\n");
    DlsScanHeader h{};
    int n = 0;
    float *pLags = nullptr, *pValues = nullptr;
    EXPECT_FALSE(readDlsDatFile(dir.Path("missing").c_str(), &h, &n, &pLags, &pValues, false));
    EXPECT_FALSE(readDlsDatFile(nullptr, &h, &n, &pLags, &pValues, false));

    // Text ending inside a row: the complete rows are kept, also when the
    // last row has no line feed.
    const std::string cut = dir.Path("cut");
    scantest::writeText(cut, "t\nA 20 0 1 1.333 0.01 90 6.3e-07\n   1e-06  0.25 \n   2e-06  0.16 \n   3e-06");
    EXPECT_EQ(Read(cut, true).values, (std::vector<float>{0.25f, 0.16f}));
    const std::string open = dir.Path("open");
    scantest::writeText(open, "t\nA 20 0 1 1.333 0.01 90 6.3e-07\n   1e-06  0.25 \n   2e-06  0.16");
    EXPECT_EQ(Read(open, true).values, (std::vector<float>{0.25f, 0.16f}));
}

TEST(DlsDatFile, WriterLayoutLagsAndWarning)
{
    scantest::TempFolder dir;
    DlsScanHeader h{};
    std::snprintf(h.title, sizeof h.title, "record title");
    h.temperature = 20.75f;
    h.measurementTime = 100.9;
    h.countRate = 125300.0f;
    h.refractiveIndex = 1.333f;
    h.viscosity = 0.01002f;
    h.angle = 90.0f;
    h.wavelength = 6.328e-7f;
    h.fieldAcf = 1;

    // log10 lags are written as seconds; the given title replaces the record's.
    float lags[] = {0.0f, -6.0f, -5.0f};
    float values[] = {0.0f, 0.5f, 1e-31f};
    const std::string a = dir.Path("a.dlsdat");
    ASSERT_TRUE(writeDlsDatSet(a.c_str(), 2, lags, values, "given", &h));
    EXPECT_EQ(scantest::readText(a), "given\nA 20.750000 100 125300.00 1.333000 0.010020 90.000000 6.328000e-07\n"
                                     "   1.00000e-06  5.00000e-01 \n   1.00000e-05  0.00000e+00 \n");
    // The writer's views zero the caller's tiny values.
    EXPECT_EQ(values[2], 0.0f);

    // With linear lags the same call writes the values as they are; no title:
    // the record's.
    bDlsLinearLags = 1;
    const std::string b = dir.Path("b.dlsdat");
    ASSERT_TRUE(writeDlsDatSet(b.c_str(), 2, lags, values, nullptr, &h));
    bDlsLinearLags = 0;
    EXPECT_EQ(lineCount(b), 4u);
    EXPECT_EQ(scantest::readText(b).substr(0, 13), "record title\n");
    EXPECT_NE(scantest::readText(b).find("   -6.00000e+00  5.00000e-01 \n"), std::string::npos);

    // Values above 1: the file is complete, then one warning.
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    float big[] = {0.0f, 1.5f, 1.7f, 0.2f};
    float bigLags[] = {0.0f, -6.0f, -5.0f, -4.0f};
    const std::string c = dir.Path("c.dlsdat");
    ASSERT_TRUE(writeDlsDatCurve(c.c_str(), 3, bigLags, big, "", 20.0f, 0, 1.0f, 1.333f, 0.01f, 90.0f, 6e-7f, false));
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "please check DLSDAT format - should be g(2)-1");
    EXPECT_EQ(lineCount(c), 5u);
}

TEST(DlsDatFile, WrittenFileReadsBackEveryPoint)
{
    scantest::TempFolder dir;
    const int n = 30;
    std::vector<float> lags(n + 1), values(n + 1);
    for (int j = 1; j <= n; ++j) {
        lags[j] = -6.0f + 0.2f * static_cast<float>(j - 1);
        values[j] = 0.9f * std::exp(-0.3f * static_cast<float>(j)) - 0.01f;
    }
    const std::string path = dir.Path("round.dlsdat");
    ASSERT_TRUE(writeDlsDatCurve(path.c_str(), n, lags.data(), values.data(), "round trip", 20.75f, 1234, 5000.0f,
                                 1.333f, 0.01002f, 90.0f, 6.328e-7f, false));
    Read r(path, true);
    ASSERT_TRUE(r.bOk);
    ASSERT_EQ(static_cast<int>(r.values.size()), n);
    EXPECT_FLOAT_EQ(r.h.temperature, 20.75f);
    EXPECT_DOUBLE_EQ(r.h.measurementTime, 1234.0);
    EXPECT_STREQ(r.h.title, "round trip");
    for (int j = 1; j <= n; ++j) {
        EXPECT_NEAR(r.values[j - 1], values[j], 5e-6 * std::fabs(values[j]) + 1e-12) << j;
        EXPECT_NEAR(r.lags[j - 1], lags[j], 3e-6) << j;
    }
}

TEST(DlsDatFile, UnwritableFileIsReportedAndReturnsFalse)
{
    scantest::TempFolder dir;
    const std::string path = dir.Path("no/such/folder/x.dlsdat");
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    float lags[] = {0.0f, -6.0f};
    float values[] = {0.0f, 0.5f};
    EXPECT_FALSE(writeDlsDatSet(path.c_str(), 1, lags, values, "t", nullptr));
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "\n\aAttention: could not open " + path);
}

TEST(DlsDatFile, WholeSecondsOfTimes)
{
    EXPECT_EQ(dlsWholeSeconds(100.9), 100);
    EXPECT_EQ(dlsWholeSeconds(-2.5), -2);
    EXPECT_EQ(dlsWholeSeconds(std::nan("")), 0);
    EXPECT_EQ(dlsWholeSeconds(1e300), 0);
}
