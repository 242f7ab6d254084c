// The parameters of the time-to-equilibrium tool: the filling volume, the
// species completed from M and f/f0, the preferences file and its side
// files, and the dialog's checks.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <cstdio>
#include <string>

#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_fixture.h"
#include "app/data_file_paths.h"
#include "app/window_fixture.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "resources/dialog_templates.h"
#include "platform/win.h"
#include "scandata/rotor_speed_profile.h"

using namespace win;

namespace {

// The file's text of the record's values, with one value replaced.
std::string valuesText(const TimeToEqParams& p, int nReplace = -1, float fValue = 0, int nCount = 41)
{
    float v[nTimeToEqFileValues];
    timeToEqParamsToValues(p, v);
    if (nReplace >= 0) v[nReplace] = fValue;
    std::string text;
    char sz[64];
    for (int k = 0; k < nCount; ++k) {
        std::snprintf(sz, sizeof sz, "%f\n", v[k]);
        text += sz;
    }
    return text;
}

}  // namespace

TEST(TimeToEqParameters, FillingVolumeAndSpeciesCompletion)
{
    // 120 ul of the 12 mm centrepiece below a bottom of 7.2 cm
    EXPECT_NEAR(volumeToMeniscus(120.0f, 7.2f), 6.858f, 0.0005f);
    EXPECT_FLOAT_EQ(volumeToMeniscus(0.0f, 7.2f), 7.2f);

    // species 1 at the defaults: M 65000, f/f0 1.4, vbar 0.73, 20 C, water
    TimeToEqParams p;
    p.fDensity = 0.99823f;
    p.fViscosity = 0.001002f;  // 0.01002 P
    p.fVbar = p.fVbar2 = 0.73f;
    completeTimeToEqSpecies(&p);
    EXPECT_NEAR(p.fS1, 4.164f, 0.0005f);
    EXPECT_NEAR(p.dD1, 5.755e-7, 0.0005e-7);
    // the Svedberg relation gives M back
    const double RT = 293.15 * 8.31451e7;
    EXPECT_NEAR(p.fS1 * 1e-13 / p.dD1 * RT / (1 - 0.73 * 0.99823), 65000.0, 1.0);
    // the compact sphere itself: f/f0 of 1.4 slows it by that factor
    EXPECT_NEAR(sphereSFromM(65000.0f, 0.73f, 20.0f, 0.99823f, 1.0f) / 1.4f, p.fS1, 1e-5f);

    // from s instead: f/f0 follows
    p.bUseFf01 = 0;
    p.fS1 = 5.0f;
    completeTimeToEqSpecies(&p);
    EXPECT_NEAR(p.fFf01, 4.164f * 1.4f / 5.0f, 0.001f);
    EXPECT_NEAR(p.dD1, 5.755e-7 * 5.0 / 4.164, 0.001e-7);
}

class TimeToEqPreferencesTest : public AppFolderTest {
protected:
    void TearDown() override
    {
        resetTimeToEqParams(&timeToEqParams);
        AppFolderTest::TearDown();
    }
};

TEST_F(TimeToEqPreferencesTest, FileRoundTripAndShortOrUnusableFilesIgnored)
{
    headless::Script script;
    TimeToEqParams& p = timeToEqParams;
    // every one of the 41 values comes back
    p.fFinalRpm = 21000;
    p.fInitialRpm = 3000;
    p.fAccelerationRate = 250;
    p.fDecelerationRate = 150;
    p.fGridStep = 600;
    p.fOverspeedTime = 20000;
    p.fBottom = 7.1f;
    p.fMeniscus = 6.9f;
    p.fRightLimit = 7.05f;
    p.fLeftLimit = 6.92f;
    p.nSpecies = 2;
    p.fVbar = 0.72f;
    p.fTemperature = 4;
    p.fEpsilon = 0.002f;
    p.nParams = 7;
    p.fMaxOverconcentration = 2.5f;
    p.bDistribution = 1;
    p.bExtrapolateData = 1;
    p.nRepeats = 3;
    p.bSaveScanFiles = 0;
    p.bSaveEquMethod = 0;
    p.fDensity = 1.005f;
    p.fViscosity = 0.0011f;
    p.fS1 = -2.5f;  // flotation is a value like any other
    p.fM1 = 50000;
    p.fFf01 = 1.2f;
    p.bUseFf01 = 0;
    p.bSecondSpecies = 1;
    p.fFraction2 = 0.25f;
    p.fS2 = 7;
    p.fM2 = 150000;
    p.fVbar2 = 0.72f;
    p.fFf02 = 1.6f;
    p.bUseFf02 = 0;
    p.dD1 = 6.25e-7;
    p.dD2 = 3.5e-7;
    p.fLastOptimizedTime = 12;
    p.fQuantum = 100;
    p.bExponential = 0;
    p.bHistory = 0;
    p.fInitialStepRadius = 6.95f;
    float saved[nTimeToEqFileValues];
    timeToEqParamsToValues(p, saved);
    const std::string path = scratch + "prefs.ini";
    ASSERT_TRUE(SaveSimAppEqParameterPreferences(nullptr, path.c_str()));
    EXPECT_EQ(readLines(path).size(), 41u);
    resetTimeToEqParams(&p);
    ASSERT_TRUE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    float loaded[nTimeToEqFileValues];
    timeToEqParamsToValues(p, loaded);
    for (int k = 0; k < nTimeToEqFileValues; ++k) EXPECT_NEAR(loaded[k], saved[k], 1e-5f * (1 + std::fabs(saved[k]))) << k;
    EXPECT_NEAR(p.dD1, 6.25e-7, 1e-12);

    // a file with another parameter count drops the stored vector
    p.nParamVector = 7;
    p.pParamVector = vector(1, 7);
    writeText(path, valuesText(TimeToEqParams()));
    ASSERT_TRUE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    EXPECT_EQ(p.nParams, 5);
    EXPECT_EQ(p.pParamVector, nullptr);
    resetTimeToEqParams(&p);
    TimeToEqParams defaults;
    float before[nTimeToEqFileValues], after[nTimeToEqFileValues];
    timeToEqParamsToValues(defaults, before);
    // the record as the tool starts, as Save Parameter Files writes it, holds
    // the left limit 0.02 cm inside its meniscus, where OK puts it
    EXPECT_NEAR(before[9] - before[7], 0.02f, 1e-6f);

    // 40 values, a missing file, and files whose values cannot run the tool
    // leave everything as it was, without a message
    writeText(path, valuesText(defaults, 0, 21000, 40));
    EXPECT_FALSE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    EXPECT_FALSE(LoadSimAppEqParameterPreferences(nullptr, (scratch + "none.ini").c_str()));
    struct Bad {
        int k;
        float v;
    } bad[] = {{0, 0},   {2, 0},    {3, 0},  {4, 0}, {13, 0},          {14, 1},           {18, 0},
               {24, 0},  {25, 0},   {7, 7.3f}, {7, 0}, {12, -273.15f}, {5, 1e9f}, {0, NAN},
               {7, defaults.fBottom}};  // a meniscus on the bottom leaves no column
    for (const Bad& b : bad) {
        writeText(path, valuesText(defaults, b.k, b.v));
        EXPECT_FALSE(LoadSimAppEqParameterPreferences(nullptr, path.c_str())) << b.k << " " << b.v;
    }
    // species 2's share of the loading: all of it leaves species 1 none, more
    // would leave it less than none; off, the share is not read
    TimeToEqParams two;
    two.bSecondSpecies = 1;
    for (const float fShare : {1.0f, 1.5f}) {
        writeText(path, valuesText(two, 28, fShare));
        EXPECT_EQ(LoadSimAppEqParameterPreferences(nullptr, path.c_str()), fShare <= 1.0f) << fShare;
        resetTimeToEqParams(&p);
    }
    writeText(path, valuesText(defaults, 28, 1.5f));
    EXPECT_TRUE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    resetTimeToEqParams(&p);
    // the least counts it can use: one speed level without the exponential
    // form, and with it a decay time and one amplitude (2, which the dialog
    // also accepts and saves)
    TimeToEqParams steps;
    steps.bExponential = 0;
    writeText(path, valuesText(steps, 14, 1));
    EXPECT_TRUE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    EXPECT_EQ(p.nParams, 1);
    resetTimeToEqParams(&p);
    writeText(path, valuesText(defaults, 14, 2));
    EXPECT_TRUE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    EXPECT_EQ(p.nParams, 2);
    EXPECT_EQ(p.bExponential, 1);
    resetTimeToEqParams(&p);
    timeToEqParamsToValues(p, after);
    for (int k = 0; k < nTimeToEqFileValues; ++k) EXPECT_EQ(before[k], after[k]) << k;
    EXPECT_TRUE(script.lines().empty());
}

TEST_F(TimeToEqPreferencesTest, HistorySideFiles)
{
    TimeToEqParams& p = timeToEqParams;
    p.bHistory = 1;
    p.fHistoryDuration = 5400;
    p.pHistoryProfile = new CRotorSpeedProfile;
    const float start[] = {0, 0, 4000}, rpm[] = {0, 3000, 20000}, rate[] = {0, 280, 280};
    p.pHistoryProfile->SetSteps(2, start, rpm, rate);
    const std::string path = scratch + "prefs.ini";
    ASSERT_TRUE(SaveSimAppEqParameterPreferences(nullptr, path.c_str()));
    const std::string duration = scratch + "prefs_iniduration.ini", steps = scratch + "prefs_speedsteps.ini";
    EXPECT_EQ(readLines(duration), std::vector<std::string>{"5400.000000"});
    EXPECT_EQ(readLines(steps).size(), 2u);

    resetTimeToEqParams(&p);
    ASSERT_TRUE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    EXPECT_EQ(p.bHistory, 1);
    EXPECT_EQ(p.fHistoryDuration, 5400.0f);
    ASSERT_NE(p.pHistoryProfile, nullptr);
    EXPECT_EQ(p.pHistoryProfile->nSteps, 2);
    EXPECT_EQ(p.pHistoryProfile->stepRpm[2], 20000.0f);

    // each side file missing or empty is named
    headless::Script script;
    std::remove(duration.c_str());
    script.expectMessageBox("auxillary duration parameter file", IDOK);
    EXPECT_FALSE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    writeText(duration, "");
    script.expectMessageBox("auxillary duration parameter file", IDOK);
    EXPECT_FALSE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    writeText(duration, "300\n");
    writeText(steps, "no steps here\n");
    script.expectMessageBox("bad speedstep data", IDOK).expectMessageBox("auxillary speedsteps parameter file", IDOK);
    EXPECT_FALSE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
    ASSERT_EQ(script.pending(), 0u);
    const std::vector<std::string> lines = script.lines();
    const std::string expected = "error - auxillary duration parameter file " + duration +
                                 " is missing - please enter new in parameter box ";
    bool bFound = false;
    for (const std::string& l : lines) bFound = bFound || l.find(headless::quote(expected)) != std::string::npos;
    EXPECT_TRUE(bFound);
}

// ---------------------------------------------------------------- the dialog

class TimeToEqDialogTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        installDialogTemplates();
    }
    void TearDown() override
    {
        resetTimeToEqParams(&timeToEqParams);
        MainWindowTest::TearDown();
    }
};

TEST_F(TimeToEqDialogTest, EntriesReadBackCompletedAndSaved)
{
    TXLAWindow* w = OpenWindow();
    headless::Script script;
    // a volume for the meniscus, a viscosity in cP, a negative s, species 2
    script.expectDialog("Parameters For Optimizing Time To Equilibrium",
                        headless::DialogAnswer()
                            .set(627, "120")
                            .set(835, "0.010020")
                            .check(621)
                            .set(412, "-3.5")
                            .check(615)
                            .set(406, "0.3")
                            .set(619, "4")
                            .set(643, "5"));
    ASSERT_TRUE(runTimeToEqParamsDialog(w));
    const TimeToEqParams& p = timeToEqParams;
    EXPECT_NEAR(p.fMeniscus, 6.858f, 0.0005f);
    EXPECT_NEAR(p.fLeftLimit, p.fMeniscus + 0.02f, 1e-6f);
    EXPECT_NEAR(p.fViscosity, 0.001002f, 1e-9f);
    EXPECT_EQ(p.fS1, -3.5f);
    EXPECT_EQ(p.bUseFf01, 0);
    EXPECT_EQ(p.bSecondSpecies, 1);
    EXPECT_NEAR(p.fFraction2, 0.3f, 1e-6f);
    EXPECT_EQ(p.fVbar2, p.fVbar);
    EXPECT_GT(p.dD2, 0.0);
    EXPECT_EQ(p.nParams, 4);
    EXPECT_EQ(p.fOverspeedTime, 18000.0f);
    // the record went to the preferences file, and a backup folder was made
    EXPECT_EQ(readLines(szSimAppEqParamsIniPath).size(), 41u);
    EXPECT_NE(std::string(szTimeToEqBackupPath).find("backupoptimizedoverspeedsteps1/"), std::string::npos);
    // the dialog showed what the record held: the density and viscosity of the buffer
    EXPECT_STREQ(timeToEqTransfer.szDensity, "0.998230");

    // Cancel changes nothing
    script.expectDialog("Parameters For Optimizing Time To Equilibrium",
                        headless::DialogAnswer().set(639, "40000").cancel());
    EXPECT_FALSE(runTimeToEqParamsDialog(w));
    EXPECT_EQ(p.fFinalRpm, 15000.0f);
}

TEST_F(TimeToEqDialogTest, EntriesThatCannotRunKeepTheDialogOpen)
{
    TXLAWindow* w = OpenWindow();
    headless::Script script;
    // each refused entry: "Invalid Entry", and the dialog stays open for
    // the next answer, which puts the entry right and tries the next one.
    // A bottom of 1e39 cm lies beyond the float range: no number the tool
    // can compute with, though a meniscus of 6.75 cm lies below it
    const struct {
        int id;
        const char* bad;
        const char* good;
    } refused[] = {{639, "0", "15000"},  {617, "0", "0.001"}, {619, "1", "5"},     {618, "0", "1"},
                   {428, "0", "65000"},  {413, "0", "1.4"},   {627, "1e6", "120"}, {628, "x", "7.2"},
                   {628, "1e39", "7.2"}, {835, "0", "0.01"},  {426, "0", "0.73"},  {835, "-1", "0.01"}};
    const char* szTitle = "Parameters For Optimizing Time To Equilibrium";
    for (size_t k = 0; k < std::size(refused); ++k) {
        headless::DialogAnswer a;
        if (k > 0) a.set(refused[k - 1].id, refused[k - 1].good);
        a.set(refused[k].id, refused[k].bad);
        script.expectDialog(szTitle, a).expectMessageBox("Invalid Entry", IDOK);
    }
    // with s in use, s = 0 is refused; species 2 only counts when it is on
    script.expectDialog(szTitle, headless::DialogAnswer().set(835, "0.01").check(621).set(412, "0"))
        .expectMessageBox("Invalid Entry", IDOK)
        .expectDialog(szTitle, headless::DialogAnswer().set(412, "4").check(615).set(414, "0"))
        .expectMessageBox("Invalid Entry", IDOK)
        // its share of the loading above all of it
        .expectDialog(szTitle, headless::DialogAnswer().set(414, "5").set(406, "1.01"))
        .expectMessageBox("Invalid Entry", IDOK)
        // with s in use for species 2 (the exponential form on), s = 0
        .expectDialog(szTitle, headless::DialogAnswer().set(406, "1").check(624).check(626).set(405, "0"))
        .expectMessageBox("Invalid Entry", IDOK)
        // and with f/f0 in use for species 2 (the step form), f/f0 = 0
        .expectDialog(szTitle,
                      headless::DialogAnswer().set(405, "5").check(625).check(626, false).set(619, "1").set(427, "0"))
        .expectMessageBox("Invalid Entry", IDOK)
        .expectDialog(szTitle, headless::DialogAnswer().set(427, "1.3").check(615, false));
    ASSERT_TRUE(runTimeToEqParamsDialog(w));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(timeToEqParams.nParams, 1);
    EXPECT_EQ(timeToEqParams.bExponential, 0);
    EXPECT_EQ(timeToEqParams.fS1, 4.0f);
    // the title of the refusals
    int nRefusals = 0;
    for (const std::string& l : script.lines())
        if (l.find("\"Input Error\"") != std::string::npos) ++nRefusals;
    EXPECT_EQ(nRefusals, 17);
}

// The switches of the file are written as 1 and 0: distribution, extrapolate
// data, save scan files, save the method, use f/f0 of species 1, second
// species, its use f/f0, exponential form and history (lines 17-18, 20-21, 27,
// 28, 34, 39, 40). Each is read back from its own line: a record whose
// switches were all set the other way takes the file's, all on or all off,
// though the lines between them (the repeat count 3 on line 19, the
// density, the s and M values) are well above 0.
TEST_F(TimeToEqPreferencesTest, SwitchesAreWrittenAsOneAndZero)
{
    TimeToEqParams& p = timeToEqParams;
    const int nLines[] = {16, 17, 19, 20, 26, 27, 33, 38, 39};
    unsigned char* const switches[] = {&p.bDistribution, &p.bExtrapolateData, &p.bSaveScanFiles, &p.bSaveEquMethod,
                                       &p.bUseFf01,      &p.bSecondSpecies,   &p.bUseFf02,       &p.bExponential};
    p.nRepeats = 3;
    p.fDensity = 0.99823f;
    for (unsigned char b : {1, 0}) {
        for (unsigned char* pb : switches) *pb = b;
        p.bHistory = 0;  // no side files
        const std::string path = scratch + "switches.ini";
        ASSERT_TRUE(SaveSimAppEqParameterPreferences(nullptr, path.c_str()));
        const std::vector<std::string> lines = readLines(path);
        ASSERT_EQ(lines.size(), 41u);
        for (int n : nLines) EXPECT_EQ(lines[n], n == 39 ? "0.000000" : b ? "1.000000" : "0.000000") << n;

        for (unsigned char* pb : switches) *pb = !b;
        ASSERT_TRUE(LoadSimAppEqParameterPreferences(nullptr, path.c_str()));
        for (size_t k = 0; k < std::size(switches); ++k)
            EXPECT_EQ(static_cast<int>(*switches[k]), static_cast<int>(b)) << "line " << nLines[k] + 1;
    }
}
