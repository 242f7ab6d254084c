// The HydroPro launcher with a fake HydroPro configured in programs.ini, and
// the extraction of its result lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "platform/win.h"
#include "tools/calculators/hydropro.h"
#include "tools/export_fixture.h"

namespace {

class HydroProTest : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        setUpDataFilePaths(scratch.c_str());  // no HydroPro in the program folder
        pdb = Folder("structures") + "/prot.pdb";
        scantest::writeText(pdb, "ATOM      1  N   MET A   1      27.340  24.430   2.614  1.00  9.67           N\n");
    }
    // A fake HydroPro that writes "<base>.res" with the text given (none:
    // no results file), the base name read from line 2 of hydropro.dat.
    void FakeHydroPro(const std::string& name, const char* szResults)
    {
        const std::string path = scratch + "fakes/" + name;
        std::string text = "#!/bin/sh\nbase=$(sed -n 2p hydropro.dat)\npwd >> '" + scratch + "runs.txt'\n";
        if (szResults) text += std::string("printf '") + szResults + "' > \"$base.res\"\n";
        std::filesystem::create_directories(scratch + "fakes");
        WriteFakeProgram(path, scratch + "unused.txt");
        scantest::writeText(path, text);
        ConfigureProgram(szHydroProExeName, path);
    }
    // The questions of a run, the parameters answered in order (AER, NSIG,
    // SIGMIN, SIGMAX, temperature, density, viscosity, M, vbar; "" cancels and
    // ends the list), then the notice before the start when all were answered.
    void ExpectDialogue(win::headless::Script& script, const std::vector<std::string>& answers)
    {
        script.expectMessageBox("HYDROPRO", win::IDYES)
            .expectMessageBox("Please select the pdb structure file.", win::IDOK)
            .expectOpenFile("please select the pdb file", {pdb})
            .expectMessageBox("user guide", win::IDNO)
            .expectMessageBox("reference publication can be found", win::IDNO);
        const char* prompts[] = {"AER (Angstroms)", "NSIG", "SIGMIN", "SIGMAX", "temperature (K)",
                                 "solvent density (g/ml)", "solvent viscosity (Poise)", "molecular weight (Da)",
                                 "partial-specific volume (ml/g)"};
        for (size_t i = 0; i < answers.size() && i < 9; ++i) {
            if (i != 3) script.expectMessageBox("ATTENTION", win::IDOK);  // SIGMAX shares SIGMIN's box
            if (answers[i].empty()) {
                script.expectInputCancel(prompts[i]);
                return;
            }
            script.expectInput(prompts[i], answers[i]);
        }
        script.expectMessageBox("Results files will be saved in folder", win::IDOK);
    }
    // Runs the command; what the batch echoed on the program's console.
    std::string RunEchoing(win::headless::Script& script)
    {
        testing::internal::CaptureStdout();
        Run(script, 876);
        return testing::internal::GetCapturedStdout();
    }
    std::string pdb;
};

const std::vector<std::string> kStandardAnswers = {"3.2", "6.7", "1", "2", "293.15", "0.99823", "0.01002", "-1", "0.73"};

}  // namespace

TEST_F(HydroProTest, CancelOnAParameterEndsTheCommand)
{
    FakeHydroPro("hp", "Sedimentation coefficient: 1 S\\n");
    win::headless::Script script;
    ExpectDialogue(script, {"3.2", ""});
    Run(script, 876);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(work + "HydroPro/prot/hydropro.dat"));
    EXPECT_FALSE(transcriptShows(script, "Start "));
}

TEST_F(HydroProTest, TheRunFolderFilesAndResults)
{
    FakeHydroPro("hp", "HYDROPRO\\n*** test warning\\nSedimentation coefficient: 3.456E-13 s\\n");
    win::headless::Script script;
    ExpectDialogue(script, kStandardAnswers);
    script.expectMessageBox("HYDROPRO RESULTS", win::IDOK);
    EXPECT_EQ(RunEchoing(script), "starting hydropro\n");
    EXPECT_EQ(script.pending(), 0u);
    const std::string folder = work + "HydroPro/prot";
    EXPECT_TRUE(transcriptShows(script, "Results files will be saved in folder " + folder + " ."));
    // the values offered are HydroPro's usual ones
    for (const char* szOffered : {"\"AER (Angstroms)\" \"3.200000\"", "\"NSIG\" \"-1.000000e+00\"",
                                  "\"solvent density (g/ml)\" \"0.998230\"", "\"molecular weight (Da)\" \"-1.000000e+00\"",
                                  "\"partial-specific volume (ml/g)\" \"0.730000\""})
        EXPECT_TRUE(transcriptShows(script, std::string("Input \"HYDROPRO parameters\" ") + szOffered)) << szOffered;
    EXPECT_EQ(scantest::readText(folder + "/hydropro.dat"),
              "prot\nprot\nprot.pdb\n3.20,\t\t!AER, radius of atomic elements\n6,\t\t!NSIG\n1.00,\t\t!SIGMIN\n"
              "2.00,\t\t!SIGMAX\n293.1,\t\t!Temperature (K)\n0.01002,\t\t!Solvent viscosity (Poise)\n"
              "-1.0,\t\t!Mw (Da)\n0.7300,\t\t!vbar (ml/g)\n0.99823,\t\t!Solvent density (g/ml)\n0,\n0,\n0,\n0,\n"
              "*                   ");
    EXPECT_EQ(scantest::readText(folder + "/hydropro.bat"),
              "echo starting hydropro\nhydropro7cmsd.exe\n@ping 127.0.0.1 -n 4 -w 1000 > nul\nexit\n");
    EXPECT_EQ(scantest::readText(folder + "/prot.pdb"), scantest::readText(pdb));
    // the configured program is not copied; it ran in the run's folder
    EXPECT_FALSE(std::filesystem::exists(folder + "/hydropro7cmsd.exe"));
    EXPECT_EQ(Lines(scratch + "runs.txt"), std::vector<std::string>{folder});
    EXPECT_TRUE(transcriptShows(script, "Start CreateProcess " + quoted("cmd.exe /K " + folder + "\\hydropro.bat") +
                                            " -> batch " + quoted(folder + "/hydropro.bat")));
    EXPECT_TRUE(transcriptShows(script, "Start WinExec " + quoted("notepad.exe " + folder + "/prot.res") + " -> open"));
    std::string shown = quoted("Error Messages:\n*** test warning\n\n\nSedimentation coefficient: 3.456E-13 s\n\n(Compare "
                               "experimental s-values at the same conditions, \ni.e. transform experimental s-values "
                               "from MORVEX to s20w \n[see MORVEX Calculator function]\nif you used standard "
                               "conditions in HYDROPRO)");
    shown.pop_back();  // the text goes on with the request to cite
    EXPECT_TRUE(transcriptShows(script, "MessageBox \"HYDROPRO RESULTS\" " + shown));
    // the run's folder is the current folder only while HydroPro runs
    EXPECT_NE(std::filesystem::current_path().string(), folder);
    // no outside web page is offered
    EXPECT_FALSE(transcriptShows(script, "http"));

    // The same structure again: a folder of its own.
    ExpectDialogue(script, kStandardAnswers);
    script.expectMessageBox("HYDROPRO RESULTS", win::IDOK);
    EXPECT_EQ(RunEchoing(script), "starting hydropro\n");
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "Results files will be saved in folder " + folder + "_ ."));
    EXPECT_TRUE(std::filesystem::exists(folder + "_/prot.res"));
}

TEST_F(HydroProTest, MissingResultsAreReported)
{
    const auto run = [&](const char* szResults, const std::string& message) {
        std::filesystem::remove(work + "programs.ini");
        FakeHydroPro("hp", szResults);
        win::headless::Script script;
        ExpectDialogue(script, kStandardAnswers);
        script.expectMessageBox(message, win::IDOK);
        EXPECT_EQ(RunEchoing(script), "starting hydropro\n");
        EXPECT_EQ(script.pending(), 0u) << message;
        EXPECT_FALSE(transcriptShows(script, "HYDROPRO RESULTS")) << message;
    };
    run(nullptr, "ERROR - no results file created");
    run("*** only a warning\\n", "ERROR - no sedimentation coefficient in " + work + "HydroPro/prot_/prot.res");
}

TEST_F(HydroProTest, AMissingProgramIsLocatedOrItsHelpSectionOffered)
{
    win::headless::Script script;
    script.expectMessageBox("Could not find HydroPro file \"hydropro7cmsd.exe\" in folder " + scratch +
                                ".\nPlease locate this file!",
                            win::IDOK)
        .expectFileCancel("please locate the file \"hydropro7cmsd.exe\"")
        .expectMessageBox("no HYDROPRO file", win::IDYES);
    Run(script, 876);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "MB_OK|MB_ICONSTOP"));
    // the offer opens the HydroPro section of the program's own help page
    EXPECT_TRUE(transcriptShows(script, "help.html#hydropro"));
    EXPECT_FALSE(transcriptShows(script, "http"));

    // a located program is kept in the program folder
    const std::string found = scratch + "downloads/hydropro7cmsd.exe";
    WriteFakeProgram(found, scratch + "unused.txt");
    script.expectMessageBox("Could not find HydroPro file", win::IDOK)
        .expectOpenFile("please locate the file", {found})
        .expectMessageBox("HYDROPRO", win::IDNO);
    Run(script, 876);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(scantest::readText(scratch + "hydropro7cmsd.exe"), scantest::readText(found));
    // the help page says in plain words where HydroPro comes from
    const std::string help = scantest::readText(MORVEX_SOURCE_DIR "/docs/help.html");
    EXPECT_NE(help.find("id=\"hydropro\""), std::string::npos);
}

// Folders too long to keep in their 260 bytes are left empty, never cut to
// a prefix that names some other folder: a located program is then run from
// where it was found, with no copy beside a cut program folder, and without a
// working folder the run makes no folder at all, not even in the current one.
TEST_F(HydroProTest, FoldersTooLongToKeepAreNotCutToOthers)
{
    // the file dialogs make their folders the current ones: back afterwards
    struct Back {
        std::filesystem::path where = std::filesystem::current_path();
        ~Back() { std::filesystem::current_path(where); }
    } back;
    const std::string parent = scratch + std::string(150, 'd') + "/";
    const std::string deep = parent + std::string(150, 'e') + "/";
    std::filesystem::create_directories(deep);
    setUpDataFilePaths(deep.c_str());
    ASSERT_STREQ(szProgramDir, "");
    // (a download's name; the file dialog leaves its folder the current one)
    const std::string found = scratch + "downloads/hydropro7cmsd.1";
    WriteFakeProgram(found, scratch + "unused.txt");
    win::headless::Script script;
    script.expectMessageBox("Could not find HydroPro file", win::IDOK)
        .expectOpenFile("please locate the file", {found})
        .expectMessageBox("HYDROPRO", win::IDNO);
    Run(script, 876);
    EXPECT_EQ(script.pending(), 0u);
    size_t nBeside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(parent)) nBeside += entry.path().string() + "/" != deep;
    EXPECT_EQ(nBeside, 0u);
    EXPECT_FALSE(std::filesystem::exists(scratch + "downloads/" + szHydroProExeName));

    setUpDataFilePaths(scratch.c_str());
    ConfigureProgram(szHydroProExeName, found);
    szWorkDir[0] = 0;
    script.expectMessageBox("HYDROPRO", win::IDYES)
        .expectMessageBox("Please select the pdb structure file.", win::IDOK)
        .expectOpenFile("please select the pdb file", {pdb})
        .expectMessageBox("could not create folder HydroPro", win::IDOK);
    Run(script, 876);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(scratch + "structures/HydroPro"));
}

TEST(HydroProResults, MarkersAndTheResultLine)
{
    HydroProResults r = extractHydroProResults("a ***x*** y\r\nSedimentation coefficient:  1.2E-13 s\r\nrest");
    EXPECT_EQ(r.errorLines, (std::vector<std::string>{"***x*** y", "*** y"}));
    ASSERT_TRUE(r.bHaveResult);
    EXPECT_EQ(r.resultLine, "Sedimentation coefficient:  1.2E-13 s");
    EXPECT_EQ(hydroProResultText(r).rfind("Error Messages:\n***x*** y\n*** y\n\n\nSedimentation", 0), 0u);

    // four stars are one marker; no marker, no error section
    EXPECT_EQ(extractHydroProResults("****\n").errorLines.size(), 1u);
    r = extractHydroProResults("Sedimentation coefficient: 5 S");
    EXPECT_TRUE(r.errorLines.empty());
    EXPECT_EQ(hydroProResultText(r).find("Error Messages"), std::string::npos);
    EXPECT_EQ(hydroProResultText(r).rfind("Sedimentation coefficient: 5 S\n\n(Compare", 0), 0u);

    // lines are cut to 999 characters; nothing after a NUL counts
    const std::string longLine = "***" + std::string(2000, 'a');
    r = extractHydroProResults(longLine.c_str());
    ASSERT_EQ(r.errorLines.size(), 1u);
    EXPECT_EQ(r.errorLines[0].size(), 999u);
    const char text[] = "nothing\0Sedimentation coefficient: 1";
    EXPECT_FALSE(extractHydroProResults(text).bHaveResult);
    EXPECT_FALSE(extractHydroProResults(nullptr).bHaveResult);
}
