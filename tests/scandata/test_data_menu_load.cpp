// The Data-menu load commands: the step question, list files, experiment
// files and dropped files, driven through the scripted layer.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "scandata/data_menu_fixture.h"
#include "app/xla_window.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"

using scantest::ScanRecipe;

namespace {

class DataMenuLoadTest : public DataMenuTest {
protected:
    // Files <stem>01<ext> ... with increasing times; signal k in file k.
    std::vector<std::string> WriteFiles(const std::string& folder, int n, const std::string& stem = "f",
                                        const std::string& ext = ".RA1") {
        std::vector<std::string> paths;
        for (int k = 1; k <= n; ++k) {
            ScanRecipe recipe;
            recipe.time = 600.0 * k;
            recipe.signal = [k](int, float) { return static_cast<float>(k); };
            char name[64];
            std::snprintf(name, sizeof(name), "%s%02d%s", stem.c_str(), k, ext.c_str());
            paths.push_back(WriteScan(folder, name, recipe));
        }
        return paths;
    }
    std::vector<std::string> LoadedNames() const {
        std::vector<std::string> v;
        for (int i = 1; i <= nScans; ++i) v.push_back(ppScanFileName[i]);
        return v;
    }
};

}  // namespace

TEST_F(DataMenuLoadTest, StepAnswersListFilesAndCaption) {
    const std::string folder = Folder("plain");
    const std::vector<std::string> paths = WriteFiles(folder, 5);
    // 2.7 takes every second file; 0 and -3 every file.
    const struct {
        const char* answer;
        std::vector<std::string> names;
    } cases[] = {{"2.7", {"f01.RA1", "f03.RA1", "f05.RA1"}},
                 {"0", {"f01.RA1", "f02.RA1", "f03.RA1", "f04.RA1", "f05.RA1"}},
                 {"-3", {"f01.RA1", "f02.RA1", "f03.RA1", "f04.RA1", "f05.RA1"}}};
    for (const auto& c : cases) {
        win::headless::Script script;
        script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", c.answer);
        Run(script, 200);
        EXPECT_EQ(LoadedNames(), c.names) << c.answer;
        if (c.names.size() == 3) {
            EXPECT_EQ(scantest::readText(folder + "/list.RA1").substr(0, 14), "newformat n=2\n");
        }
    }
    EXPECT_EQ(std::string(szWindowTitle), "SEDIMENTATION ANALYSIS -> " + folder + "/f01.RA1...");
    // The selection went into "list" beside the files, with the step.
    EXPECT_EQ(scantest::readText(folder + "/list.RA1"),
              "newformat n=1\n" + folder + "\nf01.RA1\nf02.RA1\nf03.RA1\nf04.RA1\nf05.RA1\n");

    // The list road: no step question, the list's own step.
    scantest::writeText(folder + "/list.RA1", "newformat n=2\n" + folder + "\nf01.RA1\nf02.RA1\n% a comment\nf03.RA1\n");
    {
        win::headless::Script script;
        script.expectOpenFile("select files to fit", {folder + "/list.RA1"});
        Run(script, 200);
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"f01.RA1", "f03.RA1"}));
        EXPECT_EQ(nLoadEveryNth, 2);
    }
    // A list named LIST_CORR whose folder is gone: the files are taken from
    // the list's own folder; an older list without header reads "_" as ".".
    const std::string moved = Folder("moved");
    WriteFiles(moved, 3, "g");
    scantest::writeText(moved + "/LIST_CORR.ip2", "/no/such/folder\ng01_RA1\ng03_RA1\n");
    {
        win::headless::Script script;
        script.expectOpenFile("select files to fit", {moved + "/LIST_CORR.ip2"})
            .expectMessageBox("could not find files in /no/such/folder/g01.RA1 - use file from " + moved + "/ ?",
                              win::IDYES);
        Run(script, 200);
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"g01.RA1", "g03.RA1"}));
        EXPECT_EQ(std::string(szWindowTitle), "SEDIMENTATION ANALYSIS -> " + moved + "/...");
        EXPECT_EQ(bLoadFromListDirectory, 0);
    }

    // "_run.xp" is a scan file for the loader: one file, not switched to
    // equilibrium mode, so the set stays and no list is written.
    const std::string single = Folder("single");
    const std::string run = WriteScan(single, "_run.xp", ScanRecipe());
    {
        win::headless::Script script;
        script.expectOpenFile("select files to fit", {run})
            .expectInput("load every n'th file:", "1")
            .expectMessageBox("only one file selected", win::IDOK)
            .expectMessageBox("switch to Equilibrium Data Mode?", win::IDNO);
        Run(script, 200);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"g01.RA1", "g03.RA1"}));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(single), std::filesystem::directory_iterator()), 1);
    // The next dialog starts in the folder of the one file.
    EXPECT_EQ(readLines(work + "morvex.ini"), std::vector<std::string>{single + "/"});

    // Cancel changes nothing; painting is not left suspended.
    {
        win::headless::Script script;
        script.expectFileCancel("select files to fit");
        Run(script, 200);
        EXPECT_EQ(nScans, 2);
        EXPECT_EQ(bLoadFromList, 0);
    }
    // A list file without a folder ends the command, and painting goes on.
    scantest::writeText(moved + "/list.RA1", "");
    {
        win::headless::Script script;
        script.expectOpenFile("select files to fit", {moved + "/list.RA1"});
        Run(script, 200);
        EXPECT_EQ(nScans, 2);
        EXPECT_EQ(bLoadFromList, 0);
    }
}

TEST_F(DataMenuLoadTest, DroppedFiles) {
    const std::string folder = Folder("dropped");
    const std::vector<std::string> ten = WriteFiles(folder, 10, "d", ".ra1");
    {
        // Lower-case ".ra1" counts; step 3 takes dropped files 0, 3, 6, 9.
        win::headless::Script script;
        script.dropFiles(ten).expectInput("load every n'th file:", "3");
        win::headless::processMessages();
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"d01.ra1", "d04.ra1", "d07.ra1", "d10.ra1"}));
    }
    {
        // With scans loaded the drop asks first; No keeps them.
        win::headless::Script script;
        script.dropFiles({ten[0], ten[1]}).expectMessageBox("erase currently loaded data?", win::IDNO);
        win::headless::processMessages();
        EXPECT_EQ(nScans, 4);
        EXPECT_EQ(script.pending(), 0u);
    }
    {
        // Other files and one scan file alone are ignored; a parameter file
        // is offered, and No leaves everything as it was.
        const std::string a = folder + "/a.txt", b = folder + "/b.txt", p = folder + "/~tmppars.RA1";
        scantest::writeText(a, "x");
        scantest::writeText(b, "y");
        scantest::writeText(p, "1\n");
        win::headless::Script script;
        script.dropFiles({a, b}).dropFiles({ten[2]}).dropFiles({p});
        script.expectMessageBox("switch to parameter file " + p + "?", win::IDNO);
        win::headless::processMessages();
        EXPECT_EQ(nScans, 4);
        EXPECT_EQ(script.pending(), 0u);
    }
    // Paths are taken whole: one of 259 characters, the longest the loader
    // keeps, loads; a longer one, first or not, is a load error naming it.
    auto pathOfLength = [&](size_t n) {
        const size_t pad = n - folder.size() - 2 - std::string("/d01.RA1").size();
        const std::string sub = std::string(pad / 2, 'p') + "/" + std::string(pad - pad / 2, 'q');
        return WriteFiles(Folder("dropped/" + sub), 1, "d")[0];
    };
    const std::string p259 = pathOfLength(259), p260 = pathOfLength(260), p300 = pathOfLength(300);
    ASSERT_EQ(p260.size(), 260u);
    const std::string tooLong = "\nthe path is longer than 259 characters";
    {
        win::headless::Script script;
        script.dropFiles({ten[0], p259}).expectMessageBox("erase currently loaded data?", win::IDYES);
        script.expectInput("load every n'th file:", "1");
        win::headless::processMessages();
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"d01.ra1", "d01.RA1"}));
        script.dropFiles({ten[0], p260}).expectMessageBox("erase currently loaded data?", win::IDYES);
        script.expectInput("load every n'th file:", "1").expectMessageBox(p260 + tooLong, win::IDOK);
        win::headless::processMessages();
        EXPECT_EQ(nScans, 0);
        script.dropFiles({p300, ten[0]}).expectInput("load every n'th file:", "1");
        script.expectMessageBox(p300 + tooLong, win::IDOK);
        win::headless::processMessages();
        EXPECT_EQ(nScans, 0);
        EXPECT_EQ(script.pending(), 0u);
    }
    {
        // ".RA8" is the last channel taken; ".RA9" and ".IP0" are ignored
        const std::vector<std::string> eight = WriteFiles(folder, 2, "e", ".RA8");
        win::headless::Script script;
        script.dropFiles(eight).expectInput("load every n'th file:", "1");
        win::headless::processMessages();
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"e01.RA8", "e02.RA8"}));
        script.dropFiles(WriteFiles(folder, 2, "n", ".RA9")).dropFiles(WriteFiles(folder, 2, "z", ".IP0"));
        win::headless::processMessages();
        EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"e01.RA8", "e02.RA8"}));
        EXPECT_EQ(script.pending(), 0u);
    }
}

TEST_F(DataMenuLoadTest, ExperimentFiles) {
    const std::string folder = Folder("xp");
    const std::string sub = Folder("xp/_scans");
    WriteFiles(sub, 3, "s");
    const std::string values =
        "1.010000 (fBufferDensity)\n0.001100 (fBufferViscosity)\n0.720000 (VBAR)\n5.990000 (Meniscus)\n"
        "7.100000 (Bottom)\n6.000000 (MAXMENISCUS)\n5.980000 (MINMENISCUS)\n7.200000 (MAXBOTTOM)\n"
        "7.000000 (MINBOTTOM)\n6.020000 (FitLeftLim)\n6.080000 (FitRightLim)\n1.0 (WeightExperiment)\n"
        "0.01 (ExperimentalNoise)\n1 (ti)\n0 (ri)\n1 (baseline)\n0 (bottom)\n1 (meniscus)\n";
    // The folder "_scans" lies beside the experiment file. The file goes on
    // after its 18 values with a line longer than any the reader takes: it is
    // not one of them, so it is not read and brings no message.
    scantest::writeText(folder + "/run.xp", "0 (ExperimentType: SEDVELOCITY)\ntitle\n\"_scans/\" \" s01.RA1 s03.RA1\"\n" +
                                                values + std::string(1200, '#') + "\n");
    scantest::writeText(folder + "/eq.xp", "3 (ExperimentType: SEDEQUILIBRIUM)\ntitle\n\"_scans/\" \" s01.RA1\"\n");
    scantest::writeText(folder + "/old.xp", "0\ntitle\n_scans/ s01.RA1\n");
    scantest::writeText(folder + "/long.xp", "0\ntitle\n\"_scans/\" \"" + std::string(130000, 'x') + "\"\n");
    fMeniscus = fBottom = 0.0f;

    {
        // an experiment whose scans are not there loads nothing, and none of
        // its values either
        scantest::writeText(folder + "/gone.xp",
                            "0 (ExperimentType: SEDVELOCITY)\ntitle\n\"_scans/\" \" s09.RA1\"\n" + values);
        const float fDensity = fBufferDensity;
        win::headless::Script script;
        script.expectOpenFile("select files to fit", {folder + "/gone.xp"}).expectMessageBox("s09.RA1", win::IDOK);
        Run(script, 200);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(nScans, 0);
        EXPECT_EQ(fBufferDensity, fDensity);
        EXPECT_EQ(fMeniscus, 0.0f);
    }

    win::headless::Script script;
    script.expectOpenFile("select files to fit", {folder + "/eq.xp"})
        .expectMessageBox("can only load xp files from sedimentation velocity", win::IDOK)
        .expectOpenFile("select files to fit", {folder + "/old.xp"})
        .expectMessageBox("old XP-file format (use newer version of drellix)", win::IDOK)
        .expectOpenFile("select files to fit", {folder + "/long.xp"})
        .expectMessageBox("line 3 is too long", win::IDOK)
        .expectOpenFile("select files to fit", {folder + "/run.xp"});
    for (int k = 0; k < 3; ++k) {
        Run(script, 200);
        EXPECT_EQ(nScans, 0);
    }
    Run(script, 200);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"s01.RA1", "s03.RA1"}));
    EXPECT_FLOAT_EQ(fBufferDensity, 1.01f);
    EXPECT_NEAR(RELVISCOSITY, 0.0011 / 0.001002, 1e-5);
    EXPECT_FLOAT_EQ(fVbarRho, 1.01f * 0.72f);
    EXPECT_FLOAT_EQ(fMeniscus, 5.99f);
    EXPECT_FLOAT_EQ(pParamValue[14], 7.1f);
    EXPECT_FLOAT_EQ(fMinBottom, 7.0f);
    EXPECT_FLOAT_EQ(fFitLeftLim, 6.02f);
    EXPECT_EQ(bFitTINoise, 1);
    EXPECT_EQ(bFitRINoise, 0);
    EXPECT_EQ(bFitBaseline, 1);
    EXPECT_EQ(bFitMeniscus, 1);
    EXPECT_EQ(nLoadEveryNth, 1);

    // a value line longer than the 1000 characters its reader takes is named
    // by its line in the file (line 8: the bottom); the values above it stay
    const std::string wide = "0 (ExperimentType: SEDVELOCITY)\ntitle\n\"_scans/\" \" s01.RA1\"\n"
                             "1.020000 (fBufferDensity)\n0.001100 (fBufferViscosity)\n0.730000 (VBAR)\n"
                             "6.010000 (Meniscus)\n7.300000 " + std::string(1001, 'x') + "\n";
    scantest::writeText(folder + "/wide.xp", wide);
    script.expectOpenFile("select files to fit", {folder + "/wide.xp"}).expectMessageBox("line 8 is too long", win::IDOK);
    Run(script, 200);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"s01.RA1"}));
    EXPECT_FLOAT_EQ(fBufferDensity, 1.02f);
    EXPECT_FLOAT_EQ(fMeniscus, 6.01f);
    EXPECT_FLOAT_EQ(fBottom, 7.1f);
}

TEST_F(DataMenuLoadTest, EditDataFilesOpensTheDesktopsTextHandler) {
    const std::string path = WriteFiles(Folder("edit"), 1)[0];
    win::headless::Script script;
    script.expectOpenFile("Select File to Edit", {path});
    Run(script, 201);
    EXPECT_TRUE(transcriptShows(script, "Start WinExec " + win::headless::quote("notepad.exe " + path) + " -> open " +
                                            win::headless::quote(path)));
}

TEST_F(DataMenuLoadTest, ANewSetTakesTheWindowBackFromTheSidePlot) {
    const std::vector<std::string> first = WriteFiles(Folder("first"), 3, "a");
    const std::vector<std::string> second = WriteFiles(Folder("second"), 4, "b");
    win::headless::Script script;
    script.expectOpenFile("select files to fit", first).expectInput("load every n'th file:", "1");
    Run(script, 200);
    ASSERT_EQ(nScans, 3);
    EXPECT_TRUE(window->PointInDataPlot(700, 250));

    // the rotor-speed plot stands in for the data plots
    Run(script, 946);
    ASSERT_NE(pAuxPlot, nullptr);
    EXPECT_FALSE(window->PointInDataPlot(700, 250));

    // a cancelled load leaves it as it was
    script.expectFileCancel("select files to fit");
    Run(script, 200);
    EXPECT_NE(pAuxPlot, nullptr);
    EXPECT_EQ(nScans, 3);

    // new scans by the menu, by adding and by dropping are shown, and their
    // markers and zoom work again
    script.expectOpenFile("select files to fit", second).expectInput("load every n'th file:", "1");
    Run(script, 200);
    ASSERT_EQ(nScans, 4);
    EXPECT_EQ(pAuxPlot, nullptr);
    EXPECT_TRUE(window->PointInDataPlot(700, 250));

    Run(script, 946);
    ASSERT_NE(pAuxPlot, nullptr);
    script.expectOpenFile("select files to add to set 1", {first[0]});
    Run(script, 226);
    EXPECT_EQ(nScans, 5);
    EXPECT_EQ(pAuxPlot, nullptr);
    EXPECT_TRUE(window->PointInDataPlot(700, 250));

    Run(script, 946);
    ASSERT_NE(pAuxPlot, nullptr);
    script.dropFiles(first).expectMessageBox("erase currently loaded data?", win::IDYES)
        .expectInput("load every n'th file:", "1");
    win::headless::processMessages();
    EXPECT_EQ(nScans, 3);
    EXPECT_EQ(pAuxPlot, nullptr);
    EXPECT_TRUE(window->PointInDataPlot(700, 250));
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(DataMenuLoadTest, TheProgramsOwnListFileInASelectionIsNoScanAndAFailedLoadKeepsNoStaleCaption) {
    const std::string folder = Folder("all");
    const std::vector<std::string> paths = WriteFiles(folder, 4);
    win::headless::Script script;
    script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", "1");
    Run(script, 200);
    ASSERT_EQ(nScans, 4);
    const std::string caption = "SEDIMENTATION ANALYSIS -> " + folder + "/f01.RA1...";
    EXPECT_EQ(std::string(szWindowTitle), caption);

    // Every file of the folder again, the list file written by that load
    // (and a corrected-copy list), the grid file of a distribution and the
    // saved analysis among them: the scans load, the program's own files are
    // left out, also of the list written anew.
    scantest::writeText(folder + "/list_corr.RA1", "newformat n=1\n" + folder + "\nf01.RA1\n");
    scantest::writeText(folder + "/sdist.RA1", "0.000000\n0.100000\n");
    scantest::writeText(folder + "/~tmppars.RA1", "1.000000\n");
    std::vector<std::string> all = {folder + "/f01.RA1",   folder + "/f02.RA1",       folder + "/f03.RA1",
                                    folder + "/f04.RA1",   folder + "/list.RA1",      folder + "/list_corr.RA1",
                                    folder + "/sdist.RA1", folder + "/~tmppars.RA1"};
    script.expectOpenFile("select files to fit", all).expectInput("load every n'th file:", "1");
    Run(script, 200);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"f01.RA1", "f02.RA1", "f03.RA1", "f04.RA1"}));
    EXPECT_EQ(scantest::readText(folder + "/list.RA1"),
              "newformat n=1\n" + folder + "\nf01.RA1\nf02.RA1\nf03.RA1\nf04.RA1\n");

    // List files alone: the list is read as the list it is.
    script.expectOpenFile("select files to fit", {folder + "/list_corr.RA1", folder + "/list.RA1"});
    Run(script, 200);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 1);
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"f01.RA1"}));

    // A load declined at the one-file question keeps the set and its caption.
    script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", "1");
    Run(script, 200);
    ASSERT_EQ(nScans, 4);
    script.expectOpenFile("select files to fit", {folder + "/f02.RA1"})
        .expectInput("load every n'th file:", "1")
        .expectMessageBox("only one file selected", win::IDOK)
        .expectMessageBox("switch to Equilibrium Data Mode?", win::IDNO);
    Run(script, 200);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 4);
    EXPECT_EQ(std::string(szWindowTitle), caption);
    EXPECT_EQ(std::string(window->GetCaption()), caption);

    // A load that fails drops the set: the caption names no folder.
    const std::string bad = Folder("bad");
    const std::vector<std::string> badPaths = WriteFiles(bad, 3, "g");
    scantest::writeText(badPaths[1], "not a scan\n");
    script.expectOpenFile("select files to fit", badPaths)
        .expectInput("load every n'th file:", "1")
        .expectMessageBox(badPaths[1] + "\nholds a title only: no scan header follows it", win::IDOK);
    Run(script, 200);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(std::string(szWindowTitle), "Sedimentation Analysis");
    EXPECT_EQ(std::string(window->GetCaption()), "Sedimentation Analysis");
}
