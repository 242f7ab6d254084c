// Sorting equilibrium scans to disk (command 579): the judgement of each
// series, the sorted scan files, the experiment files, blanks, intensity data
// written as absorbance; and the saved equilibrium scan.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/equilibrium/equilibrium_fixture.h"
#include "analyses/eqtest/eq_test_state.h"
#include "app/app_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"

namespace {

std::vector<std::string> lines(const std::string& path)
{
    std::ifstream f(path);
    std::vector<std::string> v;
    for (std::string s; std::getline(f, s);) v.push_back(s);
    return v;
}

int countContaining(const std::vector<std::string>& v, const std::string& text)
{
    int n = 0;
    for (const std::string& s : v)
        if (s.find(text) != std::string::npos) ++n;
    return n;
}

// A scan file as the program reads it back.
struct ReadScan {
    ScanHeader header{};
    int n = 0;
    float* r = nullptr;
    float* s = nullptr;
    float* third = nullptr;
    explicit ReadScan(const std::string& path)
    {
        EXPECT_EQ(readScanFile(path.c_str(), &header, &n, &r, &s, &third, nullptr, 0.0f), 1) << path;
    }
    ~ReadScan()
    {
        free_vector(r, 1, n);
        free_vector(s, 1, n);
        free_vector(third, 1, n);
    }
};

}  // namespace

class EqSortTest : public DataMenuTest {
protected:
    void SetUp() override
    {
        DataMenuTest::SetUp();
        fMeniscus = pParamValue[13] = 6.7f;
        fBottom = pParamValue[14] = 7.3f;
        fFitLeftLim = 6.8f;
        fFitRightLim = 7.2f;
        bUseMolarMass = 1;
        folder = Folder("eqsort");
        out = Folder("eqsort_out");
    }

    // A scan of 21 radii 6.8..7.2; letter 'R' (three columns), 'P' (two) or
    // 'I' (radius, reference and sample intensity).
    std::string WriteScan(const std::string& name, char cLetter, int nCell, float fWavelength, double rpm, double hours,
                          double level)
    {
        std::string text = "equilibrium scan\n";
        char line[200];
        const double time = 3600.0 * hours;
        std::snprintf(line, sizeof line, "%c %d 20.0 %.0f %.0f %.6e %.0f 1\n", cLetter, nCell, rpm, time,
                      std::pow(rpm * 2.0 * M_PI / 60.0, 2) * time, fWavelength);
        text += line;
        for (int i = 0; i <= 20; ++i) {
            const double r = 6.8 + 0.02 * i;
            const double c = level + 0.1 * std::exp(r - 7.0);
            if (cLetter == 'P')
                std::snprintf(line, sizeof line, "%.4f %.6e\n", r, c);
            else if (cLetter == 'I')
                // absorbance c: reference 1000, sample 1000 x 10^-c; the sample of point 5 is 0
                std::snprintf(line, sizeof line, "%.4f %.6e %.6e\n", r, 1000.0, i == 5 ? 0.0 : 1000.0 * std::pow(10.0, -c));
            else
                std::snprintf(line, sizeof line, "%.4f %.6e %.6e\n", r, c, 0.01);
            text += line;
        }
        const std::string path = folder + "/" + name;
        scantest::writeText(path, text);
        return path;
    }

    void Load(const std::vector<std::string>& paths, int nLoaderBoxes)
    {
        win::headless::Script script;
        script.expectOpenFile("select files in set 1 to fit", paths);
        if (nLoaderBoxes == 2) expectSpeedStepsBoxes(script);
        if (nLoaderBoxes == 1) script.expectMessageBox("LOAD ERROR", win::IDOK);
        Run(script, 515);
    }

    // Command 579 up to the walk: the output name and the experiment-file
    // answers (none: "make xp files?" No).
    void Begin(win::headless::Script& script, bool bXp, bool bInterference = false)
    {
        script.expectSaveFile("select filename for sorted eq data", out + "/sorted");
        if (bInterference) script.expectMessageBox("subtract blank file?", win::IDNO);
        script.expectMessageBox("make xp files?", bXp ? win::IDYES : win::IDNO);
        if (!bXp) return;
        script.expectInput("buffer density (g/ml)", "1.005")
            .expectInput("partial-specific volume (ml/g)", "0.72")
            .expectInput("molar extinction coefficient A", "2.5")
            .expectInputCancel("molar extinction coefficient B")  // stays 1
            .expectInput("molar extinction coefficient C", "0.5");
    }

    static void Judge(win::headless::Script& script, const char* szAt, bool bAttained, bool bAccept = true)
    {
        script.expectMessageBox(std::string("was equilibrium attained at ") + szAt + "?",
                                bAttained ? win::IDYES : win::IDNO);
        if (bAttained)
            script.expectMessageBox(std::string("accept EQ scan at ") + szAt + " to be included? ",
                                    bAccept ? win::IDYES : win::IDNO);
    }

    std::string folder, out;
};

TEST_F(EqSortTest, TwoSpeedsOfCellTwoWithTheirExperimentFile)
{
    Load({WriteScan("00001.ra2", 'R', 2, 280, 15000, 1, 0.1), WriteScan("00002.ra2", 'R', 2, 280, 15000, 2, 0.2),
          WriteScan("00003.ra2", 'R', 2, 280, 22000, 3, 0.3), WriteScan("00004.ra2", 'R', 2, 280, 22000, 4, 0.4)},
         2);
    ASSERT_EQ(nScans, 4);
    win::headless::Script script;
    Begin(script, true);
    Judge(script, "280 nm and 15000 rpm", true);
    Judge(script, "280 nm and 22000 rpm", true);
    Run(script, 579);
    EXPECT_EQ(script.pending(), 0u);

    // the latest scan of each speed, named by speed and wavelength
    {
        ReadScan s(out + "/eq15k_280.ra2");
        EXPECT_EQ(s.header.dataType, 'R');
        EXPECT_EQ(+s.header.cell, 2);
        EXPECT_EQ(+s.header.rpm, 15000.0f);
        EXPECT_NE(std::string(s.header.title).find(folder + "/00002.ra2"), std::string::npos) << s.header.title;
        ASSERT_EQ(s.n, 21);
        EXPECT_NEAR(s.s[1], 0.2 + 0.1 * std::exp(-0.2), 1e-5);
    }
    EXPECT_TRUE(std::filesystem::exists(out + "/eq22k_280.ra2"));

    const std::vector<std::string> xp = lines(out + "/cell2_280.xp");
    ASSERT_GE(xp.size(), 40u);
    EXPECT_EQ(xp[0], "4 (ExperimentType: MULTISEDEQ)");
    EXPECT_EQ(xp[1], "(exported xp file from MORVEX)");
    EXPECT_EQ(xp[2], "\"" + out + "/\" \" eq15k_280.ra2 eq22k_280.ra2\"");
    EXPECT_EQ(xp[3], "1.005000 (fBufferDensity)");
    EXPECT_EQ(xp[5], "0.720000 (VBAR)");
    EXPECT_EQ(xp[14], "1.000000 (WeightExperiment)");
    EXPECT_EQ(xp[15], "0.005000 (ExperimentalNoise)");
    EXPECT_EQ(xp[16], "0 (blocalFitTimeIndepNoise)");
    // the 0/1 switches of the format: the baseline fitted, bottom and
    // meniscus fixed
    EXPECT_EQ(xp[18], "1 (blocalAutoVaryBaseline)");
    EXPECT_EQ(xp[19], "0 (blocalVaryBottom)");
    EXPECT_EQ(xp[20], "0 (blocalVaryMeniscus)");
    EXPECT_EQ(xp[24], "2.500000 (xExtinctionCoeffA)");
    EXPECT_EQ(xp[26], "1.000000 (xExtinctionCoeffB)");
    EXPECT_EQ(xp[33], "2 (NFILES)");
    EXPECT_EQ(xp[38], "8 (rotor type:  EIGHTHOLE)");
    EXPECT_EQ(countContaining(xp, "(ppMultiLocalExtraConcs["), 6);
    EXPECT_EQ(countContaining(xp, "0.500000 (xExtinctionCoeffC)"), 1);
    EXPECT_EQ(xp.back(), "-1 (Temperature)");
    // the side plot of the last question stays: the latest 22000 rpm scan
    // over its fit range, all 21 radii 6.8..7.2
    EXPECT_NE(pAuxPlot, nullptr);
    ASSERT_EQ(nAuxArrayLength, 21);
    for (int k = 1; k <= 21; k += 10) {
        const double r = 6.8 + 0.02 * (k - 1);
        EXPECT_NEAR(pAuxArray1[k], r, 1e-5) << k;
        EXPECT_NEAR(pAuxArray2[k], 0.4 + 0.1 * std::exp(r - 7.0), 1e-5) << k;
    }
}

TEST_F(EqSortTest, InterferenceExperimentFilesAndTheirNoiseFlags)
{
    // cell 1 at 660 nm: two speeds give two files and noise flags 1
    Load({WriteScan("00001.IP1", 'P', 1, 660, 15000, 1, 1.0), WriteScan("00002.IP1", 'P', 1, 660, 15000, 2, 1.1),
          WriteScan("00003.IP1", 'P', 1, 660, 22000, 3, 1.2), WriteScan("00004.IP1", 'P', 1, 660, 22000, 4, 1.3)},
         2);
    {
        win::headless::Script script;
        Begin(script, true, true);
        Judge(script, "660 nm and 15000 rpm", true);
        Judge(script, "660 nm and 22000 rpm", true);
        Run(script, 579);
        EXPECT_EQ(script.pending(), 0u);
    }
    std::vector<std::string> xp = lines(out + "/cell1_IF.xp");
    ASSERT_GE(xp.size(), 20u);
    EXPECT_EQ(xp[16], "1 (blocalFitTimeIndepNoise)");
    EXPECT_EQ(xp[17], "1 (blocalFitRINoise)");

    // one speed accepted: one file, noise flags 0
    std::filesystem::remove(out + "/cell1_IF.xp");
    {
        win::headless::Script script;
        Begin(script, true, true);
        Judge(script, "660 nm and 15000 rpm", true, false);
        Judge(script, "660 nm and 22000 rpm", true);
        Run(script, 579);
    }
    xp = lines(out + "/cell1_IF.xp");
    ASSERT_GE(xp.size(), 20u);
    EXPECT_EQ(xp[0], "3 (ExperimentType: SEDEQUILIBRIUM)");
    EXPECT_EQ(xp[16], "0 (blocalFitTimeIndepNoise)");
    EXPECT_EQ(xp[17], "0 (blocalFitRINoise)");
    EXPECT_EQ(countContaining(xp, "(ppMultiLocalExtraConcs["), 3);
}

TEST_F(EqSortTest, IntensityScanWrittenAsAbsorbance)
{
    Load({WriteScan("00001.ri1", 'I', 1, 280, 15000, 1, 0.3)}, 0);
    ASSERT_EQ(nScans, 1);
    win::headless::Script script;
    Begin(script, false);
    script.expectMessageBox("accept EQ scan at 280 nm and 15000 rpm to be included? (no time-course available)",
                            win::IDYES);
    Run(script, 579);
    EXPECT_EQ(script.pending(), 0u);
    ReadScan s(out + "/eq15k_280.ra1");
    EXPECT_EQ(s.header.dataType, 'R');
    EXPECT_EQ(pScanHeaders[1].dataType, 'I');  // the loaded scan keeps its letter
    ASSERT_EQ(s.n, 21);
    EXPECT_NEAR(s.s[1], 0.3 + 0.1 * std::exp(-0.2), 1e-4);
    EXPECT_EQ(s.s[6], 10.0f);  // no sample intensity
    // the reference intensity stays in the third column
    EXPECT_NE(lines(out + "/eq15k_280.ra1")[2].find("1.00000e+03"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out + "/cell1_280.xp"));

    // extensions without a cell digit: the 'i' in either case becomes 'a'
    // in that same case, so the files are read as absorbance again
    Load({WriteScan("00002.ri", 'I', 2, 230, 15000, 2, 0.4), WriteScan("00003.RI", 'I', 3, 260, 15000, 3, 0.5)}, 0);
    ASSERT_EQ(nScans, 2);
    win::headless::Script second;
    Begin(second, false);
    second
        .expectMessageBox("accept EQ scan at 230 nm and 15000 rpm to be included? (no time-course available)",
                          win::IDYES)
        .expectMessageBox("accept EQ scan at 260 nm and 15000 rpm to be included? (no time-course available)",
                          win::IDYES);
    Run(second, 579);
    EXPECT_EQ(second.pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(out + "/eq15k_230.ri"));
    EXPECT_FALSE(std::filesystem::exists(out + "/eq15k_260.RI"));
    const struct {
        const char* szName;
        double level;
    } written[] = {{"/eq15k_230.ra", 0.4}, {"/eq15k_260.RA", 0.5}};
    for (const auto& w : written) {
        ReadScan a(out + w.szName);
        EXPECT_EQ(a.header.dataType, 'R') << w.szName;
        ASSERT_EQ(a.n, 21) << w.szName;
        EXPECT_NEAR(a.s[1], w.level + 0.1 * std::exp(-0.2), 1e-4) << w.szName;
    }
}

TEST_F(EqSortTest, NoAttainmentWritesNothingForThatSpeed)
{
    Load({WriteScan("00001.RA1", 'R', 1, 280, 15000, 1, 0.1), WriteScan("00002.RA1", 'R', 1, 280, 15000, 2, 0.2),
          WriteScan("00003.RA1", 'R', 1, 280, 22000, 3, 0.3), WriteScan("00004.RA1", 'R', 1, 280, 22000, 4, 0.4)},
         2);
    win::headless::Script script;
    Begin(script, true);
    Judge(script, "280 nm and 15000 rpm", false);
    Judge(script, "280 nm and 22000 rpm", false);
    Run(script, 579);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_F(EqSortTest, BlankOfTheGroupsWavelengthOnly)
{
    Load({WriteScan("00001.RA1", 'R', 1, 280, 15000, 1, 0.3)}, 0);
    const std::string near = WriteScan("blank282.RA1", 'R', 1, 282, 15000, 1, 0.05);
    const std::string far = WriteScan("blank230.RA1", 'R', 1, 230, 15000, 1, 0.05);
    for (const std::string& blank : {near, far}) {
        win::headless::Script script;
        script.expectMessageBox("(no time-course available)", win::IDYES);
        sortEqDataToDisk(window.get(), (out + "/x").c_str(), blank.c_str(), 5.0f, false, 1.0f, 0.73f, 1, 1, 0);
        EXPECT_EQ(script.pending(), 0u);
        ReadScan s(out + "/eq15k_280.RA1");
        // the blank is 0.05 + 0.1 exp(r - 7): subtracted it leaves 0.25
        const double expected = blank == near ? 0.25 : 0.3 + 0.1 * std::exp(-0.2);
        EXPECT_NEAR(s.s[1], expected, 1e-5) << blank;
    }
    // an unreadable blank: the sort goes on without it
    win::headless::Script script;
    script.expectMessageBox("LOAD ERROR in blank", win::IDOK).expectMessageBox("(no time-course available)", win::IDYES);
    sortEqDataToDisk(window.get(), (out + "/x").c_str(), (folder + "/none.RA1").c_str(), 5.0f, false, 1.0f, 0.73f, 1,
                     1, 0);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(EqSortTest, ExperimentFileThatCannotBeWritten)
{
    Load({WriteScan("00001.RA1", 'R', 1, 280, 15000, 1, 0.3)}, 0);
    std::filesystem::create_directories(out + "/cell1_280.xp");
    win::headless::Script script;
    Begin(script, true);
    script.expectMessageBox("(no time-course available)", win::IDYES)
        .expectMessageBox("could not open " + out + "/cell1_280.xp", win::IDOK);
    Run(script, 579);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(std::filesystem::exists(out + "/eq15k_280.RA1"));
}

TEST_F(EqSortTest, CoarseResolutionAsksFirst)
{
    Load({WriteScan("00001.RA1", 'R', 1, 280, 15000, 1, 0.3)}, 0);
    fRadialResolution = 0.002f;
    win::headless::Script script;
    script.expectMessageBox("resolution is limiting data points - continue?", win::IDNO)
        .expectMessageBox("change resolution?", win::IDNO);
    Run(script, 579);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_F(EqSortTest, SavedEquilibriumScanHoldsTheModelOfTheLatestScan)
{
    Load({WriteScan("00002.RA1", 'R', 1, 280, 15000, 2, 0.3), WriteScan("00001.RA1", 'R', 1, 280, 15000, 1, 0.1)}, 0);
    const int L = pScanTimeOrder[nScans];
    for (int k = 1; k <= pScanPoints[L]; ++k) ppFit[L][k] = 0.5f + 0.01f * k;
    const std::string path = out + "/eq.rxx";
    saveEquilibriumScan(path.c_str());
    ReadScan s(path);
    EXPECT_NE(std::string(s.header.title).find("equilibrium"), std::string::npos);
    EXPECT_EQ(+s.header.timeRead, 7200.0);
    ASSERT_EQ(s.n, 21);
    EXPECT_NEAR(s.s[3], 0.53f, 1e-5f);
}
