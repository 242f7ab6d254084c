// Instrument exports to dlsdat files: a small sample export of every layout
// (tests/data/dls/, written by hand from the layouts the converters read)
// gives its files; a broken variant of each fails and writes nothing. Then
// the commands: their questions, the reports of a failed conversion, and an
// ALV export converted and loaded as the data set.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"
#include "scandata/scan_test_files.h"
#include "tools/dls/dls_converters.h"
#include "tools/dls/dls_data.h"
#include "tools/dls_set_fixture.h"

namespace {

std::string sample(const std::string& name) { return std::string(MORVEX_TEST_DATA_DIR) + "/dls/" + name; }

std::vector<std::string> lines(const std::string& path)
{
    std::vector<std::string> v;
    std::string text = scantest::readText(path), line;
    for (char c : text) {
        if (c == '\n') {
            v.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) v.push_back(line);
    return v;
}

// The one row of lags of a converted file (title, header and that row), or
// how many lines the file has instead.
std::string onlyRow(const std::string& path)
{
    const std::vector<std::string> v = lines(path);
    return v.size() == 3 ? v[2] : std::to_string(v.size()) + " lines";
}

size_t filesIn(const std::string& folder)
{
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

class DlsConverterTest : public ::testing::Test {
protected:
    scantest::TempFolder dir;
    std::string Out(const std::string& name = "out.dlsdat") const { return dir.Path(name); }
    // An export of the text named name converted: refused when it holds no
    // row (and nothing written), else the header line and n rows, the last
    // one given.
    void ExpectRows(bool (*convert)(const char*, const char*), const std::string& name, const std::string& text,
                    int n, const std::string& header, const std::string& last)
    {
        const std::string in = Out(name + ".in"), out = Out(name + ".dlsdat");
        scantest::writeText(in, text);
        EXPECT_EQ(convert(in.c_str(), out.c_str()), n >= 1) << name;
        if (n < 1) {
            EXPECT_FALSE(std::filesystem::exists(out)) << name;
            return;
        }
        const std::vector<std::string> w = lines(out);
        ASSERT_EQ(w.size(), static_cast<size_t>(n) + 2) << name;
        EXPECT_EQ(w[1], header) << name;
        EXPECT_EQ(w.back(), last) << name;
    }
};

}  // namespace

TEST_F(DlsConverterTest, AlvHeaderValuesAndBlock)
{
    ASSERT_TRUE(convertAlvDls(sample("alv_sample.asc").c_str(), Out().c_str()));
    const std::vector<std::string> v = lines(Out());
    ASSERT_EQ(v.size(), 10u);
    EXPECT_EQ(v[0], "");
    // 12:34:56 is 45296 s; 293.15 K, 1.002 cP, 632.8 nm, 125.3 kHz.
    EXPECT_EQ(v[1], "A 20.000000 45296 125300.00 1.332000 0.010020 90.000000 6.328000e-07");
    EXPECT_EQ(v[2], "   1.00000e-06  9.50000e-01 ");
    EXPECT_EQ(v[9], "   1.28000e-04  3.30000e-01 ");
    EXPECT_EQ(bDlsLinearLags, 0);

    // A block that runs to the end of the file: nothing is written.
    EXPECT_FALSE(convertAlvDls(sample("alv_broken.asc").c_str(), Out("broken.dlsdat").c_str()));
    EXPECT_FALSE(std::filesystem::exists(Out("broken.dlsdat")));
    EXPECT_FALSE(convertAlvDls(sample("no_such_file.asc").c_str(), Out("none.dlsdat").c_str()));
    EXPECT_EQ(filesIn(dir.Dir()), 1u);

    // A block cut to its first rows gives those rows, down to one; an empty
    // block is refused.
    const std::string text = scantest::readText(sample("alv_sample.asc"));
    const size_t first = text.find('\n', text.find("\"Correlation\"")) + 1;
    for (int n = 0; n <= 2; ++n) {
        size_t end = first;
        for (int k = 0; k < n; ++k) end = text.find('\n', end) + 1;
        const std::string cut = text.substr(0, end) + "\n" + text.substr(text.find("\"Count Rate\""));
        ExpectRows(convertAlvDls, "rows" + std::to_string(n), cut, n, v[1], v[static_cast<size_t>(n) + 1]);
    }
}

TEST_F(DlsConverterTest, CoefficientRowsOfDynamicsAndProteinSolutions6)
{
    ASSERT_TRUE(convertDynamics7Dls(sample("dynamics7_sample.csv").c_str(), Out("d7.dlsdat").c_str(), 20.0f, 1.333f,
                                    0.01002f, 660e-9f, 90.0f));
    std::vector<std::string> v = lines(Out("d7.dlsdat"));
    ASSERT_EQ(v.size(), 10u);  // the empty line ends the block
    EXPECT_EQ(v[1], "A 20.000000 0 1.00 1.333000 0.010020 90.000000 6.600000e-07");
    EXPECT_EQ(v[2], "   5.00000e-07  8.00000e-01 ");

    // Without the comma replacement; the row cut short by the end is dropped.
    ASSERT_TRUE(convertPS99v6Dls(sample("ps99v6_sample.dat").c_str(), Out("v6.dlsdat").c_str(), 25.0f, 1.333f,
                                 0.0089f, 824.7e-9f, 90.0f));
    v = lines(Out("v6.dlsdat"));
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ(v[8], "   3.20000e-05  1.70000e-01 ");

    EXPECT_FALSE(convertDynamics7Dls(sample("dynamics7_broken.csv").c_str(), Out("b1.dlsdat").c_str(), 20.0f, 1.333f,
                                     0.01002f, 660e-9f, 90.0f));
    EXPECT_FALSE(convertPS99v6Dls(sample("ps99v6_broken.dat").c_str(), Out("b2.dlsdat").c_str(), 20.0f, 1.333f,
                                  0.01002f, 660e-9f, 90.0f));
    EXPECT_EQ(filesIn(dir.Dir()), 2u);
}

TEST_F(DlsConverterTest, PhotoCorLabelsAndChannels)
{
    ASSERT_TRUE(convertPhotoCorDls(sample("photocor_sample.txt").c_str(), Out().c_str()));
    const std::vector<std::string> v = lines(Out());
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[1], "A 20.000000 1 48000.00 1.333000 0.010020 90.000000 6.328000e-07");
    EXPECT_EQ(v[2], "   2.00000e-07  9.10000e-01 ");
    EXPECT_EQ(v[6], "   3.20000e-06  5.80000e-01 ");
    // One channel more than the report holds.
    EXPECT_FALSE(convertPhotoCorDls(sample("photocor_broken.txt").c_str(), Out("b.dlsdat").c_str()));
    EXPECT_EQ(filesIn(dir.Dir()), 1u);

    // A report that counts fewer channels gives that many rows, the first
    // ones of the sample, down to one; none is refused.
    const std::string text = scantest::readText(sample("photocor_sample.txt"));
    const size_t at = text.find("Number of channels: 5");
    ASSERT_NE(at, std::string::npos);
    const char* const rows[] = {"   2.00000e-07  9.10000e-01 ", "   4.00000e-07  8.80000e-01 ",
                                "   8.00000e-07  8.30000e-01 ", "   1.60000e-06  7.40000e-01 "};
    for (int n = 0; n <= 4; ++n) {
        std::string fewer = text;
        fewer.replace(at, 21, "Number of channels: " + std::to_string(n));
        ExpectRows(convertPhotoCorDls, "fewer" + std::to_string(n), fewer, n, v[1], n >= 1 ? rows[n - 1] : "");
    }
}

TEST_F(DlsConverterTest, TwoColumnFiles)
{
    // Raw counts out of lag order: sorted, normalised by the baseline.
    ASSERT_TRUE(convertTwoColumnG2Dls(sample("twocolumn_g2_sample.txt").c_str(), Out("g2.dlsdat").c_str(), 1e-6f,
                                      100000.0f, 20.0f, 7.0f, 3.0f, 1.333f, 0.01002f, 90.0f, 808.3e-9f));
    std::vector<std::string> v = lines(Out("g2.dlsdat"));
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[1], "A 20.000000 7 3.00 1.333000 0.010020 90.000000 8.083000e-07");
    EXPECT_EQ(v[2], "   1.00000e-06  5.00000e-01 ");
    EXPECT_EQ(v[3], "   2.00000e-06  4.00000e-01 ");
    EXPECT_EQ(v[5], "   4.00000e-06  2.00000e-01 ");

    ASSERT_TRUE(convertTwoColumnG2m1Dls(sample("twocolumn_g2m1_sample.txt").c_str(), Out("g2m1.dlsdat").c_str(), 25.0f,
                                        1.0f, 1.333f, 0.0089f, 173.0f, 632.8e-9f));
    v = lines(Out("g2m1.dlsdat"));
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[1], "A 25.000000 1 1.00 1.333000 0.008900 173.000000 6.328000e-07");
    EXPECT_EQ(v[5], "   8.00000e-06  6.10000e-01 ");

    EXPECT_FALSE(convertTwoColumnG2Dls(sample("twocolumn_g2_broken.txt").c_str(), Out("b1.dlsdat").c_str(), 1e-6f,
                                       100000.0f, 20.0f, 1.0f, 1.0f, 1.333f, 0.01002f, 90.0f, 808.3e-9f));
    EXPECT_FALSE(convertTwoColumnG2m1Dls(sample("twocolumn_g2m1_broken.txt").c_str(), Out("b2.dlsdat").c_str(),
                                         25.0f, 1.0f, 1.333f, 0.0089f, 173.0f, 632.8e-9f));
    // A zero baseline gives no values.
    EXPECT_FALSE(convertTwoColumnG2Dls(sample("twocolumn_g2_sample.txt").c_str(), Out("b3.dlsdat").c_str(), 1e-6f,
                                       0.0f, 20.0f, 1.0f, 1.0f, 1.333f, 0.01002f, 90.0f, 808.3e-9f));
    // A file without a row (empty, or blank lines only) is refused by both.
    scantest::writeText(Out("empty.txt"), "");
    scantest::writeText(Out("blank.txt"), "\n  \n\n");
    for (const char* szName : {"empty.txt", "blank.txt"}) {
        EXPECT_FALSE(convertTwoColumnG2Dls(Out(szName).c_str(), Out("b4.dlsdat").c_str(), 1e-6f, 100000.0f, 20.0f,
                                           1.0f, 1.0f, 1.333f, 0.01002f, 90.0f, 808.3e-9f))
            << szName;
        EXPECT_FALSE(convertTwoColumnG2m1Dls(Out(szName).c_str(), Out("b5.dlsdat").c_str(), 25.0f, 1.0f, 1.333f,
                                             0.0089f, 173.0f, 632.8e-9f))
            << szName;
    }
    EXPECT_EQ(filesIn(dir.Dir()), 4u);  // and the two inputs
}

TEST_F(DlsConverterTest, BicLayoutsByTokenPosition)
{
    ASSERT_TRUE(convertBicDls(sample("bic_sample.dat").c_str(), Out("bic.dlsdat").c_str()));
    std::vector<std::string> v = lines(Out("bic.dlsdat"));
    ASSERT_EQ(v.size(), 6u);  // 3 + 1 channels
    EXPECT_EQ(v[0], "sample: lysozyme 2 mg/ml, operator: lab user, buffer PBS, cell 1");
    EXPECT_EQ(v[1], "A 20.000000 0 25000.00 1.333000 0.010020 90.000000 5.320000e-07");
    EXPECT_EQ(v[2], "   1.00000e-06  5.00000e-01 ");
    EXPECT_EQ(v[5], "   8.00000e-06  1.00000e-01 ");

    ASSERT_TRUE(convertOldDosBicDls(sample("olddosbic_sample.dat").c_str(), Out("dos.dlsdat").c_str()));
    v = lines(Out("dos.dlsdat"));
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0], "");
    EXPECT_EQ(v[3], "   2.00000e-06  4.00000e-01 ");

    EXPECT_FALSE(convertBicDls(sample("bic_broken.dat").c_str(), Out("b1.dlsdat").c_str()));
    EXPECT_FALSE(convertOldDosBicDls(sample("olddosbic_broken.dat").c_str(), Out("b2.dlsdat").c_str()));
    // a zero baseline (token 23) gives no values in either layout
    const char* szLayout[] = {"bic_sample.dat", "olddosbic_sample.dat"};
    bool (*convert[])(const char*, const char*) = {convertBicDls, convertOldDosBicDls};
    for (int k = 0; k < 2; ++k) {
        std::string text = scantest::readText(sample(szLayout[k]));
        text.replace(text.find("\n1000\n"), 6, "\n0\n");
        scantest::writeText(Out("zero.dat"), text);
        EXPECT_FALSE(convert[k](Out("zero.dat").c_str(), Out("zero.dlsdat").c_str())) << szLayout[k];
    }
    EXPECT_EQ(filesIn(dir.Dir()), 3u);  // and zero.dat

    // token 21 in [0, 1) adds no second block of channels, whatever the
    // token after it (read by nobody) holds: the 3 of token 7 alone, the
    // last one 1250 / 1000 - 1
    std::string text = scantest::readText(sample("bic_sample.dat"));
    text.replace(text.find("\n1\n0\n1000\n"), 10, "\n0\n-1\n1000\n");
    text.erase(text.find("8 1100\n"), 7);
    scantest::writeText(Out("three.dat"), text);
    ASSERT_TRUE(convertBicDls(Out("three.dat").c_str(), Out("three.dlsdat").c_str()));
    v = lines(Out("three.dlsdat"));
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0], "sample: lysozyme 2 mg/ml, operator: lab user, buffer PBS, cell 1");
    EXPECT_EQ(v[4], "   4.00000e-06  2.50000e-01 ");

    // each text line goes into the title cut to the 99 characters of a title
    const std::string longLine = std::string(99, 'x') + "y";
    text.replace(text.find("lysozyme 2 mg/ml"), 16, longLine);
    scantest::writeText(Out("long.dat"), text);
    ASSERT_TRUE(convertBicDls(Out("long.dat").c_str(), Out("long.dlsdat").c_str()));
    EXPECT_EQ(lines(Out("long.dlsdat"))[0],
              "sample: " + longLine.substr(0, 99) + ", operator: lab user, buffer PBS, cell 1");

    // an old export of one channel (token 7) gives its first row alone:
    // 1500 / 1000 - 1
    std::string one = scantest::readText(sample("olddosbic_sample.dat"));
    one.replace(one.find("\n4\n0\n90\n"), 8, "\n1\n0\n90\n");
    scantest::writeText(Out("one.dat"), one);
    ASSERT_TRUE(convertOldDosBicDls(Out("one.dat").c_str(), Out("one.dlsdat").c_str()));
    v = lines(Out("one.dlsdat"));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[2], "   1.00000e-06  5.00000e-01 ");
}

TEST_F(DlsConverterTest, ProteinSolutionsMultiMeasurementExports)
{
    // Version 4: one file per measurement and their average, in the output's
    // folder whatever name was given.
    const std::string v4 = dir.Path("v4");
    std::filesystem::create_directories(v4);
    const std::string input4 = sample("psv4_sample.txt");
    EXPECT_EQ(convertPSv4Dls(input4.c_str(), (v4 + "/typed.dlsdat").c_str(), 20.0f, 1.333f, 0.01002f, 824.7e-9f,
                             90.0f, 3),
              3);
    EXPECT_EQ(filesIn(v4), 4u);
    std::vector<std::string> v = lines(v4 + "/00002.dlsdat");
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0], input4);
    EXPECT_EQ(v[1], "A 20.000000 2 1.00 1.333000 0.010020 90.000000 8.247000e-07");
    EXPECT_EQ(v[2], "   1.00000e-06  7.00000e-01 ");
    v = lines(v4 + "/average.dlsdat");
    EXPECT_EQ(v[1].substr(0, 14), "A 20.000000 0 ");
    EXPECT_EQ(v[4], "   4.00000e-06  4.00000e-01 ");
    EXPECT_FALSE(std::filesystem::exists(v4 + "/typed.dlsdat"));

    // One channel is a count like any other: the first lag of each
    // measurement (the file's 1.8, 1.7, 1.6 less the baseline 1) and their mean.
    const std::string one = dir.Path("one");
    std::filesystem::create_directories(one);
    EXPECT_EQ(convertPSv4Dls(input4.c_str(), (one + "/x.dlsdat").c_str(), 20.0f, 1.333f, 0.01002f, 824.7e-9f, 90.0f, 1),
              3);
    EXPECT_EQ(filesIn(one), 4u);
    EXPECT_EQ(onlyRow(one + "/00003.dlsdat"), "   1.00000e-06  6.00000e-01 ");
    EXPECT_EQ(onlyRow(one + "/average.dlsdat"), "   1.00000e-06  7.00000e-01 ");

    // 5.20.05: header values from the summary rows after "SOS".
    const std::string v520 = dir.Path("v520");
    std::filesystem::create_directories(v520);
    EXPECT_EQ(convertPS99Dls(sample("ps99v520_sample.txt").c_str(), (v520 + "/x.dlsdat").c_str(), 0.01002f, 1.333f, 3),
              2);
    EXPECT_EQ(filesIn(v520), 2u);
    v = lines(v520 + "/00002.dlsdat");
    EXPECT_EQ(v[1], "A 20.600000 160 32000.00 1.333000 0.010020 90.000000 8.083000e-07");
    EXPECT_EQ(v[4], "   4.00000e-06  4.00000e-01 ");
    // one channel: each measurement's first lag, the file's 1.80 and 1.70 less 1
    const std::string v520one = dir.Path("v520one");
    std::filesystem::create_directories(v520one);
    EXPECT_EQ(convertPS99Dls(sample("ps99v520_sample.txt").c_str(), (v520one + "/x.dlsdat").c_str(), 0.01002f,
                             1.333f, 1),
              2);
    EXPECT_EQ(filesIn(v520one), 2u);
    EXPECT_EQ(onlyRow(v520one + "/00001.dlsdat"), "   1.00000e-06  8.00000e-01 ");
    EXPECT_EQ(onlyRow(v520one + "/00002.dlsdat"), "   1.00000e-06  7.00000e-01 ");

    // 5.26.38: the average column always, the measurements with the time course.
    const std::string v526 = dir.Path("v526");
    std::filesystem::create_directories(v526);
    EXPECT_EQ(convertPS99v526Dls(sample("ps99v526_sample.txt").c_str(), (v526 + "/x.dlsdat").c_str(), 0.01002f,
                                 1.333f, 3, false),
              2);
    EXPECT_EQ(filesIn(v526), 1u);
    v = lines(v526 + "/average.dlsdat");
    EXPECT_EQ(v[1], "A 21.000000 150 32000.00 1.333000 0.010020 90.000000 8.250000e-07");
    EXPECT_EQ(v[3], "   2.00000e-06  5.50000e-01 ");
    EXPECT_EQ(convertPS99v526Dls(sample("ps99v526_sample.txt").c_str(), (v526 + "/x.dlsdat").c_str(), 0.01002f,
                                 1.333f, 3, true),
              2);
    EXPECT_EQ(filesIn(v526), 3u);
    EXPECT_EQ(lines(v526 + "/00001.dlsdat")[4], "   4.00000e-06  3.00000e-01 ");
    // one channel: the table's first row alone
    const std::string first = dir.Path("v526one");
    std::filesystem::create_directories(first);
    EXPECT_EQ(convertPS99v526Dls(sample("ps99v526_sample.txt").c_str(), (first + "/x.dlsdat").c_str(), 0.01002f,
                                 1.333f, 1, false),
              2);
    v = lines(first + "/average.dlsdat");
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[2], "   1.00000e-06  7.50000e-01 ");

    // Broken variants: a missing measurement header or a cut table writes nothing.
    const std::string broken = dir.Path("broken");
    std::filesystem::create_directories(broken);
    const std::string out = broken + "/x.dlsdat";
    EXPECT_EQ(convertPSv4Dls(sample("psv4_broken.txt").c_str(), out.c_str(), 20.0f, 1.333f, 0.01f, 8e-7f, 90.0f, 3), 0);
    EXPECT_EQ(convertPS99Dls(sample("ps99v520_broken.txt").c_str(), out.c_str(), 0.01f, 1.333f, 3), 0);
    EXPECT_EQ(convertPS99v526Dls(sample("ps99v526_broken.txt").c_str(), out.c_str(), 0.01f, 1.333f, 3, true), 0);
    // Channel counts the file does not hold.
    EXPECT_EQ(convertPSv4Dls(input4.c_str(), out.c_str(), 20.0f, 1.333f, 0.01f, 8e-7f, 90.0f, 5), 0);
    EXPECT_EQ(convertPSv4Dls(input4.c_str(), out.c_str(), 20.0f, 1.333f, 0.01f, 8e-7f, 90.0f, 1000000000), 0);
    EXPECT_EQ(convertPSv4Dls(input4.c_str(), out.c_str(), 20.0f, 1.333f, 0.01f, 8e-7f, 90.0f, 0), 0);
    EXPECT_EQ(filesIn(broken), 0u);
}

namespace {

class DlsConvertCommandTest : public DlsSetTest {};

}  // namespace

TEST_F(DlsConvertCommandTest, AlvExportConvertedAndLoadedWithTwoMoreFiles)
{
    const std::string folder = Folder("alv");
    const std::string converted = folder + "/00001.dlsdat";
    {
        win::headless::Script script;
        script
            .expectMessageBox("needs data of ALV-5000/E V.2.0.6.2 (6/99), exported with File->Save As...->Datatype:  "
                              "ALV-5000 Data (ASCII)",
                              win::IDYES)
            .expectOpenFile("select data file", {sample("alv_sample.asc")})
            .expectSaveFile("select filename for saving morvex formatted data file", converted);
        Run(script, 534);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(transcriptShows(script, "\"*.asc\""));
    }
    ASSERT_TRUE(std::filesystem::exists(converted));

    dlstest::DlsRecipe early = dlstest::decayRecipe(6e-7, 30), late = dlstest::decayRecipe(3e-7, 30);
    early.time = 100.0;
    late.time = 50000.0;
    const std::vector<std::string> paths = {converted, WriteDls(folder, "late.dlsdat", late),
                                            WriteDls(folder, "early.dlsdat", early)};
    win::headless::Script script;
    script.expectOpenFile("select files in set 1 to fit", paths);
    Run(script, 298);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(std::string(szWindowTitle).rfind("LIGHT SCATTERING ANALYSIS -> ", 0), 0u);
    ASSERT_EQ(nScans, 3);
    EXPECT_STREQ(ppScanFileName[1], "early.dlsdat");
    EXPECT_STREQ(ppScanFileName[2], "00001.dlsdat");
    EXPECT_STREQ(ppScanFileName[3], "late.dlsdat");
    EXPECT_DOUBLE_EQ(pDlsHeaders[2].measurementTime, 45296.0);
    EXPECT_EQ(pScanPoints[2], 8);
    EXPECT_NEAR(ppSignal[2][1], std::sqrt(0.95f), 1e-6);
    ASSERT_TRUE(pDataPlot);
    EXPECT_STREQ(pDataPlot->szYLabel, "g(1) field autocorrelation ");
}

// The two-column commands ask every quantity of the header in turn, each
// answer going into its own field of the converted file.
TEST_F(DlsConvertCommandTest, TwoColumnCommandsAskEachQuantityInTurn)
{
    const std::string folder = Folder("twocol");
    {
        win::headless::Script script;
        script.expectMessageBox("needs two-column ASCII data of intensity autocorrelation g(2)", win::IDYES)
            .expectOpenFile("select data file", {sample("twocolumn_g2_sample.txt")})
            .expectSaveFile("select filename for saving morvex formatted data file", folder + "/g2.dlsdat")
            .expectInput("unit of correlation times", "1e-6")
            .expectInput("measured baseline countrate", "100000")
            .expectInput("temperature (C)", "21")
            .expectInput("time (sec)", "7")
            .expectInput("count rate (cps)", "3")
            .expectInput("refractive index", "1.34")
            .expectInput("absolute viscosity of solvent (Poise)", "0.0095")
            .expectInput("scattering angle (degrees)", "60")
            .expectInput("wavelength (nm)", "700");
        Run(script, 532);
        EXPECT_EQ(script.pending(), 0u);
    }
    std::vector<std::string> v = lines(folder + "/g2.dlsdat");
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[1], "A 21.000000 7 3.00 1.340000 0.009500 60.000000 7.000000e-07");
    EXPECT_EQ(v[2], "   1.00000e-06  5.00000e-01 ");
    {
        win::headless::Script script;
        script.expectMessageBox("needs two-column ASCII data of intensity autocorrelation g(2)-1", win::IDYES)
            .expectOpenFile("select data file", {sample("twocolumn_g2m1_sample.txt")})
            .expectSaveFile("select filename for saving morvex formatted data file", folder + "/g2m1.dlsdat")
            .expectInput("temperature (C)", "24")
            .expectInput("time (sec)", "5")
            .expectInput("refractive index", "1.335")
            .expectInput("absolute viscosity of solvent (Poise)", "0.0089")
            .expectInput("scattering angle (degrees)", "173")
            .expectInput("wavelength (nm)", "632.8");
        Run(script, 600);
        EXPECT_EQ(script.pending(), 0u);
    }
    v = lines(folder + "/g2m1.dlsdat");
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[1], "A 24.000000 5 1.00 1.335000 0.008900 173.000000 6.328000e-07");
    EXPECT_EQ(filesIn(folder), 2u);
}

TEST_F(DlsConvertCommandTest, QuestionsDefaultsAndReports)
{
    const std::string folder = Folder("conv");
    // No to the introduction ends the command.
    {
        win::headless::Script script;
        script.expectMessageBox("MAKE DLS DATA", win::IDNO);
        Run(script, 583);
        EXPECT_EQ(script.lines().size(), 1u);
    }
    // A broken export is reported.
    {
        win::headless::Script script;
        script.expectMessageBox("PhotoCor Runtime Report", win::IDYES)
            .expectOpenFile("select data file", {sample("photocor_broken.txt")})
            .expectSaveFile("select filename for saving formatted data files", folder + "/p.dlsdat")
            .expectMessageBox("could not convert " + sample("photocor_broken.txt"), win::IDOK);
        Run(script, 583);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(filesIn(folder), 0u);
    }
    // Version 4: the six questions with their defaults; the channel count is
    // rounded down, the wavelength asked in nm.
    {
        win::headless::Script script;
        script.expectMessageBox("Protein Solutions Dynamics Version 4", win::IDYES)
            .expectOpenFile("select data file", {sample("psv4_sample.txt")})
            .expectSaveFile("select filename for saving formatted data files", folder + "/typed.dlsdat")
            .expectInput("absolute viscosity of solvent (Poise)", "0.01002")
            .expectInput("refractive index of solvent", "1.333")
            .expectInput("laser wavelength (nm)", "824.7")
            .expectInput("scattering angle (degrees)", "90")
            .expectInput("temperature (C)", "20")
            .expectInput("# of channels", "3.9");
        Run(script, 601);
        EXPECT_EQ(script.pending(), 0u);
        for (const char* offer :
             {"\"absolute viscosity of solvent (Poise)\" \"0.010020\"", "\"refractive index of solvent\" \"1.333000\"",
              "\"laser wavelength (nm)\" \"824.700012\"", "\"scattering angle (degrees)\" \"90.000000\"",
              "\"temperature (C)\" \"20.000000\"", "\"# of channels\" \"20.000000\""})
            EXPECT_TRUE(transcriptShows(script, offer)) << offer;
    }
    EXPECT_EQ(filesIn(folder), 4u);
    EXPECT_EQ(lines(folder + "/average.dlsdat")[1], "A 20.000000 0 1.00 1.333000 0.010020 90.000000 8.247000e-07");

    // Protein Solutions 6.2.05: the five constants, each offered with the
    // value docs/tools.md gives for the command
    {
        win::headless::Script script;
        script.expectMessageBox("Protein Solutions (Dynamics Version 6.2.05)", win::IDYES)
            .expectOpenFile("select data file", {sample("ps99v6_sample.dat")})
            .expectSaveFile("select filename for saving formatted data files", folder + "/v62.dlsdat")
            .expectInput("absolute viscosity of solvent (Poise)", "0.0089")
            .expectInput("refractive index of solvent", "1.33")
            .expectInput("laser wavelength (nm)", "633")
            .expectInput("scattering angle (degrees)", "173")
            .expectInput("temperature (C)", "25");
        Run(script, 584);
        EXPECT_EQ(script.pending(), 0u);
        for (const char* offer :
             {"\"absolute viscosity of solvent (Poise)\" \"0.010020\"", "\"refractive index of solvent\" \"1.333000\"",
              "\"laser wavelength (nm)\" \"824.700012\"", "\"scattering angle (degrees)\" \"90.000000\"",
              "\"temperature (C)\" \"20.000000\""})
            EXPECT_TRUE(transcriptShows(script, offer)) << offer;
    }
    EXPECT_EQ(lines(folder + "/v62.dlsdat")[1], "A 25.000000 0 1.00 1.330000 0.008900 173.000000 6.330000e-07");

    // Dynamics 7: the wavelength asked again after the notice, with the first
    // answer as its default.
    {
        win::headless::Script script;
        script.expectMessageBox("Dynamics 7.0.2.7.", win::IDYES)
            .expectOpenFile("select data file", {sample("dynamics7_sample.csv")})
            .expectSaveFile("select filename for saving formatted data files", folder + "/d7.dlsdat")
            .expectInput("absolute viscosity", "0.01002")
            .expectInput("refractive index of solvent", "1.333")
            .expectInput("laser wavelength (nm)", "825")
            .expectMessageBox("are you sure about the wavelengt?", win::IDOK)
            .expectInput("laser wavelength (nm)", "660")
            .expectInput("scattering angle (degrees)", "90")
            .expectInput("temperature (C)", "20");
        Run(script, 897);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(transcriptShows(script, "\"825.000000\""));
    }
    EXPECT_EQ(lines(folder + "/d7.dlsdat")[1], "A 20.000000 0 1.00 1.333000 0.010020 90.000000 6.600000e-07");

    // BIC 3.19: every selected file under its own name in the output's folder.
    const std::string bic = Folder("bic");
    std::filesystem::copy_file(sample("bic_sample.dat"), bic + "/first.dat");
    std::filesystem::copy_file(sample("bic_sample.dat"), bic + "/second.dat");
    const std::string outFolder = Folder("bicout");
    {
        win::headless::Script script;
        script.expectOpenFile("select data file", {bic + "/first.dat", bic + "/second.dat"})
            .expectSaveFile("select filename for saving morvex formatted data file", outFolder + "/00001.dlsdat");
        Run(script, 527);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_TRUE(std::filesystem::exists(outFolder + "/first.dlsdat"));
    EXPECT_TRUE(std::filesystem::exists(outFolder + "/second.dlsdat"));
    EXPECT_EQ(filesIn(outFolder), 2u);

    // CD data: not implemented.
    {
        win::headless::Script script;
        script.expectMessageBox("Format CD DATA", win::IDYES);
        Run(script, 528);
        EXPECT_TRUE(transcriptShows(script, "not implemented yet"));
    }
}
