// The defaults file, the last-directory file and the paths built at start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/app_fixture.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "fitting/fit_globals.h"
#include "scandata/scan_data.h"

TEST_F(AppFolderTest, PathsLieBesideTheProgramOrInTheWorkingFolder)
{
    setUpDataFilePaths("/opt/morvex");
    EXPECT_STREQ(szProgramDir, "/opt/morvex/");
    EXPECT_STREQ(szSoundError, "/opt/morvex/sounds/error.wav");
    EXPECT_STREQ(szSoundBeer, "/opt/morvex/sounds/beer.wav");
    EXPECT_EQ(std::string(szParamsIniPath), work + "morvexparams.ini");
    EXPECT_EQ(std::string(szLastDirIniPath), work + "morvex.ini");
    EXPECT_EQ(std::string(szIntegrRangeFilePath), std::string(szIntegrRangeFilePath2));
    // the temporary folder is made at start-up and ends with its separator
    EXPECT_EQ(std::string(szTempDir), work + "temp/");
    EXPECT_TRUE(std::filesystem::is_directory(szTempDir));

    // a program folder so deep that a path cannot fit stays empty, not cut
    std::string deep = "/" + std::string(250, 'd') + "/";
    setUpDataFilePaths(deep.c_str());
    EXPECT_STREQ(szSoundQuestion, "");

    // The program folder itself is kept in 260 bytes: one of 259 characters
    // with its "/" is the longest kept whole. A longer one (260, 261, 300) is
    // left empty, not cut to some other folder, and so are the paths beside
    // it, rather than names in the current folder.
    const std::string longest = "/" + std::string(257, 'p') + "/";
    setUpDataFilePaths(longest.c_str());
    EXPECT_EQ(std::string(szProgramDir), longest);
    EXPECT_STREQ(szDrellixExePath, "");
    for (size_t n : {260u, 261u, 300u}) {
        const std::string over = "/" + std::string(n - 2, 'p') + "/";
        setUpDataFilePaths(over.c_str());
        EXPECT_STREQ(szProgramDir, "") << n << " characters";
        EXPECT_STREQ(szSoundQuestion, "") << n << " characters";
        EXPECT_STREQ(szStructureExePath, "") << n << " characters";
    }

    // The same for a working folder too long to keep: no settings file and
    // no temporary folder, and start-up says so.
    const std::string xdg = work.substr(0, work.size() - std::strlen("morvex/"));
    const std::string deepXdg = scratch + std::string(200, 'x') + "/" + std::string(60, 'y');
    setenv("XDG_CONFIG_HOME", deepXdg.c_str(), 1);
    EXPECT_EQ(setUpDataFilePaths("/opt/morvex"), 0);
    EXPECT_STREQ(szWorkDir, "");
    EXPECT_STREQ(szParamsIniPath, "");
    EXPECT_STREQ(szTempDir, "");
    EXPECT_STREQ(szProgramDir, "/opt/morvex/");
    setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    EXPECT_EQ(setUpDataFilePaths("/opt/morvex"), 1);
    EXPECT_EQ(std::string(szWorkDir), work);
}

TEST_F(AppFolderTest, MissingShortDamagedAndFullDefaultsFiles)
{
    // missing: defaults, and the file is written whole
    bSound = 0;
    EXPECT_EQ(readDefaultPreferences(), 0);
    EXPECT_EQ(bSound, 1);
    EXPECT_EQ(nLammThreads, 2);
    EXPECT_EQ(fGradientLimit, 500.0f);
    EXPECT_EQ(dTimeStampThreshold, 1.001);
    std::vector<std::string> lines = readLines(szParamsIniPath);
    ASSERT_EQ(static_cast<int>(lines.size()), defaultPreferenceLines());
    EXPECT_EQ(lines[0], "0");    // disclaimer not yet accepted
    EXPECT_EQ(lines[10], "0");   // entry 10: integration ranges from file

    // short: the lines there are kept, the rest get defaults, rewritten
    writeText(szParamsIniPath, "1\n0\n0\n1.02\n6\n");
    EXPECT_EQ(readDefaultPreferences(), 0);
    EXPECT_EQ(defaultPreferences.bDisclaimerAccepted, 1);
    EXPECT_EQ(bSound, 0);
    EXPECT_EQ(bCheckTimeStamps, 0);
    EXPECT_DOUBLE_EQ(dTimeStampThreshold, 1.02);
    EXPECT_EQ(nLammThreads, 6);
    EXPECT_EQ(nNEQThreads, 2);
    EXPECT_EQ(static_cast<int>(readLines(szParamsIniPath).size()), defaultPreferenceLines());

    // damaged or out of range: that entry alone gets its default
    lines = readLines(szParamsIniPath);
    lines[3] = "10.5";    // a time-stamp factor above the 10 of the range
    lines[4] = "0";       // no threads at all
    lines[6] = "65";      // one distribution thread more than the 64 of the range
    lines[8] = "fast";    // no number
    lines[10] = "2";      // not a flag either, though a whole number
    lines[11] = "1.5";    // not a flag
    std::string text;
    for (auto& l : lines) text += l + "\n";
    writeText(szParamsIniPath, text);
    EXPECT_EQ(readDefaultPreferences(), 0);
    EXPECT_EQ(dTimeStampThreshold, 1.001);
    EXPECT_EQ(nLammThreads, 2);
    EXPECT_EQ(nNEQThreads, 2);
    EXPECT_EQ(fGradientLimit, 500.0f);
    EXPECT_EQ(bUseIntegrationRangesFile, 0);
    EXPECT_EQ(bScanColorFromTime, 0);
    EXPECT_EQ(bSound, 0);  // untouched neighbours stay
    EXPECT_EQ(readLines(szParamsIniPath)[10], "0");

    // full and valid: read as it stands, not rewritten, values exact, the
    // ends of the thread ranges included
    dTimeStampThreshold = 1.0049999999999999;
    fGradientLimit = 123.456f;
    nLammThreads = 1;
    nNEQThreads = 64;
    ASSERT_EQ(writeDefaultPreferences(), 1);
    dTimeStampThreshold = 0;
    fGradientLimit = 0;
    nLammThreads = nNEQThreads = 0;
    auto before = std::filesystem::last_write_time(szParamsIniPath);
    EXPECT_EQ(readDefaultPreferences(), 1);
    EXPECT_EQ(dTimeStampThreshold, 1.0049999999999999);
    EXPECT_EQ(fGradientLimit, 123.456f);
    EXPECT_EQ(nLammThreads, 1);
    EXPECT_EQ(nNEQThreads, 64);
    EXPECT_EQ(std::filesystem::last_write_time(szParamsIniPath), before);

    // the smallest gradient limit the preferences dialog takes is read back
    fGradientLimit = 1e-6f;
    ASSERT_EQ(writeDefaultPreferences(), 1);
    fGradientLimit = 0;
    EXPECT_EQ(readDefaultPreferences(), 1);
    EXPECT_EQ(fGradientLimit, 1e-6f);
}

// Lines 12-15 are the annealing settings of the fits: the start temperature
// (the current one starts there), steps, iterations, and the final polish.
TEST_F(AppFolderTest, TheAnnealingLinesSetTheFitEngine)
{
    readDefaultPreferences();
    std::vector<std::string> lines = readLines(szParamsIniPath);
    ASSERT_EQ(lines.size(), 16u);
    lines[12] = "3.5";
    lines[13] = "4";
    lines[14] = "250";
    lines[15] = "2";
    std::string text;
    for (auto& l : lines) text += l + "\n";
    writeText(szParamsIniPath, text);
    EXPECT_EQ(readDefaultPreferences(), 1);
    EXPECT_EQ(SAmaxTemp, 3.5f);
    EXPECT_EQ(fSATemperature, 3.5f);
    EXPECT_EQ(nSANumberOfTemps, 4);
    EXPECT_EQ(nSAItMax, 250);
    EXPECT_EQ(bAnnealFinalSimplex, 1);
    EXPECT_EQ(bSAFinalML, 0);
    lines[15] = "0";  // neither polish
    text.clear();
    for (auto& l : lines) text += l + "\n";
    writeText(szParamsIniPath, text);
    readDefaultPreferences();
    EXPECT_EQ(bAnnealFinalSimplex + bSAFinalML, 0);
}

TEST_F(AppFolderTest, SetDefaultPreferenceRewritesOneEntry)
{
    // no file yet: nothing to rewrite
    EXPECT_EQ(setDefaultPreference(nullptr, 10, 1), 0);
    readDefaultPreferences();
    std::vector<std::string> before = readLines(szParamsIniPath);
    EXPECT_EQ(setDefaultPreference(nullptr, 10, 1), 1);
    std::vector<std::string> after = readLines(szParamsIniPath);
    ASSERT_EQ(after.size(), before.size());
    for (size_t k = 0; k < after.size(); ++k) {
        if (k != 10) {
            EXPECT_EQ(after[k], before[k]) << "line " << k;
        }
    }
    EXPECT_EQ(after[10], "1");
    readDefaultPreferences();
    EXPECT_EQ(bUseIntegrationRangesFile, 1);
    // entry 0 is the disclaimer, not a preference; past the end is refused;
    // the first and the last entry of the table in docs/app.md are taken
    EXPECT_EQ(setDefaultPreference(nullptr, 0, 1), 0);
    EXPECT_EQ(setDefaultPreference(nullptr, defaultPreferenceLines(), 1), 0);
    EXPECT_EQ(setDefaultPreference(nullptr, 1, 0), 1);   // bSound
    EXPECT_EQ(setDefaultPreference(nullptr, 15, 2), 1);  // final polish: simplex
    readDefaultPreferences();
    EXPECT_EQ(bSound, 0);
    EXPECT_EQ(bAnnealFinalSimplex, 1);
    // a file too short for the entry is left alone
    writeText(szParamsIniPath, "1\n1\n");
    EXPECT_EQ(setDefaultPreference(nullptr, 10, 0), 0);
    EXPECT_EQ(readText(szParamsIniPath), "1\n1\n");
}

TEST_F(AppFolderTest, LastDataDirectory)
{
    char sz[260] = "x";
    loadLastDirectory(nullptr, sz);
    EXPECT_STREQ(sz, "");
    saveLastDirectory(nullptr, "/data/run 7/scan00012.RA1");
    EXPECT_EQ(readText(szLastDirIniPath), "/data/run 7/\n");
    loadLastDirectory(nullptr, sz);
    EXPECT_STREQ(sz, "/data/run 7/");
    // a directory longer than 100 characters comes back whole
    std::string deep = "/data/" + std::string(150, 'x') + "/";
    saveLastDirectory(nullptr, (deep + "a.ip1").c_str());
    loadLastDirectory(nullptr, sz);
    EXPECT_EQ(std::string(sz), deep);
    // so does one of 259, the longest the 260-character buffer holds; one of
    // 260 is written whole and left empty at the next start, not cut
    for (const size_t n : {259, 260}) {
        deep = "/data/" + std::string(n - 7, 'y') + "/";
        saveLastDirectory(nullptr, (deep + "scan00001.RA1").c_str());
        EXPECT_EQ(readText(szLastDirIniPath), deep + "\n");
        loadLastDirectory(nullptr, sz);
        EXPECT_EQ(std::string(sz), n < 260 ? deep : "") << n;
    }
}
