// The dialog of the Lamm equation settings (command 611), driven through the
// headless script: formats, scan-time derivation, the algorithm checks, the
// reopening after a refused fixed step, validation, Cancel and the save
// question.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/data_file_paths.h"
#include "app/window_fixture.h"
#include "fegrid/global_grid.h"
#include "models/lamm_settings.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "resources/commands.h"
#include "resources/dialog_templates.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

const char* kCaption = "Numerical Control of Lamm Equation Solution";

class LammDialogTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        installDialogTemplates();
        OpenWindow();
    }
    // The save question at the end of a changed dialog, answered No.
    static void expectSaveQuestion(headless::Script& s, int nAnswer = IDNO)
    {
        s.expectMessageBox("LAMM EQUATION PARAMETERS", nAnswer);
    }
};

}  // namespace

TEST_F(LammDialogTest, TheCommandIsInTheMenuAndShowsTheSettings)
{
    EXPECT_TRUE(TXLAWindow::HasHandler(611));
    EXPECT_TRUE(TXLAWindow::HasHandler(217));
    dTruncateLevel = 3e-5;
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().cancel());
    window->EvCommand(611, nullptr, 0);
    // what the dialog showed, through the display formats
    const LammPTransfer& t = window->lammPTransfer;
    EXPECT_STREQ(t.e612, "5.000000");
    EXPECT_STREQ(t.e614, "1.00e-04");
    EXPECT_STREQ(t.e616, "1000");
    EXPECT_STREQ(t.e617, "5.0");
    EXPECT_STREQ(t.e628, "1.000");
    EXPECT_STREQ(t.e643, "-4.52");
    EXPECT_STREQ(t.e834, "0.0080");
    EXPECT_EQ(t.c620, 0u);
    EXPECT_EQ(t.c621, 1u);
    // under the automatic choice neither algorithm shows as chosen
    EXPECT_EQ(t.c624, 0u);
    EXPECT_EQ(t.c625, 0u);
    EXPECT_EQ(dTruncateLevel, 3e-5);  // Cancel changes nothing
}

TEST_F(LammDialogTest, ValuesPassThroughTheirFormats)
{
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    nGridPoints = 1000;
    ASSERT_TRUE(allocRadialGridArrays());
    dTruncateLevel = 3e-5;
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().set(616, "999.7"));
    expectSaveQuestion(script);
    window->CmLammEquationParameters();
    EXPECT_EQ(nDefaultGridSize, 999);
    EXPECT_EQ(nGridPoints, 999);
    EXPECT_EQ(nGridPointsAllocated, 999);  // the allocated grid follows
    // the level confirmed as shown: 10^-4.52
    EXPECT_NEAR(dTruncateLevel, 3.01995e-5, 1e-10);
    EXPECT_DOUBLE_EQ(dTruncateLevel, std::pow(10.0, -4.52));
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(LammDialogTest, ScanTimesFromOmegaSquaredTOrFromTheFiles)
{
    LoadScans(writeBoundaryScans(scratch, 3));
    ASSERT_EQ(nScans, 3);
    pScanHeaders[1].rpm = 60000;
    pScanHeaders[1].omega2t = 1e11;
    pScanHeaders[2].rpm = 0;  // no speed: no time to derive
    const double t2 = pScanHeaders[2].timeRead;
    const double t3 = pScanHeaders[3].timeRead;

    // "times from wwt" alone
    {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(620).check(621, false));
        expectSaveQuestion(script);
        window->CmLammEquationParameters();
    }
    EXPECT_TRUE(bTimesFromW2t);
    EXPECT_FALSE(bRampRotorSpeed);
    EXPECT_NEAR(pScanHeaders[1].time, 2533.03, 0.005);
    EXPECT_EQ(+pScanHeaders[2].time, t2);
    const float fOmega = static_cast<float>(50000 * kRpmToOmega);
    EXPECT_EQ(+pScanHeaders[3].time, pScanHeaders[3].omega2t / (fOmega * fOmega));
    EXPECT_NE(+pScanHeaders[3].time, t3);

    // check 621 decides between the two: unchecking "times from wwt" alone
    // leaves neither asked for, and the times from w2t stay
    {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(620, false));
        window->CmLammEquationParameters();
        EXPECT_EQ(window->lammPTransfer.c621, 0u);
    }
    EXPECT_TRUE(bTimesFromW2t);
    EXPECT_NEAR(pScanHeaders[1].time, 2533.03, 0.005);

    // both checked: the ramp wins, the recorded times come back
    {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(620).check(621));
        expectSaveQuestion(script);
        window->CmLammEquationParameters();
    }
    EXPECT_FALSE(bTimesFromW2t);
    EXPECT_TRUE(bRampRotorSpeed);
    EXPECT_EQ(+pScanHeaders[1].time, +pScanHeaders[1].timeRead);
    EXPECT_EQ(+pScanHeaders[3].time, t3);

    // the experimental initial distribution takes both off
    switchOnTimesFromW2t(window.get());
    EXPECT_NE(+pScanHeaders[3].time, t3);
    {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(630));
        expectSaveQuestion(script);
        window->CmLammEquationParameters();
    }
    EXPECT_TRUE(bExperimentalInitialDistribution);
    EXPECT_FALSE(bConstantInitialDistribution);
    EXPECT_FALSE(bTimesFromW2t);
    EXPECT_FALSE(bRampRotorSpeed);
    EXPECT_EQ(+pScanHeaders[3].time, t3);
}

TEST_F(LammDialogTest, SpeedStepsNeedData)
{
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().check(944).check(620).check(621, false));
    script.expectMessageBox("Error", IDOK);
    window->CmLammEquationParameters();
    const std::vector<std::string> lines = script.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("\"Error: Please Load SV Data First - speedsteps will be automatically loaded if "
                      "speedsteps.txt is present\"") != std::string::npos;
    }));
    // the record is put right and the ramp stays
    EXPECT_EQ(window->lammPTransfer.c944, 0u);
    EXPECT_EQ(window->lammPTransfer.c924, 1u);
    EXPECT_TRUE(bRampRotorSpeed);
    EXPECT_FALSE(bTimesFromW2t);
    EXPECT_FALSE(bUsingSpeedSteps);

    // one scan is data enough: the profile beside it is loaded
    // (20000 rpm, then 50000 rpm from 200 s; the scan is at 900 s, 50000 rpm)
    LoadScans(writeBoundaryScans(scratch, 1));
    ASSERT_EQ(nScans, 1);
    writeText(scratch + "/speedsteps.txt", "0\t20000\t300\n200\t50000\t300\n");
    headless::Script one;
    one.expectDialog(kCaption, headless::DialogAnswer().check(944));
    window->CmLammEquationParameters();
    EXPECT_EQ(one.pending(), 0u);
    EXPECT_TRUE(bUsingSpeedSteps);
    ASSERT_NE(pRotorSpeedProfile, nullptr);
    EXPECT_EQ(pRotorSpeedProfile->stepRpm[2], 50000.0f);
}

TEST_F(LammDialogTest, TheMovingHatIsWhateverClaverieIsNot)
{
    // automatic choice: Claverie shown off and left so, whatever 625 shows
    {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(625, false));
        window->CmLammEquationParameters();  // nothing changed: no question
        EXPECT_EQ(script.lines().size(), 3u);
    }
    EXPECT_FALSE(bClaverie);
    EXPECT_TRUE(bMovingHat);

    // Claverie chosen: the moving hat goes, and the grid with its block
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    ASSERT_TRUE(allocRadialGridArrays());
    {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(622, false).check(624).check(625));
        expectSaveQuestion(script);
        window->CmLammEquationParameters();
    }
    EXPECT_TRUE(bClaverie);
    EXPECT_FALSE(bMovingHat);
    EXPECT_FALSE(bAutoFEAlgorithm);
    EXPECT_FALSE(bGridArraysAllocated);
}

TEST_F(LammDialogTest, LeavingTheMovingHatWithAFixedStepAsksAgain)
{
    bFixedTimestep = 1;
    dMaxDcOverC = 2.0;
    // Only that change asks: the fixed step stays without a word with the
    // moving hat kept, with Claverie chosen before, and when the automatic
    // choice was on.
    bAutoFEAlgorithm = 1;
    {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(624).check(625, false));
        expectSaveQuestion(script);
        window->CmLammEquationParameters();
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_TRUE(bClaverie && !bMovingHat && bFixedTimestep);
    for (unsigned char bClaverieBefore : {0, 1}) {
        bAutoFEAlgorithm = 0;
        bClaverie = bClaverieBefore;
        bMovingHat = bClaverieBefore ? 0 : 1;
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer());
        window->CmLammEquationParameters();  // nothing changed: no question
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(bFixedTimestep) << int(bClaverieBefore);
        EXPECT_EQ(bClaverie, bClaverieBefore);
    }

    bClaverie = 0;
    bMovingHat = 1;
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().check(624).set(629, "4"))
        .expectMessageBox("switching off fixed dt - confirm", IDOK)
        .expectDialog(kCaption, headless::DialogAnswer());
    expectSaveQuestion(script, IDYES);
    window->CmLammEquationParameters();
    EXPECT_EQ(script.pending(), 0u);
    // the second dialog showed the state the first left
    EXPECT_EQ(window->lammPTransfer.c623, 0u);
    EXPECT_EQ(window->lammPTransfer.c624, 1u);
    EXPECT_FALSE(bFixedTimestep);
    EXPECT_TRUE(bClaverie);
    EXPECT_EQ(dMaxDcOverC, 4.0);
    EXPECT_EQ(dMaxDcOverCWork, 4.0);
    EXPECT_DOUBLE_EQ(dMaxDcOverCLow, 0.2);
    EXPECT_DOUBLE_EQ(dMaxDcOverCHigh, 0.8);
    // Yes wrote every setting
    std::vector<std::string> lines = readLines(szLammParamsIniPath);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[10], "0");  // fixed step
    EXPECT_EQ(lines[11], "1");  // Claverie
    EXPECT_EQ(lines[12], "0");  // moving hat
    EXPECT_EQ(lines[16], "4");  // max dc/c
}

// Any one of the 28 settings changed alone is offered to save, the first and
// the last of the file too.
TEST_F(LammDialogTest, ASingleChangedSettingIsOfferedToSave)
{
    for (auto [id, szText] : {std::pair{612, "6"}, std::pair{948, "12"}}) {
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().set(id, szText));
        expectSaveQuestion(script);
        window->CmLammEquationParameters();
        EXPECT_EQ(script.pending(), 0u) << id;
    }
    EXPECT_EQ(fAutoAlgorithmNormS, 6.0f);
    EXPECT_EQ(dSpeedStepDShutoff, 12.0);
}

// The grid size and the two limits of the dynamic size are refused below 75
// points, the least size every solver of the settings can use (docs/models.md
// has the measurement): 1 broke the tridiagonal solver ("Error 1 in tridag"),
// 2 and 3 gave a wrong model without a word, and all were offered as the
// default to save. 75 is taken.
TEST_F(LammDialogTest, GridSizesBelowTheLeastTheSolversCanUseAreRefused)
{
    for (int id : {616, 618, 619}) {
        headless::Script script;
        for (const char* szSize : {"1", "2", "3", "74.9"})
            script.expectDialog(kCaption, headless::DialogAnswer().set(id, szSize))
                .expectMessageBox("Input Error", IDOK);
        script.expectDialog(kCaption, headless::DialogAnswer().set(id, "75"));
        if (id != 618) expectSaveQuestion(script);  // 75 is the lower limit's default
        window->CmLammEquationParameters();
        EXPECT_EQ(script.pending(), 0u) << id;
        EXPECT_EQ(id == 616 ? nDefaultGridSize : id == 618 ? nDynGridLowerLimit : nDynGridUpperLimit, 75) << id;
    }
    EXPECT_EQ(nGridPoints, 75);
    EXPECT_FALSE(std::filesystem::exists(szLammParamsIniPath));
}

TEST_F(LammDialogTest, InvalidEntriesKeepTheDialogOpen)
{
    headless::Script script;
    script.expectDialog(kCaption, headless::DialogAnswer().set(612, "abc"))
        .expectMessageBox("Input Error", IDOK)
        // the automatic threshold and the variable-speed shut-off are checked too
        .expectDialog(kCaption, headless::DialogAnswer().set(612, "5").set(639, "0"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog(kCaption, headless::DialogAnswer().set(639, "60").set(948, "x"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog(kCaption, headless::DialogAnswer().set(948, "10.0000").set(616, "0"))
        .expectMessageBox("Input Error", IDOK)
        // a size whose whole number is 0: a grid of no point (which OK
        // offered to save as the default)
        .expectDialog(kCaption, headless::DialogAnswer().set(616, "0.5"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog(kCaption, headless::DialogAnswer().set(616, "1000").set(619, "0.9"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog(kCaption, headless::DialogAnswer().set(619, "2000").set(618, "0.5"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog(kCaption, headless::DialogAnswer().set(618, "75"));
    window->CmLammEquationParameters();
    EXPECT_EQ(script.pending(), 0u);
    const std::vector<std::string> lines = script.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MessageBeep MB_ICONASTERISK"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MessageBox \"Input Error\" \"Invalid Entry\" MB_OK -> IDOK"),
              lines.end());
    EXPECT_EQ(fAutoAlgorithmNormSOptimized, 60.0f);
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_FALSE(std::filesystem::exists(szLammParamsIniPath));

    // Cancel after edits: nothing changes, nothing is asked
    headless::Script cancel;
    cancel.expectDialog(kCaption, headless::DialogAnswer().set(616, "50").check(624).cancel());
    window->CmLammEquationParameters();
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_FALSE(bClaverie);
    EXPECT_EQ(cancel.lines().size(), 4u);
}

// Intensity data and the zone model start from the loading everywhere: the
// first scan as the initial distribution is not taken for either.
TEST_F(LammDialogTest, IntensityDataAndTheZoneModelKeepTheConstantLoading)
{
    for (unsigned char* b : {&bIntensityData, &bModelZone}) {
        *b = 1;
        headless::Script script;
        script.expectDialog(kCaption, headless::DialogAnswer().check(630));  // nothing changes: no save question
        window->CmLammEquationParameters();
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_FALSE(bExperimentalInitialDistribution);
        EXPECT_TRUE(bConstantInitialDistribution);
        *b = 0;
    }
}
