// Sorting fluorescence scan files by detector setting, with the list files per
// setting, and the key and file-name tables behind them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "plot/error_box.h"
#include "plot/sound_folder.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_test_files.h"
#include "tools/fluorescence/file_name_tables.h"
#include "tools/fluorescence/fluorescence_sort.h"
#include "tools/fluorescence_fixture.h"

namespace fs = std::filesystem;
using win::IDNO;
using win::IDOK;
using win::IDYES;
using win::headless::Script;

namespace {

class FluorescenceSortTest : public FluorescenceTest {
protected:
    // A folder of one run: cell 1 at 600 V, range 1, gain 2 at 50, 120, 180
    // and 260 s (A00009..A00012); the first file of gain 20 at 1200 s
    // (A00008); a reference in cell 4 (A00014.FI4). The first three are loaded.
    void SetUpRun()
    {
        run = Folder("run");
        FluoScan g20;
        g20.name = "A00008.FI1";
        g20.gain = 20;
        g20.time = 1200.0;
        WriteFluoScan(run, g20);
        const double times[] = {50.0, 120.0, 180.0, 260.0};
        std::vector<std::string> loaded;
        for (int k = 0; k < 4; k++) {
            FluoScan s;
            s.name = "A0000" + std::to_string(9 + k) + ".FI1";
            if (k > 0) s.name = "A000" + std::to_string(9 + k) + ".FI1";
            s.time = times[k];
            const std::string path = WriteFluoScan(run, s);
            setModificationTime(path, 1700000000 + 3600 * k);
            if (k < 3) loaded.push_back(path);
        }
        FluoScan ref;
        ref.name = "A00014.FI4";
        ref.cell = 4;
        ref.time = 300.0;
        WriteFluoScan(run, ref);
        LoadFiles(loaded);
        ASSERT_EQ(nScans, 3);
    }
    // Command 903, the whole folder, with lists for 0..1000 s and 10 scans,
    // reference cell 4, no signal check.
    void SortFolder(Script& script, const char* szThenBox = nullptr)
    {
        ExpectSortQuestions(script);
        if (szThenBox) script.expectMessageBox(szThenBox, IDOK);
        Command(script, 903);
    }
    void ExpectSortQuestions(Script& script)
    {
        script.expectMessageBox("sort all data in this folder?", IDYES)
            .expectMessageBox("make list files?", IDYES)
            .expectInput("t min [sec]", "0")
            .expectInput("t max [sec]", "1000")
            .expectInput("target # of scans", "10")
            .expectInput("exclude fluorescence reference in cell#", "4")
            .expectMessageBox("exclude files with signal below thresold", IDNO);
    }
    std::vector<std::string> SortedNames() const
    {
        std::vector<std::string> v;
        if (!fs::is_directory(run + "/sorted")) return v;
        for (const auto& e : fs::directory_iterator(run + "/sorted")) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
    std::string run;
};

}  // namespace

TEST_F(FluorescenceSortTest, CopiesAndListsPerSetting)
{
    SetUpRun();
    // scans of the run whose names the sort takes ("A0" or "B0", an extension
    // starting ".F") or leaves
    for (const char* szName : {"A10015.FI1", "B00016.FI1", "C00017.FI1", "A00018.RI1"}) {
        FluoScan s;
        s.name = szName;
        s.time = 400.0;
        WriteFluoScan(run, s);
    }
    Script script;
    SortFolder(script);
    const std::vector<std::string> folderSorted{
        "00008.FI1_A_PMV600_r1_g20", "00009.FI1_A_PMV600_r1_g2", "00010.FI1_A_PMV600_r1_g2",
        "00011.FI1_A_PMV600_r1_g2",  "00012.FI1_A_PMV600_r1_g2", "00016.FI1_B_PMV600_r1_g2",
        "list.FI1_A_PMV600_r1_g2",   "list.FI1_A_PMV600_r1_g20", "list.FI1_B_PMV600_r1_g2"};
    EXPECT_EQ(SortedNames(), folderSorted);
    // 50 and 180 s: 120 is not more than 100 s after 50, 260 not after 180
    EXPECT_EQ(scantest::readText(run + "/sorted/list.FI1_A_PMV600_r1_g2"),
              "newformat n=1\n" + run + "/sorted\n00009.FI1_A_PMV600_r1_g2\n00011.FI1_A_PMV600_r1_g2\n");
    // the first scan of a setting is taken beyond t max
    EXPECT_EQ(scantest::readText(run + "/sorted/list.FI1_A_PMV600_r1_g20"),
              "newformat n=1\n" + run + "/sorted\n00008.FI1_A_PMV600_r1_g20\n");
    // a copy is the file with the file's times
    EXPECT_EQ(scantest::readText(run + "/sorted/00012.FI1_A_PMV600_r1_g2"), scantest::readText(run + "/A00012.FI1"));
    EXPECT_EQ(fs::last_write_time(run + "/sorted/00010.FI1_A_PMV600_r1_g2"), fs::last_write_time(run + "/A00010.FI1"));
    // the tables are empty again
    EXPECT_EQ(pFileNameTables, nullptr);
    EXPECT_EQ(nKeyNames, 0);

    // the loaded scans only: into "sorted" under their keys, no lists
    fs::remove_all(run + "/sorted");
    Script loaded;
    loaded.expectMessageBox("sort all data in this folder?", IDNO);
    Command(loaded, 903);
    EXPECT_EQ(SortedNames(), (std::vector<std::string>{"00009.FI1_A_PMV600_r1_g2", "00010.FI1_A_PMV600_r1_g2",
                                                       "00011.FI1_A_PMV600_r1_g2"}));

    // one loaded scan (every third of three) is enough to name the folder:
    // the whole folder is sorted
    fs::remove_all(run + "/sorted");
    Script loadOne;
    loadOne.expectOpenFile("select files to fit", {run + "/A00010.FI1", run + "/A00011.FI1", run + "/A00012.FI1"})
        .expectInput("load every n'th file:", "3");
    Command(loadOne, 200);
    ASSERT_EQ(nScans, 1);
    Script single;
    SortFolder(single);
    EXPECT_EQ(SortedNames(), folderSorted);
}

// The signal check leaves out a scan only when a signal from r min to r max
// lies below the minimum. The run's scans read 100 at every point: with a
// minimal signal of 100 they are all still sorted. A00015 dips to 99.9 at
// 6.20 cm, inside 6.10..6.30, and is left out; A00016 dips to 50 at 6.02 cm,
// before r min, and is sorted.
TEST_F(FluorescenceSortTest, TheSignalCheckLeavesOutScansBelowTheMinimum)
{
    SetUpRun();
    FluoScan inside;
    inside.name = "A00015.FI1";
    inside.time = 400.0;
    inside.signal = [](int i) { return i == 21 ? 99.9f : 100.0f; };
    WriteFluoScan(run, inside);
    FluoScan before;
    before.name = "A00016.FI1";
    before.time = 500.0;
    before.signal = [](int i) { return i == 3 ? 50.0f : 100.0f; };
    WriteFluoScan(run, before);

    Script script;
    script.expectMessageBox("sort all data in this folder?", IDYES)
        .expectMessageBox("make list files?", IDNO)
        .expectMessageBox("exclude files with signal below thresold", IDYES)
        .expectInput("r min [cm]", "6.1")
        .expectInput("r max [cm]", "6.3")
        .expectInput("minimal signal", "100")
        .expectInput("maximal noise", "1");
    Command(script, 903);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(SortedNames(), (std::vector<std::string>{"00008.FI1_A_PMV600_r1_g20", "00009.FI1_A_PMV600_r1_g2",
                                                       "00010.FI1_A_PMV600_r1_g2", "00011.FI1_A_PMV600_r1_g2",
                                                       "00012.FI1_A_PMV600_r1_g2", "00016.FI1_A_PMV600_r1_g2"}));
}

TEST_F(FluorescenceSortTest, AnUnreadableFileStopsTheSortWithAMessage)
{
    SetUpRun();
    // a file of a scan's size and name that is no scan
    scantest::writeText(run + "/A00013.FI1", std::string(2000, 'x') + "\n");
    fs::path sounds = fs::path(win::workingFolder()) / "sounds";
    fs::create_directories(sounds);
    std::fclose(std::fopen((sounds / "ok.wav").string().c_str(), "wb"));
    soundtest::SoundFolder folder(sounds.string());
    bSound = 1;
    countSoundFiles();

    Script script;
    SortFolder(script, "could not read the scan file");
    EXPECT_TRUE(transcriptShows(script, run + "/A00013.FI1"));
    EXPECT_FALSE(transcriptShows(script, "Sound \"ok"));
    // what was copied before it stays, the file after it is not reached
    const std::vector<std::string> names = SortedNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "00012.FI1_A_PMV600_r1_g2"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "00014.FI4_A_PMV600_r1_g2"), names.end());

    // without data the command asks for them
    freeScanData();
    Script none;
    none.expectMessageBox("Sort Fluorescence AUC data", IDOK);
    Command(none, 903);
    EXPECT_TRUE(transcriptShows(none, "\"please load data\""));
}

TEST(FileNameTables, KeysSpacingAndFullTables)
{
    // keys compare exactly: gain 2 is not the setting of gain 20
    EXPECT_EQ(findOrAddKeyName(".FI1_A_PMV600_r1_g20"), 1);
    EXPECT_EQ(findOrAddKeyName(".FI1_A_PMV600_r1_g2"), 2);
    EXPECT_EQ(findOrAddKeyName(".FI1_A_PMV600_r1_g20"), 1);
    freeKeyNames();

    // spacing after t min; the first scan of a table is taken beyond t max
    EXPECT_FALSE(addToFileNameTable("/d/a1", "k", 0.0f, 0.0f, 100.0f, 1000.0f));  // not after t min
    EXPECT_TRUE(addToFileNameTable("/d/a2", "k", 1200.0f, 0.0f, 100.0f, 1000.0f));
    EXPECT_FALSE(addToFileNameTable("/d/a3", "k", 1500.0f, 0.0f, 100.0f, 1000.0f));  // beyond t max
    EXPECT_TRUE(addToFileNameTable("/d/b1", "m", 50.0f, 0.0f, 100.0f, 1000.0f));
    EXPECT_FALSE(addToFileNameTable("/d/b2", "m", 150.0f, 0.0f, 100.0f, 1000.0f));
    EXPECT_TRUE(addToFileNameTable("/d/b3", "m", 150.5f, 0.0f, 100.0f, 1000.0f));
    EXPECT_EQ(iFileNameTables, 2);
    EXPECT_EQ(pFileNameTableCounts[2], 2);
    EXPECT_STREQ(pFileNameTables[2][2], "/d/b3");
    freeFileNameTables();
    freeKeyNames();
    freeFileNameTables();  // twice, and with nothing allocated: no harm

    // a full key table refuses the next key with a message, never slot 0
    Script script;
    script.expectMessageBox("Error", IDOK).expectMessageBox("Error", IDOK);
    clearShownErrorMessages();
    for (int k = 1; k <= iMaxKeyNames; k++)
        ASSERT_TRUE(addToFileNameTable("/d/x", ("key" + std::to_string(k)).c_str(), 10.0f, 0.0f, 0.0f, 100.0f));
    EXPECT_EQ(iFileNameTables, iMaxFileNameTables);
    EXPECT_FALSE(addToFileNameTable("/d/y", "one more", 10.0f, 0.0f, 0.0f, 100.0f));
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0].substr(0, 12), "\n\aAttention:");
    EXPECT_EQ(findOrAddKeyName("one more"), 0);
    // the last of the 1000 tables keeps its own count and last time like the
    // first: a second scan at its last time (10 s) is not after it, one at
    // 20 s is; the sanitizer build reports a slot beyond the arrays
    EXPECT_FALSE(addToFileNameTable("/d/x2", ("key" + std::to_string(iMaxKeyNames)).c_str(), 10.0f, 0.0f, 0.0f,
                                    100.0f));
    EXPECT_TRUE(addToFileNameTable("/d/x2", ("key" + std::to_string(iMaxKeyNames)).c_str(), 20.0f, 0.0f, 0.0f,
                                   100.0f));
    EXPECT_EQ(pFileNameTableCounts[iMaxFileNameTables], 2);
    EXPECT_EQ(pFileNameTableCounts[1], 1);
    // a full table refuses further names
    freeFileNameTables();
    freeKeyNames();
    for (int n = 1; n <= iMaxFileNameTableSize; n++)
        ASSERT_TRUE(addToFileNameTable("/d/z", "k", static_cast<float>(n), 0.0f, 0.0f, 1e9f));
    EXPECT_FALSE(addToFileNameTable("/d/z", "k", 5000.0f, 0.0f, 0.0f, 1e9f));
    EXPECT_EQ(shownErrorMessages().back(), "\n\aAttention: too many in iMaxFileNameTableSize");
}
