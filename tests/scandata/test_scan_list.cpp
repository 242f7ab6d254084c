// List files and the pending file list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/scan_test_files.h"

using scantest::ScanRecipe;
using scantest::TempFolder;

namespace {

class ScanListTest : public scantest::LoadingTest {
protected:
    std::vector<std::string> pending() const {
        std::vector<std::string> v;
        for (int i = 1; i <= nPendingFiles; ++i) v.push_back(ppPendingFileName[i]);
        return v;
    }
    TempFolder dir;
};

}  // namespace

TEST_F(ScanListTest, ListFileRoundTripWithStep) {
    // Ten scans whose times run backwards; a list with step 3 takes 1, 4, 7, 10.
    std::string list = "newformat n=3\n" + dir.Dir() + "\n";
    for (int k = 1; k <= 10; ++k) {
        ScanRecipe recipe;
        recipe.time = 2000.0 - 100.0 * k;
        scantest::writeScan(dir, "s" + std::to_string(k) + ".RA2", recipe);
        list += "s" + std::to_string(k) + ".RA2\n";
    }
    scantest::writeText(dir.Path("mylist.RA2"), list);
    ASSERT_EQ(readScanListFile(&window, dir.Path("mylist.RA2").c_str()), 1);
    EXPECT_EQ(nLoadEveryNth, 3);
    std::vector<std::string> expected = {dir.Path("s1.RA2"), dir.Path("s4.RA2"), dir.Path("s7.RA2"),
                                         dir.Path("s10.RA2")};
    EXPECT_EQ(pending(), expected);
    EXPECT_EQ(std::string(szListFilePath), dir.Dir());

    // Loaded, listed again in time order and written: the writer's list
    // (step 1) reads back to the same files in time order.
    window.LoadScanFileList();
    ASSERT_EQ(nScans, 4);
    EXPECT_EQ(std::string(szWindowTitle), "SEDIMENTATION ANALYSIS -> " + dir.Path("s1.RA2") + "...");
    buildScanFileList(0);
    writeScanListFile(0);
    EXPECT_EQ(scantest::readText(dir.Path("list.RA2")),
              "newformat n=1\n" + dir.Dir() + "\ns10.RA2\ns7.RA2\ns4.RA2\ns1.RA2\n");
    freeScanFileList();
    ASSERT_EQ(readScanListFile(&window, dir.Path("list.RA2").c_str()), 1);
    EXPECT_EQ(nScans, 0);  // reading a list releases the loaded set
    EXPECT_EQ(nLoadEveryNth, 1);
    std::vector<std::string> timeOrder(expected.rbegin(), expected.rend());
    EXPECT_EQ(pending(), timeOrder);

    // Leaving out a scan keeps the others in time order.
    window.LoadScanFileList();
    buildScanFileList(pScanTimeOrder[1]);
    EXPECT_EQ(pending(), std::vector<std::string>(timeOrder.begin() + 1, timeOrder.end()));
    writeScanListFile(1);  // no list while the pending list is not the set
    EXPECT_FALSE(std::filesystem::exists(dir.Path("list_corr.RA2")));
}

TEST_F(ScanListTest, OldListsCommentsAndRefusals) {
    scantest::writeText(dir.Path("old"), "c:\\data\\run1\n% a comment line\nA_B.RA1\nC_D.RA1 % trailing\nE_F.RA1\n\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("old").c_str()), 1);
    // "_" reads as "."; a comment line goes, a comment after a name ends it.
    EXPECT_EQ(pending(), (std::vector<std::string>{"c:\\data\\run1\\A.B.RA1", "c:\\data\\run1\\C.D.RA1",
                                                  "c:\\data\\run1\\E.F.RA1"}));
    // The same in a new list, with Windows line ends; a list without
    // comments reads as before.
    scantest::writeText(dir.Path("commented"),
                        "newformat n=1\r\n/data\r\n00001.RA1\t% first\r\n% skipped\r\n00002.RA1\r\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("commented").c_str()), 1);
    EXPECT_EQ(pending(), (std::vector<std::string>{"/data/00001.RA1", "/data/00002.RA1"}));
    // An empty comment, a bare "%" at the end of a name's line (after a blank
    // or right after the name), ends the name and keeps the line break: the
    // names stay apart.
    scantest::writeText(dir.Path("bare"), "newformat n=1\n/data\n00001.RA1 %\n00002.RA1%\n00003.RA1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("bare").c_str()), 1);
    EXPECT_EQ(pending(), (std::vector<std::string>{"/data/00001.RA1", "/data/00002.RA1", "/data/00003.RA1"}));
    scantest::writeText(dir.Path("plain"), "newformat n=1\n/data\n00001.RA1\n00002.RA1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("plain").c_str()), 1);
    EXPECT_EQ(pending(), (std::vector<std::string>{"/data/00001.RA1", "/data/00002.RA1"}));

    // A name that would make a path of 260 characters, one more than the
    // path buffers take, refuses the whole list and leaves the pending list
    // as it was.
    scantest::writeText(dir.Path("long"), "newformat n=1\n/data\n" + std::string(250, 'x') + ".RA1\n");
    win::headless::Script script;
    script.expectMessageBox("too long for a file path", win::IDOK);
    EXPECT_EQ(readScanListFile(&window, dir.Path("long").c_str()), 0);
    EXPECT_EQ(nPendingFiles, 2);

    // Too many names: the box, no pending list built, no scans loaded.
    std::string many = "newformat n=1\n/data\n";
    for (int k = 0; k < 1001; ++k) many += "n" + std::to_string(k) + ".RA1\n";
    scantest::writeText(dir.Path("many"), many);
    script.expectMessageBox("too many scans selected", win::IDOK);
    EXPECT_EQ(readScanListFile(&window, dir.Path("many").c_str()), 0);
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(script.pending(), 0u);

    // An unreadable list changes nothing, silently.
    EXPECT_EQ(readScanListFile(&window, dir.Path("none").c_str()), 0);
    EXPECT_EQ(nPendingFiles, 2);

    // One name after the directory is that named file, also in a path of
    // 259 characters.
    scantest::writeText(dir.Path("one"), "newformat n=1\n/data/run\nx.IP1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("one").c_str()), 1);
    EXPECT_EQ(pending(), std::vector<std::string>{"/data/run/x.IP1"});
    const std::string longest = "/data/" + std::string(249, 'x') + ".RA1";
    ASSERT_EQ(longest.size(), 259u);
    scantest::writeText(dir.Path("longest"), "newformat n=1\n/data\n" + longest.substr(6) + "\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("longest").c_str()), 1);
    EXPECT_EQ(pending(), std::vector<std::string>{longest});
}

TEST_F(ScanListTest, CellDirectoryAndExistence) {
    scantest::writeText(dir.Path("l"), "newformat n=1\nc:\\data\\run1\nx.RA1\ny.RA1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("l").c_str()), 1);
    setCellInFileList(3);
    EXPECT_EQ(pending(), (std::vector<std::string>{"c:\\data\\run1\\x.RA3", "c:\\data\\run1\\y.RA3"}));
    setCellInFileList(9);
    EXPECT_EQ(pending()[0], "c:\\data\\run1\\x.RA3");
    setDirNumberInFileList(7);
    EXPECT_EQ(pending()[1], "c:\\data\\7\\y.RA3");
    setDirInFileList("\\other\\place");
    EXPECT_EQ(pending()[0], "c:\\other\\place\\x.RA3");
    // A folder written without a separator (a relative one) is joined to the
    // names with a backslash, as the platform's path maker joins one.
    char szJoined[win::_MAX_PATH];
    win::_makepath(szJoined, "", "run2", "y", ".RA3");
    scantest::writeText(dir.Path("rel"), "newformat n=1\nrun2\ny.RA3\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("rel").c_str()), 1);
    EXPECT_EQ(pending(), std::vector<std::string>{szJoined});
    win::_makepath(szJoined, "", "place", "y", ".RA3");
    setDirInFileList("place");
    EXPECT_EQ(pending()[0], szJoined);
    EXPECT_FALSE(filesInListExist());

    scantest::writeScan(dir, "x.RA1", ScanRecipe());
    scantest::writeText(dir.Path("l2"), "newformat n=1\n" + dir.Dir() + "\nx.RA1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("l2").c_str()), 1);
    EXPECT_TRUE(filesInListExist());
    // Every name counts, the first as much as the last.
    scantest::writeText(dir.Path("l3"), "newformat n=1\n" + dir.Dir() + "\ngone.RA1\nx.RA1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("l3").c_str()), 1);
    EXPECT_FALSE(filesInListExist());
    scantest::writeText(dir.Path("l4"), "newformat n=1\n" + dir.Dir() + "\nx.RA1\ngone.RA1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("l4").c_str()), 1);
    EXPECT_FALSE(filesInListExist());
}
