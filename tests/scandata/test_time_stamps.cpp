// The recorded elapsed times against the files' time stamps after a load:
// the factor, the report, the corrected copies and the reload of them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

using scantest::ScanRecipe;

namespace {

constexpr std::time_t kBase = 1700000000;

class TimeStampTest : public DataMenuTest {
protected:
    // Scans 00001.RA1 ... at the recorded times (s) at 40000 rpm; file k is
    // stamped kBase + factor x (time k - time 1) + shift k.
    std::vector<std::string> WriteRun(const std::string& folder, const std::vector<double>& times, double factor,
                                      const std::vector<double>& shifts = {},
                                      const std::vector<std::string>& titles = {}) {
        std::vector<std::string> paths;
        for (size_t k = 0; k < times.size(); ++k) {
            ScanRecipe recipe;
            recipe.rpm = 40000.0f;
            recipe.time = times[k];
            recipe.title = k < titles.size() ? titles[k] : "run one";
            recipe.signal = [k](int i, float) { return 0.1f * static_cast<float>(k + 1) + 0.001f * i; };
            char name[32];
            std::snprintf(name, sizeof(name), "%05zu.RA1", k + 1);
            paths.push_back(WriteScan(folder, name, recipe));
            const double shift = k < shifts.size() ? shifts[k] : 0.0;
            setModificationTime(paths.back(),
                                kBase + static_cast<std::time_t>(std::llround(factor * (times[k] - times[0]) + shift)));
        }
        return paths;
    }
    // The dialog and step of Load New Files; the questions of the check follow.
    win::headless::Script& ExpectLoad(win::headless::Script& script, const std::vector<std::string>& paths) {
        return script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", "1");
    }
};

std::time_t modificationTime(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtime;
}

}  // namespace

TEST_F(TimeStampTest, OnePercentSlowClockIsCorrectedAndTheCopiesLoaded) {
    bCheckTimeStamps = 1;
    const std::string folder = Folder("slow");
    const std::vector<double> times = {1000, 3000, 5000, 7000, 9000, 11000};
    // Scan 4's stamp lies 100 s off the line through the others.
    const std::vector<std::string> paths = WriteRun(folder, times, 1.01, {0, 0, 0, 100, 0, 0});
    const std::string original3 = scantest::readText(paths[2]);

    win::headless::Script script;
    ExpectLoad(script, paths).expectMessageBox("save corrected files and reload?", win::IDYES);
    Run(script, 200);
    EXPECT_EQ(script.pending(), 0u);  // the copies reload without a question

    // The report beside the data, opened with the desktop's text handler.
    const std::string report = scantest::readText(folder + "/timestampanalysis.txt");
    EXPECT_NE(report.find("--> correction factor (delta-file timestamp/delta-recorded time) = 1.010000"),
              std::string::npos);
    EXPECT_NE(report.find("OUTLIER " + paths[3] + ": t4 = "), std::string::npos);
    EXPECT_NE(report.find("found 1 files with odd time stamp"), std::string::npos);
    // Every scan after the first has its line: the stamp's distance from the
    // first file's, the recorded one, and their difference.
    for (int i = 2; i <= 6; ++i) {
        const double dRecorded = times[size_t(i - 1)] - times[0];
        const double dStamp = 1.01 * dRecorded + (i == 4 ? 100.0 : 0.0);
        char line[200];
        std::snprintf(line, sizeof(line),
                      "delta-t(%d-1) = %.1f sec, \t%.1f elapsed time difference recorded in file; discrepancy = %.1f;",
                      i, dStamp, dRecorded, dStamp - dRecorded);
        EXPECT_NE(report.find(line), std::string::npos) << line;
        EXPECT_NE(report.find("t" + std::to_string(i) + " = "), std::string::npos) << i;
    }
    EXPECT_NE(report.find("[residual from OS projection = -100.000000]"), std::string::npos);
    EXPECT_TRUE(transcriptShows(script, "Start WinExec \"notepad.exe " + folder + "/timestampanalysis.txt\" -> open"));

    // The loaded set is the corrected copies, times and omega squared t
    // stretched by the factor.
    ASSERT_EQ(nScans, 6);
    for (int i = 1; i <= 6; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "tcorr_%05d.RA1", i);
        EXPECT_STREQ(ppScanFileName[i], name);
        EXPECT_NEAR(pScanHeaders[i].time, 1.01 * times[i - 1], 0.5);
        const double w = 40000.0 * M_PI / 30.0;
        EXPECT_NEAR(pScanHeaders[i].omega2t / (w * w * 1.01 * times[i - 1]), 1.0, 1e-4);
        EXPECT_EQ(std::strncmp(pScanHeaders[i].title, "[TIMESTAMP CORRECTED 1.010000]run one", 37), 0);
        EXPECT_NEAR(ppSignal[i][10], 0.1f * i + 0.01f, 1e-5);
    }
    EXPECT_EQ(std::string(szWindowTitle), "SEDIMENTATION ANALYSIS -> " + folder + "/tcorr_00001.RA1...");
    // The copies keep the originals' stamps; the originals stay as they were.
    EXPECT_EQ(modificationTime(folder + "/tcorr_00006.RA1"), modificationTime(paths[5]));
    EXPECT_EQ(scantest::readText(paths[2]), original3);
    std::string list = "newformat n=1\n" + folder + "\n";
    for (int i = 1; i <= 6; ++i) list += "tcorr_0000" + std::to_string(i) + ".RA1\n";
    EXPECT_EQ(scantest::readText(folder + "/list_corr.RA1"), list);
}

TEST_F(TimeStampTest, SmallFactorShortSpanAndManualFactor) {
    bCheckTimeStamps = 1;
    // 1.0005 is within the threshold of 1.001: no report, no question.
    const std::string near = Folder("near");
    const std::vector<std::string> nearPaths = WriteRun(near, {0, 2000, 4000, 6000, 8000, 10000}, 1.0005);
    {
        win::headless::Script script;
        ExpectLoad(script, nearPaths);
        Run(script, 200);
        EXPECT_EQ(nScans, 6);
        EXPECT_STREQ(ppScanFileName[1], "00001.RA1");
    }
    EXPECT_FALSE(std::filesystem::exists(near + "/timestampanalysis.txt"));
    // A factor of exactly the threshold (10010 s of stamps over 10000 s
    // recorded) is not above it: no report, no question either.
    const std::string atThreshold = Folder("at");
    const std::vector<std::string> atPaths = WriteRun(atThreshold, {0, 2000, 4000, 6000, 8000, 10000}, 1.001);
    {
        win::headless::Script script;
        ExpectLoad(script, atPaths);
        Run(script, 200);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(nScans, 6);
        EXPECT_STREQ(ppScanFileName[1], "00001.RA1");
        EXPECT_FALSE(transcriptShows(script, "save corrected files and reload?"));
    }
    EXPECT_FALSE(std::filesystem::exists(atThreshold + "/timestampanalysis.txt"));
    EXPECT_FALSE(std::filesystem::exists(atThreshold + "/tcorr_00001.RA1"));
    {
        // Dropped, the list loader checks the stamps too, and the caption
        // still names the first file afterwards.
        win::headless::Script script;
        script.dropFiles(nearPaths)
            .expectMessageBox("erase currently loaded data?", win::IDYES)
            .expectInput("load every n'th file:", "1");
        win::headless::processMessages();
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(std::string(szWindowTitle), "SEDIMENTATION ANALYSIS -> " + nearPaths[0] + "...");
    }

    // A recorded span below 60 s tells nothing: the factor may be entered.
    const std::string shortRun = Folder("short");
    const std::vector<std::string> shortPaths = WriteRun(shortRun, {1000, 1020, 1040}, 1.0);
    {
        win::headless::Script script;
        ExpectLoad(script, shortPaths).expectMessageBox("no time stamp information available", win::IDNO);
        Run(script, 200);
        EXPECT_EQ(nScans, 3);
        EXPECT_STREQ(ppScanFileName[1], "00001.RA1");
    }
    {
        win::headless::Script script;
        ExpectLoad(script, shortPaths)
            .expectMessageBox("no time stamp information available", win::IDYES)
            .expectInput("time dilation factor", "1.02")
            .expectMessageBox("save corrected files and reload?", win::IDYES);
        Run(script, 200);
        ASSERT_EQ(nScans, 3);
        EXPECT_STREQ(ppScanFileName[1], "tcorr_00001.RA1");
        EXPECT_NEAR(pScanHeaders[1].time, 1020.0, 1.0);  // whole seconds in the file
        EXPECT_EQ(scantest::readText(shortRun + "/tcorr_00001.RA1").rfind("[TIMESTAMP CORRECTED 1.020000 (manual)]run one\n", 0), 0u);
    }
}

TEST_F(TimeStampTest, MixedMarkersAndTimesRebuiltFromTheStamps) {
    bCheckTimeStamps = 1;
    // First and last scans checked, one between not: reported, and the set
    // stays loaded as it is (a reload could only bring it back mixed).
    const std::string mixed = Folder("mixed");
    const std::vector<std::string> mixedPaths =
        WriteRun(mixed, {100, 200, 300}, 1.0, {}, {"[T OK] a", "b", "[T OK] c"});
    {
        win::headless::Script script;
        ExpectLoad(script, mixedPaths).expectMessageBox("some scans time corrected, others not", win::IDOK);
        Run(script, 200);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(nScans, 3);
        EXPECT_STREQ(ppScanFileName[2], "00002.RA1");
    }

    // Five scans stamped 0, 100, 250, 400, 600 s apart; times rebuilt around
    // scan 3 (recorded at 3000 s).
    bCheckTimeStamps = 0;
    const std::string folder = Folder("restore");
    const std::vector<double> times = {1000, 2000, 3000, 4000, 5000};
    const std::vector<std::string> paths = WriteRun(folder, times, 0.0, {0, 100, 250, 400, 600});
    win::headless::Script script;
    ExpectLoad(script, paths);
    Run(script, 200);
    ASSERT_EQ(nScans, 5);
    const ScanHeader ref = pScanHeaders[3];
    script.expectMessageBox("using #1", win::IDNO)
        .expectInput("pick file #", "3")
        .expectMessageBox("using #3", win::IDYES)
        .expectMessageBox("save new data?", win::IDNO);
    Run(script, 922);
    EXPECT_EQ(script.pending(), 0u);
    const double w2 = std::pow(static_cast<float>(40000.0 * 0.10471975511965977), 2);
    const double stamps[6] = {0, 0, 100, 250, 400, 600};
    for (int i = 1; i <= 5; ++i) {
        const double dt = stamps[i] - stamps[3];
        EXPECT_DOUBLE_EQ(pScanHeaders[i].time, ref.time + dt) << i;
        EXPECT_DOUBLE_EQ(pScanHeaders[i].timeWritten, ref.timeWritten + dt) << i;
        EXPECT_NEAR(pScanHeaders[i].omega2t, ref.omega2t + w2 * dt, 1e-6 * ref.omega2t) << i;
    }

    // A file that can no longer be read (the fourth) is named, and no scan's
    // times change, also not those of the scans before it.
    std::vector<ScanHeader> before(pScanHeaders + 1, pScanHeaders + 6);
    std::filesystem::remove(paths[3]);
    setModificationTime(paths[1], kBase + 5000);
    script.expectMessageBox("using #1", win::IDYES).expectMessageBox("Attention: could not open " + paths[3], win::IDOK);
    Run(script, 922);
    EXPECT_EQ(script.pending(), 0u);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_DOUBLE_EQ(pScanHeaders[i].time, before[size_t(i - 1)].time) << i;
        EXPECT_DOUBLE_EQ(pScanHeaders[i].timeWritten, before[size_t(i - 1)].timeWritten) << i;
        EXPECT_DOUBLE_EQ(pScanHeaders[i].timeRead, before[size_t(i - 1)].timeRead) << i;
        EXPECT_DOUBLE_EQ(pScanHeaders[i].omega2t, before[size_t(i - 1)].omega2t) << i;
    }
}

TEST_F(TimeStampTest, ACopyThatCannotBeWrittenLeavesTheSetAsItWas) {
    bCheckTimeStamps = 1;
    const std::string folder = Folder("blocked");
    const std::vector<double> times = {1000, 3000, 5000};
    const std::vector<std::string> paths = WriteRun(folder, times, 1.01);
    std::filesystem::create_directories(folder + "/tcorr_00002.RA1");
    win::headless::Script script;
    ExpectLoad(script, paths)
        .expectMessageBox("save corrected files and reload?", win::IDYES)
        .expectMessageBox("Attention: could not open " + folder + "/tcorr_00002.RA1", win::IDOK);
    testing::internal::CaptureStdout();  // the writer's own line
    Run(script, 200);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\n\aAttention: could not open " + folder + "/tcorr_00002.RA1\n");
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(nScans, 3);
    EXPECT_STREQ(ppScanFileName[2], "00002.RA1");
    EXPECT_DOUBLE_EQ(pScanHeaders[2].time, 3000.0);
    EXPECT_FALSE(std::filesystem::exists(folder + "/list_corr.RA1"));
}

TEST_F(TimeStampTest, EquilibriumScansCountAsCheckedWithoutAQuestion) {
    bCheckTimeStamps = 1;
    // Loaded as equilibrium data, a clock 1 % slow is not looked at: no report, no question, the
    // originals stay loaded, and every scan counts as checked.
    const std::string folder = Folder("equilibrium");
    const std::vector<std::string> paths = WriteRun(folder, {1000, 3000, 5000}, 1.01);
    {
        win::headless::Script script;
        script.expectOpenFile("select files in set 1 to fit", paths);
        Run(script, 515);
        EXPECT_EQ(script.pending(), 0u);
    }
    ASSERT_EQ(nScans, 3);
    EXPECT_FALSE(std::filesystem::exists(folder + "/timestampanalysis.txt"));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_STREQ(ppScanFileName[i], ("0000" + std::to_string(i) + ".RA1").c_str());
        EXPECT_EQ(+pScanHeaders[i].timeStampChecked, 1) << i;
    }

    // One scan without a marker counts as checked too: an initial scan the
    // program wrote (marked) matches it, an unmarked one does not.
    const std::string single = Folder("single");
    const std::vector<std::string> one = WriteRun(single, {2000}, 1.0);
    {
        win::headless::Script script;
        script.expectOpenFile("select files in set 1 to fit", one);
        Run(script, 515);
        EXPECT_EQ(script.pending(), 0u);
    }
    ASSERT_EQ(nScans, 1);
    EXPECT_EQ(+pScanHeaders[1].timeStampChecked, 1);
    ScanRecipe initial;
    initial.title = "[T OK] initial";
    const std::string marked = WriteScan(single, "marked.RA1", initial);
    initial.title = "initial";
    const std::string unmarked = WriteScan(single, "unmarked.RA1", initial);
    {
        win::headless::Script script;
        EXPECT_EQ(setInitialData(window.get(), marked.c_str()), 1);
        EXPECT_FALSE(transcriptShows(script, "discrepancy"));
        script.expectMessageBox(unmarked + "\n time stamp correction discrepancy with previous data!", win::IDOK);
        EXPECT_EQ(setInitialData(window.get(), unmarked.c_str()), 1);
        EXPECT_EQ(script.pending(), 0u);
    }
}
