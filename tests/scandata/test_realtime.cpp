// The realtime update of files on a temporary folder, driven by the window
// timer on the virtual clock: new files picked up, the series thinned, gaps,
// load errors, the stop by a key, and ticks that arrive while a tick runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/realtime_update.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

using namespace win;
namespace fs = std::filesystem;

namespace {

class RealtimeTest : public DataMenuTest {
protected:
    void TearDown() override
    {
        if (bRealtimeUpdate) window->CmStopRealtimeUpdate();
        bEqTestMode = 0;
        nEqTestSeries = nEqTestGroups = 0;
        bRealtimeLoadAllCells = 0;
        bEqTestAutoLimits = 0;
        nRealtimeMaxFilesAtOnce = 20;
        DataMenuTest::TearDown();
    }
    // Loads the first three files of the folder and starts the update.
    void Start(headless::Script& script, const std::string& dir, const char* szMaxFiles)
    {
        LoadScans({dir + "/00001.RA1", dir + "/00002.RA1", dir + "/00003.RA1"});
        script.expectInput("maximal total number of files to load at once", szMaxFiles);
        Run(script, 540);
        ASSERT_EQ(bRealtimeUpdate, 1);
    }
    // One period of the timer.
    static void Tick()
    {
        headless::advanceTime(60000);
        headless::processMessages();
    }
    static std::vector<std::string> LoadedNames()
    {
        std::vector<std::string> names;
        for (int i = 1; i <= nScans; ++i) names.push_back(ppScanFileName[pScanTimeOrder[i]]);
        return names;
    }
    static std::string Numbered(int n, const char* szExt = ".RA1")
    {
        char sz[32];
        std::snprintf(sz, sizeof sz, "%05d%s", n, szExt);
        return sz;
    }
    bool MenuChecked() const { return (GetMenuState(window->GetMenu(), 540, MF_BYCOMMAND) & MF_CHECKED) != 0; }
};

// A flat distribution on 1 to 10 S (M 1e4 to 1e5), the upper s at 10 S: an
// eighth or a seventh of its area lies in the last interval.
void layFlatDistribution()
{
    allocDistributionVectors(10);
    for (int i = 1; i <= 10; ++i) {
        pDistAxisS[i] = static_cast<float>(i);
        pDistAxisM[i] = 1e4f * static_cast<float>(i);
        pDistValues[i] = 1.0f;
    }
    fSMax = 10.0f;
}

// The range check on the distribution laid out for the model *pbModel: the
// upper s-value grows from 10 to 15 S and the data are reloaded. Then the
// model and its distribution go again.
void expectTheRangeWidensToFifteen(unsigned char* pbModel)
{
    autoAdjustDistributionRange();
    EXPECT_FLOAT_EQ(fSMax, 15.0f) << static_cast<const void*>(pbModel);
    EXPECT_EQ(bRealtimeForceReload, 1);
    freeDistributionVectors();
    *pbModel = 0;
    bModelContinuous = 0;
    bRealtimeForceReload = 0;
}

}  // namespace

TEST_F(RealtimeTest, TakesEveryFifthOfAHundredFilesThenTheNextFileAndAKeyStopsIt)
{
    const std::string dir = Folder("run"), hold = Folder("hold");
    writeBoundaryScans(dir, 101, "");
    fs::rename(dir + "/00101.RA1", hold + "/00101.RA1");
    headless::Script script;
    Start(script, dir, "20");
    // 00001..00100, at most 20 at once: every 5th, from the earliest on
    EXPECT_EQ(nLoadEveryNth, 5);
    std::vector<std::string> expected;
    for (int n = 1; n <= 96; n += 5) expected.push_back(Numbered(n));
    EXPECT_EQ(LoadedNames(), expected);
    EXPECT_TRUE(MenuChecked());

    // a tick without new files reloads nothing and tells when it looked
    bDataChanged = 0;
    Tick();
    EXPECT_EQ(bDataChanged, 0);
    EXPECT_STREQ(szRealtimeStatus, "IN REALTIME UPDATE MODE. PRESS ANY KEY TO INTERRUPT.");
    EXPECT_TRUE(std::regex_match(szRealtimeChecked, std::regex("Last changed at \\d\\dh:\\d\\d:\\d\\d, last checked at "
                                                               "\\d\\dh:\\d\\d:\\d\\d\\.")))
        << szRealtimeChecked;

    // 00101 is picked up at the next tick: 1, 6, ..., 101
    fs::rename(hold + "/00101.RA1", dir + "/00101.RA1");
    Tick();
    ASSERT_EQ(nScans, 21);
    EXPECT_EQ(LoadedNames().back(), "00101.RA1");

    // a key ends the update at the next tick with its message
    script.pressKey('Q');
    headless::processMessages();
    script.expectMessageBox("realtime update stopped by user interrupt", IDOK);
    Tick();
    EXPECT_EQ(bRealtimeUpdate, 0);
    EXPECT_EQ(ppRealtimeFileName, nullptr);
    EXPECT_FALSE(MenuChecked());
    Tick();  // the timer is gone: nothing more happens
    EXPECT_EQ(nScans, 21);
}

TEST_F(RealtimeTest, AGapHoldsTheLookUntilTheFileArrivesAndAnUnreadableFileStopsTheUpdate)
{
    const std::string dir = Folder("run"), hold = Folder("hold");
    writeBoundaryScans(dir, 10, "");
    fs::rename(dir + "/00007.RA1", hold + "/00007.RA1");
    headless::Script script;
    Start(script, dir, "20");
    EXPECT_EQ(nScans, 6);  // up to 00006, all of them
    Tick();
    EXPECT_EQ(nScans, 6);
    fs::rename(hold + "/00007.RA1", dir + "/00007.RA1");
    Tick();
    EXPECT_EQ(nScans, 10);

    // A distribution whose last interval holds far more than 3 % of the area
    // is there from before: a tick that ends in a load error does not go on
    // to the automatic range, the upper s stays.
    bModelContinuous = 1;
    bModelCS = 1;
    bRealtimeNoAutoRange = 0;
    layFlatDistribution();
    writeText(dir + "/00011.RA1", "not a scan\n");
    script.expectMessageBox("LOAD ERROR", IDOK).expectMessageBox("realtime update stopped by user interrupt", IDOK);
    Tick();
    EXPECT_EQ(bRealtimeUpdate, 0);
    EXPECT_FALSE(MenuChecked());
    EXPECT_FLOAT_EQ(fSMax, 10.0f);
    EXPECT_EQ(bRealtimeForceReload, 0);
    freeDistributionVectors();
    bModelCS = bModelContinuous = 0;
}

TEST_F(RealtimeTest, NoFilesAtOnceCountsAsOne)
{
    const std::string dir = Folder("run");
    writeBoundaryScans(dir, 6, "");
    headless::Script script;
    Start(script, dir, "0");
    EXPECT_EQ(nRealtimeMaxFilesAtOnce, 1);
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"00001.RA1", "00006.RA1"}));
}

TEST_F(RealtimeTest, ATickWhileATickRunsDoesNothing)
{
    // 00004 is 1.0 degree warmer: its reload warns once, in a box
    const std::string dir = Folder("run"), hold = Folder("hold");
    for (int n = 1; n <= 5; ++n) {
        scantest::ScanRecipe r;
        r.time = 1000.0 * n;
        r.temperature = n == 4 ? 21.0f : 20.0f;
        WriteScan(n <= 3 ? dir : hold, Numbered(n), r);
    }
    headless::Script script;
    Start(script, dir, "20");
    ASSERT_EQ(nScans, 3);
    fs::rename(hold + "/00004.RA1", dir + "/00004.RA1");

    // While the box is up, a further file arrives and the timer fires again
    // (as a modal box lets it): the inner tick must leave everything alone.
    int nBoxes = 0, nScansInside = -1;
    headless::setFailureHandler([&](const std::string& text) {
        if (text.find("temperature fluctuations > 1 C") == std::string::npos) {
            ADD_FAILURE() << text;
            return;
        }
        ++nBoxes;
        fs::rename(hold + "/00005.RA1", dir + "/00005.RA1");
        SendMessage(window->HWindow, WM_TIMER, static_cast<WPARAM>(nRealtimeTimerId), 0);
        nScansInside = nScans;
    });
    Tick();
    headless::setFailureHandler([](const std::string& text) { ADD_FAILURE() << text; });
    EXPECT_EQ(nBoxes, 1);
    EXPECT_EQ(nScansInside, 4);
    EXPECT_EQ(nScans, 4);
    EXPECT_EQ(bRealtimeUpdate, 1);
    // the next tick takes the new file; the warning came once
    Tick();
    EXPECT_EQ(nScans, 5);
}

TEST_F(RealtimeTest, TheTestModeFollowsEveryExtensionGroupAndTheOtherCells)
{
    const std::string dir = Folder("run");
    writeBoundaryScans(dir, 3, "");
    for (int n = 1; n <= 2; ++n) fs::copy_file(dir + "/" + Numbered(n), dir + "/" + Numbered(n, ".RA2"));
    LoadScans({dir + "/00001.RA1", dir + "/00002.RA1", dir + "/00003.RA1"});
    bEqTestMode = 1;
    nEqTestSeries = 1;
    pEqTestSeriesCount[1] = 3;
    nEqTestGroups = 1;
    std::snprintf(pEqTestGroupNames[1], sizeof pEqTestGroupNames[1], ".RA1");
    pEqTestGroupFirstScan[1] = 1;
    headless::Script script;
    script.expectMessageBox("keep going automatically", IDYES).expectMessageBox("load data from all cells?", IDYES);
    // the Run after the reload repeats the approach-to-equilibrium test
    script.expectMessageBox("save approach to equilibrium data?", IDNO);
    Run(script, 540);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bEqTestAutoLimits, 1);
    EXPECT_EQ(nRealtimeLastNumber, 5);
    EXPECT_EQ(nScans, 5);
    std::vector<std::string> names;
    for (int i = 1; i <= nScans; ++i) names.push_back(ppScanFileName[i]);
    EXPECT_EQ(names, (std::vector<std::string>{"00001.RA1", "00002.RA1", "00003.RA1", "00001.RA2", "00002.RA2"}));
}

TEST_F(RealtimeTest, TheSeriesGoesOnFromTheDigitsOfACorrectedNameAndANameWithoutNumberStartsNothing)
{
    // The time-stamp corrected copies tcorr_00001..3 are loaded; the
    // instrument's files 00001..00003 lie beside them, 00004..00006 come later.
    const std::string dir = Folder("run"), hold = Folder("hold");
    writeBoundaryScans(dir, 6, "");
    for (int n = 4; n <= 6; ++n) fs::rename(dir + "/" + Numbered(n), hold + "/" + Numbered(n));
    for (int n = 1; n <= 3; ++n) fs::copy_file(dir + "/" + Numbered(n), dir + "/tcorr_" + Numbered(n));
    LoadScans({dir + "/tcorr_00001.RA1", dir + "/tcorr_00002.RA1", dir + "/tcorr_00003.RA1"});
    headless::Script script;
    script.expectInput("maximal total number of files to load at once", "20");
    Run(script, 540);
    ASSERT_EQ(bRealtimeUpdate, 1);
    EXPECT_EQ(nRealtimeFirstNumber, 1);
    for (int n = 4; n <= 6; ++n) fs::rename(hold + "/" + Numbered(n), dir + "/" + Numbered(n));
    Tick();
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{Numbered(1), Numbered(2), Numbered(3), Numbered(4),
                                                      Numbered(5), Numbered(6)}));
    window->CmStopRealtimeUpdate();

    // A set whose earliest name ends in no number: a box, and the update
    // stays off (no question, no tick mark, no timer).
    const std::string other = Folder("named");
    writeBoundaryScans(other, 2, "run");
    fs::rename(other + "/run00001.RA1", other + "/first.RA1");
    fs::rename(other + "/run00002.RA1", other + "/second.RA1");
    LoadScans({other + "/first.RA1", other + "/second.RA1"});
    script.expectMessageBox("first.RA1 holds no file number - the realtime update follows files named by their "
                            "number (00001.RA1, 00002.RA1, ...)",
                            IDOK);
    Run(script, 540);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bRealtimeUpdate, 0);
    EXPECT_FALSE(MenuChecked());
    Tick();
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"first.RA1", "second.RA1"}));
}

// The automatic range of a c(s) family model reads the s-axis of the
// distribution (the first point left out where it holds the extra discrete
// species): a flat distribution keeps an eighth or a seventh of its area in
// the last interval, far more than 3 %, so the upper s-value grows by half.
TEST(RealtimeAutoRange, ModelsOnTheSAxisWidenTheirRange)
{
    for (unsigned char* pbModel : {&bModelCSWithMsTable, &bModelCSOneDiscreteM, &bModelCSInvariantD,
                                   &bModelCSLinearRods, &bModelCS}) {
        bModelContinuous = 1;
        *pbModel = 1;
        layFlatDistribution();
        expectTheRangeWidensToFifteen(pbModel);
    }
    // A peak of 100 at the lowest continuous point, flat 1 up to 10 S: the
    // plain c(s) leaves its first interval out and widens (a seventh of the
    // area in the last interval). Each model with the extra species at point
    // 1 (amplitude 50 at 1 S) sees the same continuous part one point on and
    // decides alike; taking in the peak's interval would make the tail 1.7 %.
    // The same peak one point further up, at 3 S, is inside the measured
    // range for all of them: the trapezoids from 3 S hold (100 + 1) / 2 + 6 =
    // 56.5, the last one 1, a tail of 1.8 % inside 0.1 % to 3 %: the range
    // stays and nothing is reloaded.
    bHybridWithDiscrete = 1;
    for (const int kPeak : {2, 3}) {
        for (unsigned char* pbModel : {&bModelCS, &bModelCSOneDiscreteD, &bModelCSOneDiscreteM, &bModelCSWithMsTable,
                                       &bModelNonidealCS, &bModelLsgsOneDiscrete, &bModelHybridCSLsgs}) {
            const int nFirst = pbModel == &bModelCS ? 2 : 1;  // the plain c(s) starts at 2 S
            bModelContinuous = 1;
            *pbModel = 1;
            allocDistributionVectors(11 - nFirst);
            for (int i = 1; i <= nResolution; ++i) {
                const int k = i + nFirst - 1;  // at k S
                pDistAxisS[i] = static_cast<float>(k);
                pDistAxisM[i] = 1e4f * pDistAxisS[i];
                pDistValues[i] = k == 1 ? 50.0f : k == kPeak ? 100.0f : 1.0f;
            }
            fSMax = 10.0f;
            if (kPeak == 2) {
                expectTheRangeWidensToFifteen(pbModel);
                continue;
            }
            autoAdjustDistributionRange();
            EXPECT_FLOAT_EQ(fSMax, 10.0f) << static_cast<const void*>(pbModel);
            EXPECT_EQ(bRealtimeForceReload, 0);
            freeDistributionVectors();
            *pbModel = 0;
            bModelContinuous = 0;
        }
    }
    bHybridWithDiscrete = 0;
}

// Nothing to measure, nothing changed: a continuous model whose distribution
// has no grid (never computed), or a grid whose only continuous point follows
// the extra discrete species (no interval to hold a share of the area).
TEST(RealtimeAutoRange, WithoutAGridOrAnIntervalTheRangeStays)
{
    bModelContinuous = 1;
    bModelCS = 1;
    nResolution = 10;  // a point count without vectors (other analyses count their own points there)
    fSMax = 10.0f;
    autoAdjustDistributionRange();
    EXPECT_FLOAT_EQ(fSMax, 10.0f);
    EXPECT_EQ(bRealtimeForceReload, 0);
    nResolution = 0;
    bModelCS = 0;

    bModelCSOneDiscreteD = 1;
    allocDistributionVectors(2);
    pDistAxisS[1] = 3.0f;  // the discrete species
    pDistAxisS[2] = 8.0f;
    pDistAxisM[1] = 3e4f;
    pDistAxisM[2] = 8e4f;
    pDistValues[1] = pDistValues[2] = 1.0f;
    autoAdjustDistributionRange();
    EXPECT_FLOAT_EQ(fSMax, 10.0f);
    EXPECT_EQ(bRealtimeForceReload, 0);
    freeDistributionVectors();
    bModelCSOneDiscreteD = 0;
    bModelContinuous = 0;
}

// The selection handed to the loader fills its buffer up to the last byte
// and no further: the folder and its NUL, whole names each with its NUL, the
// closing NUL; a name that does not fit whole is left out, whether the
// buffer is full already or lacks a single byte for it. Names this long come
// from a series with a long extension.
TEST(RealtimeFileList, FillsTheBufferWithWholeNamesAndNoFurther)
{
    ppRealtimeFileName = new char[nRealtimeMaxFileNumber + 1][nRealtimeNameSize]();
    nRealtimeFirstNumber = 1;
    nRealtimeLastNumber = 0;
    buildRealtimeFileList();
    const std::string folder = szRealtimeFileList;
    auto nameOf = [](int n, int nLength) {
        char sz[16];
        std::snprintf(sz, sizeof sz, "%05d.", n);
        std::string name = sz;
        return name + std::string(static_cast<size_t>(nLength) - name.size(), 'x');
    };
    // the bytes left free once the names before the last are in
    for (int nLeft : {0, 7}) {
        // room for the names with their NULs, between the folder's NUL and
        // the closing one
        int nRoom = nRealtimeFileListSize - static_cast<int>(folder.size()) - 2 - nLeft;
        std::vector<std::string> expected;
        int n = 0;
        while (nRoom > 0) {
            // 200 characters; the last two names share what is left
            const int nLength = nRoom > 2 * 201 ? 200 : nRoom > 201 ? nRoom / 2 - 1 : nRoom - 1;
            ++n;
            ASSERT_LT(n, nRealtimeMaxFileNumber);
            expected.push_back(nameOf(n, nLength));
            std::snprintf(ppRealtimeFileName[n], nRealtimeNameSize, "%s", expected.back().c_str());
            nRoom -= nLength + 1;
        }
        ASSERT_EQ(nRoom, 0);
        // one more of 7 characters, with its NUL one byte more than is left
        std::snprintf(ppRealtimeFileName[n + 1], nRealtimeNameSize, "%s", nameOf(n + 1, 7).c_str());
        nRealtimeLastNumber = n + 1;
        buildRealtimeFileList();

        EXPECT_EQ(std::string(szRealtimeFileList), folder);
        std::vector<std::string> names;
        size_t p = folder.size() + 1;
        while (p < static_cast<size_t>(nRealtimeFileListSize) && szRealtimeFileList[p]) {
            const size_t nLength = strnlen(szRealtimeFileList + p, nRealtimeFileListSize - p);
            names.emplace_back(szRealtimeFileList + p, nLength);
            p += nLength + 1;
        }
        // the closing NUL
        EXPECT_EQ(p, static_cast<size_t>(nRealtimeFileListSize - 1 - nLeft)) << nLeft;
        EXPECT_EQ(names.size(), expected.size()) << nLeft;
        EXPECT_TRUE(names == expected) << nLeft;
        for (int k = 0; k <= nRealtimeMaxFileNumber; ++k) ppRealtimeFileName[k][0] = '\0';
    }
    delete[] ppRealtimeFileName;
    ppRealtimeFileName = nullptr;
    nRealtimeLastNumber = nRealtimeFirstNumber = 0;
}

// Two scans are enough to see the temperature drift: 1.5 C between them
// brings the warning, once.
TEST(RealtimeTemperature, TwoScansDriftingByOneDegreeAndAHalfAreWarnedAbout)
{
    std::vector<scantest::MemoryScan> scans(2);
    for (int i = 0; i < 2; ++i) {
        scans[i].time = 100.0 * (i + 1);
        scans[i].r = {6.0f, 6.1f, 6.2f};
        scans[i].s = {0.0f, 0.5f, 1.0f};
    }
    scantest::installScans(scans);
    pScanHeaders[pScanTimeOrder[1]].temperature = 20.0f;
    pScanHeaders[pScanTimeOrder[2]].temperature = 21.5f;
    {
        headless::Script script;
        script.expectMessageBox("temperature fluctuations > 1 C", IDOK);
        checkTemperatureDrift(nullptr);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_EQ(bRealtimeTemperatureWarned, 1);
    checkTemperatureDrift(nullptr);  // said once: no box expected
    bRealtimeTemperatureWarned = 0;
    scantest::resetScanState();
}
