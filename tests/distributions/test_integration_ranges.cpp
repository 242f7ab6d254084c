// Integration ranges kept in a file: the switch (644) with its default
// setting, the loading at start, and the report of the integrate button.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "app/xla_app.h"
#include "distributions/example_run_fixture.h"
#include "distributions/peak_information.h"
#include "platform/win.h"
#include "plot/screen_button.h"
#include "resources/commands.h"

using namespace win;

namespace {

// On a grid of 0.125 S: 1 from 2 to 4 S and 0.5 from 6 to 7 S at the grid
// points, straight lines between them: 2.125 about 3 S and 0.5625 about 6.5 S.
float twoPlateaus(float s)
{
    if (s >= 2.0f && s <= 4.0f) return 1.0f;
    if (s >= 6.0f && s <= 7.0f) return 0.5f;
    return 0.0f;
}

}  // namespace

class IntegrationRangesTest : public ExampleRunTest {
protected:
    void SetUp() override
    {
        ExampleRunTest::SetUp();
        LoadExample();
        SetDistribution(101, 0.0f, 0.125f, twoPlateaus);
        rangesPath = scratch + "ranges.dat";
    }
    // The ranges file and "integratrangefile.txt" naming it.
    void WriteRanges(const std::string& table)
    {
        writeText(rangesPath, table);
        writeText(szIntegrRangeFilePath, rangesPath);
    }
    // Clicks the integrate button with the file switched on.
    void ClickIntegrate(headless::Script& script)
    {
        bUseIntegrationRangesFile = 1;
        const CScreenButton* b = window->pIntegrateButton;
        ASSERT_NE(b, nullptr);
        script.mouse(WM_LBUTTONDOWN, (b->nLeft + b->nRight) / 2, (b->nTop + b->nBottom) / 2);
        headless::processMessages();
    }
    std::string rangesPath;
};

TEST_F(IntegrationRangesTest, ReportTextAndClipboardTable)
{
    WriteRanges("1 5\n5 8\n8 9\n");
    headless::Script script;
    ClickIntegrate(script);
    const std::string report = "automatic integration limits are switched on, using file " + rangesPath +
                               ":\n"
                               "1: from 1.00S to 5.00S\n"
                               "\t c = 2.1250 (this is considered total for following % amounts), sw = 3.000\n"
                               "2: from 5.00S to 8.00S\n"
                               "\t c = 0.5625 (26.47% of c in range #1), sw = 6.500\n"
                               "3: from 8.00S to 9.00S\n"
                               "\t c = 0.0000 (0.00% of c in range #1), sw = 0.000\n ";
    const std::string file = scratch + "velocity/integrals.dat";
    EXPECT_EQ(readText(file), report);
    ASSERT_EQ(script.lines().size(), 2u);
    EXPECT_EQ(script.lines()[0].rfind("Start WinExec \"notepad.exe " + file + "\"", 0), 0u) << script.lines()[0];
    EXPECT_EQ(script.lines()[1], "Clipboard CF_TEXT \"1\\t5\\t2.125\\t100\\t3\\n5\\t8\\t0.5625\\t26.4706\\t6.5\\n"
                                 "8\\t9\\t0\\t0\\t0\\n\"");
    // the button went back off at once; no selection runs
    EXPECT_EQ(window->pIntegrateButton->bOn, 0);
    EXPECT_EQ(bRangeSelectActive, 0);
}

TEST_F(IntegrationRangesTest, FirstRowIsTheTotal)
{
    // one row: the total, 100 in its column
    WriteRanges("1 5\n");
    headless::Script script;
    ClickIntegrate(script);
    EXPECT_EQ(clipboardRows(script), std::vector<std::string>{"1\t5\t2.125\t100\t3"});

    // a first range without signal: no percentages, 0 in the column
    WriteRanges("8 9\n1 5\n5 8\n");
    ClickIntegrate(script);
    const std::string text = readText(scratch + "velocity/integrals.dat");
    EXPECT_NE(text.find("2: from 1.00S to 5.00S\n\t c = 2.1250, sw = 3.000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("3: from 5.00S to 8.00S\n\t c = 0.5625, sw = 6.500\n"), std::string::npos) << text;
    EXPECT_EQ(clipboardRows(script),
              (std::vector<std::string>{"8\t9\t0\t100\t0", "1\t5\t2.125\t0\t3", "5\t8\t0.5625\t0\t6.5"}));
}

TEST_F(IntegrationRangesTest, UnreadableRangesAndAPathTooLong)
{
    // a ranges file without a readable row
    WriteRanges("one five\n");
    headless::Script script;
    script.expectMessageBox("Error", IDOK);  // the table reader's own box
    script.expectMessageBox("SET INTEGRATION RANGE", IDOK);
    ClickIntegrate(script);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(boxText(script, "SET INTEGRATION RANGE"), "could not load distribution ranges from file " + rangesPath);
    EXPECT_EQ(bIntegrationRangesLoaded, 0);
    EXPECT_TRUE(clipboardRows(script).empty());

    // a first line longer than a path is refused, not cut into another path
    WriteRanges("1 5\n");
    writeText(szIntegrRangeFilePath, rangesPath + std::string(300, 'x'));
    script.expectMessageBox("SET INTEGRATION RANGE", IDOK);
    EXPECT_EQ(window->LoadIntegrationRanges(), 0);
    EXPECT_EQ(boxText(script, "SET INTEGRATION RANGE"), "could not load distribution ranges from file");
    EXPECT_STREQ(szIntegrationRangesFile, "");
    EXPECT_EQ(nIntegrationRanges, 0);
    // the longest path that fits is taken
    const std::string fits = rangesPath.substr(0, rangesPath.size() - 4) + std::string(259 - rangesPath.size(), 'y') +
                             ".dat";
    writeText(fits, "2 3\n");
    writeText(szIntegrRangeFilePath, fits);
    EXPECT_EQ(window->LoadIntegrationRanges(), 1);
    EXPECT_EQ(std::string(szIntegrationRangesFile), fits);
    EXPECT_EQ(nIntegrationRanges, 1);
}

TEST_F(IntegrationRangesTest, SwitchWithItsDefaultSetting)
{
    writeText(rangesPath, "1 5\n5 8\n");
    headless::Script script;
    script.expectOpenFile("Select 2 col file with s-min/s-max pairs", {rangesPath})
        .expectMessageBox("SET PREFERENCE", IDYES);
    Run(script, 644);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bUseIntegrationRangesFile, 1);
    EXPECT_EQ(readText(szIntegrRangeFilePath), rangesPath);  // no line end
    EXPECT_EQ(nIntegrationRanges, 2);
    EXPECT_EQ(readLines(szParamsIniPath)[10], "1");
    EXPECT_EQ(boxText(script, "SET PREFERENCE"),
              "switching on integration range from file \n" + rangesPath + " \n - save as default setting?");
    EXPECT_EQ(GetMenuState(window->GetMenu(), 644, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);

    script.expectMessageBox("SET PREFERENCE", IDYES);
    Run(script, 644);
    EXPECT_EQ(bUseIntegrationRangesFile, 0);
    EXPECT_EQ(readLines(szParamsIniPath)[10], "0");
    EXPECT_EQ(GetMenuState(window->GetMenu(), 644, MF_BYCOMMAND) & MF_CHECKED, 0u);

    // No keeps the default; Cancel in the dialog fails
    script.expectOpenFile("Select 2 col file", {rangesPath}).expectMessageBox("SET PREFERENCE", IDNO);
    Run(script, 644);
    EXPECT_EQ(bUseIntegrationRangesFile, 1);
    EXPECT_EQ(readLines(szParamsIniPath)[10], "0");
    script.expectMessageBox("SET PREFERENCE", IDNO);
    Run(script, 644);
    script.expectFileCancel("Select 2 col file").expectMessageBox("SET DISTRIBUTION RANGE", IDOK);
    Run(script, 644);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bUseIntegrationRangesFile, 0);
    EXPECT_EQ(boxText(script, "SET DISTRIBUTION RANGE"), "could not load distribution ranges from file");
}

TEST_F(MainWindowTest, RangesLoadAtStartWhenTheDefaultsSayTheyAreOn)
{
    const std::string ranges = scratch + "r.dat";
    writeText(ranges, "1 2\n2 3\n3 4\n");
    writeText(szIntegrRangeFilePath, ranges);
    defaultPreferences.bDisclaimerAccepted = 1;
    bUseIntegrationRangesFile = 1;
    writeDefaultPreferences();
    bUseIntegrationRangesFile = 0;
    headless::Script script;
    script.command(CM_EXIT);
    TXLAApp app("RADOdodedez");
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(bUseIntegrationRangesFile, 1);
    EXPECT_EQ(bIntegrationRangesLoaded, 1);
    EXPECT_EQ(nIntegrationRanges, 3);
    EXPECT_EQ(std::string(szIntegrationRangesFile), ranges);
}
