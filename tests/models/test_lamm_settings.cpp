// The Lamm equation settings file "morvexlammparams.ini": missing, short,
// old and damaged files, exact round trips, and who reads it at start.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_fixture.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "app/xla_app.h"
#include "app/xla_window.h"
#include "models/lamm_settings.h"
#include "models/model_globals.h"
#include "platform/win.h"

using namespace win;

namespace {

// n lines of the settings file: the defaults as six-decimal numbers, with
// some entries replaced.
std::string settingsText(int n, const std::vector<std::pair<int, std::string>>& changes = {})
{
    const char* defaults[28] = {"5.000000",  "1.000000", "0.000100",  "1.000000", "1000.000000", "5.000000",
                                "2000.000000", "75.000000", "0.000000", "1.000000", "0.000000",    "0.000000",
                                "1.000000",  "1.000000", "0.000000",  "0.010000", "1.000000",    "60.000000",
                                "1.000000",  "0.000000", "1.000000",  "-6.000000", "0.000000",   "0.000000",
                                "2.430000",  "0.008000", "1.000000",  "10.000000"};
    std::vector<std::string> lines(defaults, defaults + n);
    for (const auto& c : changes) lines[c.first - 1] = c.second;
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

class LammSettingsFile : public AppFolderTest {};

}  // namespace

TEST_F(LammSettingsFile, NoFileKeepsTheDefaultsSilently)
{
    headless::Script script;
    EXPECT_EQ(ReadLammEqParameterPreferences(nullptr), 0);
    EXPECT_TRUE(script.lines().empty());
    EXPECT_FALSE(std::filesystem::exists(szLammParamsIniPath));
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_EQ(dTruncateLevel, 1e-6);
    EXPECT_TRUE(bMovingHat);
    EXPECT_TRUE(bRampRotorSpeed);
}

TEST_F(LammSettingsFile, ShortFilesAreUpgradedOrRefused)
{
    // 26 lines: entries 1-26 taken, 27 and 28 keep their defaults, and the
    // file is brought up to 28 lines at once
    writeText(szLammParamsIniPath, settingsText(26, {{5, "500.000000"}, {12, "1.000000"}, {22, "-5.000000"}}));
    {
        headless::Script script;
        EXPECT_EQ(ReadLammEqParameterPreferences(nullptr), 1);
        EXPECT_TRUE(script.lines().empty());
    }
    EXPECT_EQ(nDefaultGridSize, 500);
    EXPECT_TRUE(bClaverie);
    EXPECT_DOUBLE_EQ(dTruncateLevel, 1e-5);
    EXPECT_TRUE(bCheckRotorAcceleration);
    EXPECT_EQ(dSpeedStepDShutoff, 10.0);
    std::vector<std::string> lines = readLines(szLammParamsIniPath);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[4], "500");
    EXPECT_EQ(lines[26], "1");
    EXPECT_EQ(lines[27], "10");

    // 25 lines: the message, and every setting keeps its value
    nDefaultGridSize = 1000;
    bClaverie = 0;
    writeText(szLammParamsIniPath, settingsText(25, {{5, "300"}}));
    headless::Script script;
    script.expectMessageBox("LAMM EQUATION PARAMETERS", IDOK);
    EXPECT_EQ(ReadLammEqParameterPreferences(nullptr), 0);
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_EQ(script.lines()[0], "MessageBox \"LAMM EQUATION PARAMETERS\" \"cannot find " +
                                     std::string(szLammParamsIniPath) +
                                     " to initialize Lamm eq. preferences\\n -> using defaults now\" MB_OK -> IDOK");
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_EQ(readLines(szLammParamsIniPath).size(), 25u);  // not rewritten
}

TEST_F(LammSettingsFile, FlagsSizesAndLevelsAsTheFileHoldsThem)
{
    // a flag is on above 0; times from w2t take the ramp off; whole numbers
    // are cut towards zero; entry 22 is the log10 of the level
    const std::string text = settingsText(28, {{2, "0.5"},
                                               {4, "-1"},
                                               {5, "999.7"},
                                               {7, "2500.9"},
                                               {9, "0.25"},
                                               {13, "0"},
                                               {22, "-7.5"},
                                               {25, "3.25 cm/min and the rest of the line"}});
    writeText(szLammParamsIniPath, text);
    ASSERT_EQ(ReadLammEqParameterPreferences(nullptr), 1);
    // a file of all 28 entries is read and left as it stands
    EXPECT_EQ(readText(szLammParamsIniPath), text);
    EXPECT_TRUE(bShutOffBackDiffusion);
    EXPECT_FALSE(bAutoDynamicGridSize);
    EXPECT_EQ(nDefaultGridSize, 999);
    EXPECT_EQ(nDynGridUpperLimit, 2500);
    EXPECT_TRUE(bTimesFromW2t);
    EXPECT_FALSE(bRampRotorSpeed);
    EXPECT_FALSE(bMovingHat);
    EXPECT_DOUBLE_EQ(dTruncateLevel, std::pow(10.0, -7.5));
    EXPECT_FLOAT_EQ(fScanVelocity, 3.25f);
    // a file of six-decimal numbers reads as it always did
    EXPECT_EQ(dBackDiffusionLevel, 1e-4);
    EXPECT_FLOAT_EQ(fTolerance, 0.01f);
}

TEST_F(LammSettingsFile, EveryValueSurvivesARestartExactly)
{
    // "%f" wrote a level of 1e-7 as 0.000000, which silently switched the
    // back-diffusion test off after the next start
    dBackDiffusionLevel = 1e-7;
    dTruncateLevel = 3.0199517204020162e-05;
    fConvolutionRange = 0.00123f;
    fTolerance = 0.0001234f;
    dSGrid = -12.345678901234;
    nDefaultGridSize = 777;
    bTimesFromW2t = 1;
    ASSERT_EQ(SaveLammEqParameterPreferences(nullptr), 1);
    std::vector<std::string> lines = readLines(szLammParamsIniPath);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[2], "1e-07");
    EXPECT_EQ(lines[8], "1");

    const double pSaved[] = {dBackDiffusionLevel, dTruncateLevel, dSGrid};
    dBackDiffusionLevel = dTruncateLevel = dSGrid = 0;
    fConvolutionRange = fTolerance = 0;
    nDefaultGridSize = 0;
    bTimesFromW2t = 0;
    ASSERT_EQ(ReadLammEqParameterPreferences(nullptr), 1);
    EXPECT_EQ(dBackDiffusionLevel, pSaved[0]);
    EXPECT_EQ(dBackDiffusionLevel, 1e-7);
    EXPECT_NEAR(dTruncateLevel, pSaved[1], 1e-14 * pSaved[1]);  // through its log10
    EXPECT_EQ(dSGrid, pSaved[2]);
    EXPECT_EQ(fConvolutionRange, 0.00123f);
    EXPECT_EQ(fTolerance, 0.0001234f);
    EXPECT_EQ(nDefaultGridSize, 777);
    EXPECT_TRUE(bTimesFromW2t);
    EXPECT_FALSE(bRampRotorSpeed);
}

TEST_F(LammSettingsFile, DamagedValuesAreNotApplied)
{
    // a number that is not finite ends the file there: too short, ignored
    headless::Script script;
    script.expectMessageBox("LAMM EQUATION PARAMETERS", IDOK);
    writeText(szLammParamsIniPath, settingsText(28, {{10, "nan"}, {5, "400"}}));
    EXPECT_EQ(ReadLammEqParameterPreferences(nullptr), 0);
    EXPECT_EQ(nDefaultGridSize, 1000);
    // ...also when it is finite only in double precision
    script.expectMessageBox("LAMM EQUATION PARAMETERS", IDOK);
    writeText(szLammParamsIniPath, settingsText(28, {{20, "1e300"}}));
    EXPECT_EQ(ReadLammEqParameterPreferences(nullptr), 0);
    EXPECT_EQ(script.pending(), 0u);

    // sizes, limits, points per sigma and scan velocities the dialog would
    // refuse keep their values; a huge one is held to the largest int (which
    // no allocation takes)
    writeText(szLammParamsIniPath,
              settingsText(28, {{5, "0"}, {6, "-2"}, {7, "0.4"}, {8, "-75"}, {22, "-999"}, {25, "0"}}));
    ASSERT_EQ(ReadLammEqParameterPreferences(nullptr), 1);
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_EQ(fPointsPerSigma, 5.0f);
    EXPECT_EQ(fScanVelocity, 2.43f);
    EXPECT_EQ(nDynGridUpperLimit, 2000);
    EXPECT_EQ(nDynGridLowerLimit, 75);
    EXPECT_EQ(dTruncateLevel, 1e-6);  // 10^-999 is no level
    writeText(szLammParamsIniPath, settingsText(28, {{5, "1e30"}}));
    ASSERT_EQ(ReadLammEqParameterPreferences(nullptr), 1);
    EXPECT_EQ(nDefaultGridSize, INT_MAX);
}

// Grid sizes below 75 points, which the dialog refuses (the least size every
// solver can use), keep the settings; 75 is taken.
TEST_F(LammSettingsFile, GridSizesBelowTheLeastKeepTheirSettings)
{
    writeText(szLammParamsIniPath, settingsText(28, {{5, "3"}, {7, "74.9"}, {8, "1"}}));
    ASSERT_EQ(ReadLammEqParameterPreferences(nullptr), 1);
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_EQ(nDynGridUpperLimit, 2000);
    EXPECT_EQ(nDynGridLowerLimit, 75);
    writeText(szLammParamsIniPath, settingsText(28, {{5, "75"}, {7, "75"}, {8, "75"}}));
    ASSERT_EQ(ReadLammEqParameterPreferences(nullptr), 1);
    EXPECT_EQ(nDefaultGridSize, 75);
    EXPECT_EQ(nDynGridUpperLimit, 75);
    EXPECT_EQ(nDynGridLowerLimit, 75);
}

TEST_F(LammSettingsFile, TheMainWindowReadsItUnlessTheRunIsUnattended)
{
    writeText(szLammParamsIniPath, settingsText(28, {{5, "640"}}));
    defaultPreferences.bDisclaimerAccepted = 1;
    writeDefaultPreferences();

    bHaveRunParameters = 1;  // unattended: the defaults stay
    {
        TXLAApp app("RADOdodedez");
        app.InitMainWindow();
        EXPECT_TRUE(bBatchMode);
    }
    EXPECT_EQ(nDefaultGridSize, 1000);

    bHaveRunParameters = 0;
    {
        TXLAApp app("RADOdodedez");
        app.InitMainWindow();
        EXPECT_FALSE(bBatchMode);
    }
    EXPECT_EQ(nDefaultGridSize, 640);
    pMainWindow = nullptr;
    bBatchMode = 0;
}
