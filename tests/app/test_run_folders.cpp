// The folders of the unattended run: the data folder is only read, whatever
// the paths; the results folder holds what this program wrote there, and
// only that is cleared; the lock on it blocks nobody once its holder is
// gone; an entry of the scans that is no file is named, never waited for.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/app_fixture.h"
#include "app/run_program.h"
#include "app/window_fixture.h"
#include "app/xml_reader.h"

namespace {

class RunFoldersTest : public AppFolderTest {
protected:
    // A job of c(s) computed once (fast, and it writes the grid file
    // "sdist" beside the data, or where the run puts it).
    std::string job(const std::string& data, const std::string& out, const std::string& extra = "")
    {
        const std::string path = scratch + "job" + std::to_string(++nJobs) + ".xml";
        writeText(path, "<MorvexRun><DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + out +
                            "</OutputResultsDirectory><Model>Continuous c(s) Distribution</Model>"
                            "<LammThreads>1</LammThreads><NEQThreads>1</NEQThreads>" +
                            extra + "</MorvexRun>");
        return "'" + path + "'";
    }
    // The record without its messages: what the run computed.
    std::string computed(const std::string& out)
    {
        std::istringstream in(readText(out + "/ResultParameters.xml"));
        std::string kept;
        for (std::string line; std::getline(in, line);)
            if (line.find("<Message>") == std::string::npos) kept += line + "\n";
        return kept;
    }
    // Every file and folder under a folder, relative to it.
    static std::set<std::string> listing(const std::string& folder)
    {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
            names.insert(std::filesystem::relative(e.path(), folder).string());
        return names;
    }
    int nJobs = 0;
};

// Field k (1-based) of line 2 of a scan file, the header, set to a value.
void setHeaderField(const std::string& path, int k, const std::string& value)
{
    std::ifstream in(path);
    std::string title, header, rest, line;
    std::getline(in, title);
    std::getline(in, header);
    while (std::getline(in, line)) rest += line + "\n";
    std::istringstream fields(header);
    std::string edited, field;
    for (int i = 1; fields >> field; ++i) edited += (i > 1 ? " " : "") + (i == k ? value : field);
    std::ofstream out(path, std::ios::trunc);
    out << title << "\n" << edited << "\n" << rest;
}

}  // namespace

// The speed steps the simulation asks to make (the first scan's omega^2 t
// is far beyond its time at its speed, so a low-speed phase must have come
// first) go into the results folder: the data folder is left as it was, and
// a second run of the job computes what the first did. A results folder
// deeper than 260 characters takes every file of the run, the parent gets
// none; a scan whose path is longer than the loader keeps is refused before
// anything is made, its path said whole, and so is a working folder too
// long for the paths of the settings files.
TEST_F(RunFoldersTest, TheDataFolderIsOnlyReadWhateverThePaths)
{
    const std::string data = scratch + "data", out = scratch + "out";
    std::filesystem::create_directories(data);
    const std::vector<std::string> scans = writeBoundaryScans(data, 6, "s");
    setHeaderField(scans[0], 6, "1e300");
    const auto before = folderState(data);
    const std::string speedJob = job(data, out);
    std::string text;
    EXPECT_EQ(runProgramWithin(120, speedJob, &text), 1) << text;  // the simulation's error boxes
    EXPECT_NE(text.find("want to account for it by creating and loading speedsteps.txt file (recommended)?"),
              std::string::npos)
        << text;
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/speedsteps.txt"));
    EXPECT_TRUE(folderState(data) == before);
    const std::string first = computed(out);
    text.clear();
    EXPECT_EQ(runProgramWithin(120, speedJob, &text), 1) << text;
    EXPECT_EQ(computed(out), first);
    EXPECT_TRUE(folderState(data) == before);

    // three folders of 100 characters below the scratch folder
    const std::string good = scratch + "good";
    std::filesystem::create_directories(good);
    writeBoundaryScans(good, 6, "s");
    const auto goodBefore = folderState(good);
    std::string deep = scratch + "deep";
    for (int i = 0; i < 3; ++i) deep += "/" + std::string(100, 'd');
    const std::string results = deep + "/results";
    ASSERT_GT(results.size(), 300u);
    text.clear();
    EXPECT_EQ(runProgramWithin(120, job(good, results), &text), 0) << text;
    EXPECT_TRUE(folderState(good) == goodBefore);
    std::set<std::string> besideResults;
    for (const auto& e : std::filesystem::directory_iterator(deep)) besideResults.insert(e.path().filename());
    EXPECT_EQ(besideResults, std::set<std::string>{"results"});
    std::string err;
    auto root = parseXmlFile(results + "/ResultParameters.xml", &err);
    ASSERT_TRUE(root) << err;
    EXPECT_EQ(root->attr("exitCode"), "0");
    EXPECT_FALSE(root->child("Distribution")->all("Peak").empty());
    std::set<std::string> written;
    for (auto* f : root->child("ResultFiles")->all("File")) {
        written.insert(f->text);
        EXPECT_TRUE(std::filesystem::is_regular_file(results + "/" + f->text)) << f->text;
    }
    for (const char* szName : {"fits/f00001.RA1", "residuals/r00006.RA1", "distribution.dat", "rmsd.txt"})
        EXPECT_EQ(written.count(szName), 1u) << szName;
    EXPECT_TRUE(std::filesystem::is_regular_file(results + "/sdist.RA1"));

    // a data folder whose scans' paths are longer than 259 characters
    std::string far = scratch + "far";
    for (int i = 0; i < 3; ++i) far += "/" + std::string(90, 'f');
    std::filesystem::create_directories(far);
    const std::vector<std::string> farScans = writeBoundaryScans(far, 3, "s");
    ASSERT_GT(farScans[0].size(), 259u);
    text.clear();
    EXPECT_EQ(runProgramWithin(120, job(far, scratch + "farout"), &text), 2) << text;
    EXPECT_NE(text.find(farScans[0] + " has " + std::to_string(farScans[0].size()) + " characters"),
              std::string::npos)
        << text;
    EXPECT_FALSE(std::filesystem::exists(scratch + "farout"));

    // a working folder (XDG_CONFIG_HOME) too long for the settings files'
    // paths: the temporary files would go wherever the run was started
    const std::string xdg = scratch + std::string(230, 'x');
    text.clear();
    EXPECT_EQ(runProgram(job(good, scratch + "xdgout"), &text, "XDG_CONFIG_HOME='" + xdg + "'"), 2) << text;
    EXPECT_NE(text.find("morvex: the working folder " + xdg + "/morvex/ (XDG_CONFIG_HOME) has " +
                        std::to_string(xdg.size() + 8) + " characters"),
              std::string::npos)
        << text;
    EXPECT_FALSE(std::filesystem::exists(scratch + "xdgout"));
}

// A run clears only what the run before wrote into its results folder (the
// list it left there, files it wrote over included, the fits and residuals
// that keep their scan's file times too), not the user's files that merely
// look like the program's, nor a folder the run made that holds a file of the
// user's. A folder a running run holds is refused with 2,
// naming the holder; a lock file left by a run that was killed blocks
// nobody, not even another user than the one who made it (mode 0644); a
// link in its place locks nothing either and is named as the lock file that
// refuses the run. A results folder whose parent cannot be written, or that
// cannot be written itself, is refused with the reason; so is a run that
// cannot remove a file of the run before, and it names no file of the user's
// for the next run to clear. The scans' names hold a carriage return (a
// name may hold any byte but '/' and NUL), and so do the fits and residuals
// named after them: the list keeps such a name on its one line, and the next
// run still finds and clears the file. The fits and residuals folders a run
// made go with its files when nothing else is in them.
TEST_F(RunFoldersTest, AResultsFolderHoldsOneRunsResults)
{
    const std::string data = scratch + "data", out = scratch + "out";
    std::filesystem::create_directories(data);
    writeBoundaryScans(data, 6, "s\r");
    std::string text;
    ASSERT_EQ(runProgramWithin(120, job(data, out), &text), 0) << text;
    ASSERT_TRUE(std::filesystem::is_regular_file(out + "/fits/f\r00003.RA1"));
    // a file of the user's in the fits folder that run made: the next run
    // clears the run's fits, keeps the folder for the user's file, and runs
    writeText(out + "/fits/fOwn.txt", "mine\n");
    text.clear();
    ASSERT_EQ(runProgramWithin(120, job(data, out), &text), 0) << text;
    EXPECT_EQ(text.find("cannot be"), std::string::npos) << text;
    EXPECT_EQ(readText(out + "/fits/fOwn.txt"), "mine\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/fits/f\r00003.RA1"));
    // as if that run had been killed: no list, so its files stay, until a
    // run writes over them; then they are that run's, and go with it
    std::filesystem::remove(out + "/.morvex-run-files");
    text.clear();
    ASSERT_EQ(runProgramWithin(120, job(data, out), &text), 0) << text;
    // the user's own files beside the results, named like the program's
    const std::set<std::string> mine = {"fits/final_report.txt", "fits/fOwn.txt", "residuals/readme.txt", "TIN.txt",
                                        "notes.txt"};
    for (const std::string& name : mine) writeText(out + "/" + name, "mine\n");

    // the next run fails at once (files that are no scans)
    const std::string garbage = scratch + "garbage";
    std::filesystem::create_directories(garbage);
    for (const char* n : {"g00001.RA1", "g00002.RA1"}) writeText(garbage + "/" + n, "no scan\nat all\n");
    const std::string failing = job(garbage, out);

    bool bHeld = false;
    const int nLock = win::lockFile((out + "/.morvex-run.lock").c_str(), &bHeld);
    ASSERT_GE(nLock, 0);
    text.clear();
    EXPECT_EQ(runProgramWithin(120, failing, &text), 2);
    EXPECT_NE(text.find("morvex: the results folder " + out + "/ is in use by another run (process " +
                        std::to_string(::getpid()) + " ("),
              std::string::npos)
        << text;
    EXPECT_TRUE(std::filesystem::exists(out + "/distribution.dat"));
    // the holder killed: its lock file stays, and locks nothing
    ::close(nLock);
    text.clear();
    EXPECT_EQ(runProgramWithin(120, failing, &text), 1) << text;
    std::set<std::string> left;
    for (const std::string& name : listing(out))
        if (std::filesystem::is_regular_file(out + "/" + name)) left.insert(name);
    std::set<std::string> expected = mine;
    expected.insert({"ResultParameters.xml", "screenshot.bmp", "transcript.txt", ".morvex-run-files"});
    EXPECT_EQ(left, expected);
    // a link where the lock file goes: not followed, the run refused before
    // it clears anything, the lock file named as what refuses it
    std::filesystem::create_symlink(scratch + "elsewhere.lock", out + "/.morvex-run.lock");
    text.clear();
    EXPECT_EQ(runProgramWithin(120, failing, &text), 2) << text;
    EXPECT_NE(text.find("morvex: the results folder " + out + "/ cannot be locked: " + out + "/.morvex-run.lock: "),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("cannot be written"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(scratch + "elsewhere.lock"));
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/ResultParameters.xml"));
    std::filesystem::remove(out + "/.morvex-run.lock");

    // The lock file of a killed run of another user, mode 0644: this user may
    // read it, not write it (when the test cannot be another user, a file
    // this user may not write stands for it).
    const std::string root = std::filesystem::path(scratch).parent_path().parent_path().string();
    using std::filesystem::perms;
    for (const std::string& folder : {root, scratch, garbage, out})
        std::filesystem::permissions(folder, perms::all, std::filesystem::perm_options::replace);
    for (const std::string& name : listing(out)) {
        const std::string path = out + "/" + name;
        std::filesystem::permissions(path, std::filesystem::is_directory(path) ? perms::all : perms(0666),
                                     std::filesystem::perm_options::replace);
    }
    const std::string xdg = scratch + "other-config";
    std::filesystem::create_directories(xdg);
    std::filesystem::permissions(xdg, perms::all, std::filesystem::perm_options::replace);
    writeText(out + "/.morvex-run.lock", "");
    std::filesystem::permissions(out + "/.morvex-run.lock", otherUserIsReal() ? perms(0644) : perms(0444),
                                 std::filesystem::perm_options::replace);
    text.clear();
    EXPECT_EQ(runProgramAsOtherUser(failing, xdg, &text), 1) << text;
    EXPECT_EQ(text.find("cannot be written"), std::string::npos) << text;
    EXPECT_NE(readText(out + "/ResultParameters.xml").find("exitCode=\"1\""), std::string::npos);

    // a parent the user cannot write
    const std::string locked = scratch + "locked";
    std::filesystem::create_directories(locked);
    std::filesystem::permissions(locked, perms(0555), std::filesystem::perm_options::replace);
    text.clear();
    EXPECT_EQ(runProgramAsOtherUser(job(data, locked + "/out"), xdg, &text), 2) << text;
    EXPECT_NE(text.find("morvex: the results folder " + locked + "/out/ cannot be made: Permission denied"),
              std::string::npos)
        << text;
    std::filesystem::permissions(locked, perms::owner_all, std::filesystem::perm_options::replace);
    // a results folder the user cannot write: no lock file can be made there
    const std::string readOnly = scratch + "read-only";
    std::filesystem::create_directories(readOnly);
    std::filesystem::permissions(readOnly, perms(0555), std::filesystem::perm_options::replace);
    text.clear();
    EXPECT_EQ(runProgramAsOtherUser(job(data, readOnly), xdg, &text), 2) << text;
    EXPECT_NE(text.find("morvex: the results folder " + readOnly + "/ cannot be written: Permission denied"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("cannot be locked"), std::string::npos) << text;

    // a file of the run before that this user cannot remove (a fits folder
    // not theirs to write): the run is refused before it computes anything,
    // and the next run removes that file and none of the user's
    writeText(out + "/fits/f00009.RA1", "an earlier run's fit\n");
    writeText(out + "/.morvex-run-files", readText(out + "/.morvex-run-files") + "fits/f00009.RA1\n");
    std::filesystem::permissions(out + "/fits", perms(0555), std::filesystem::perm_options::replace);
    text.clear();
    EXPECT_EQ(runProgramAsOtherUser(failing, xdg, &text), 2) << text;
    EXPECT_NE(text.find("morvex: the results of an earlier run cannot be cleared: " + out +
                        "/fits/f00009.RA1 cannot be removed (Permission denied)"),
              std::string::npos)
        << text;
    std::filesystem::permissions(out + "/fits", perms::all, std::filesystem::perm_options::replace);
    text.clear();
    EXPECT_EQ(runProgramWithin(120, failing, &text), 1) << text;
    EXPECT_FALSE(std::filesystem::exists(out + "/fits/f00009.RA1"));
    for (const std::string& name : mine) EXPECT_EQ(readText(out + "/" + name), "mine\n") << name;

    // the fits and residuals folders a run made into a fresh folder go with
    // its files: a next run that writes no fits leaves only its own record
    const std::string fresh = scratch + "fresh";
    text.clear();
    ASSERT_EQ(runProgramWithin(120, job(data, fresh), &text), 0) << text;
    ASSERT_TRUE(std::filesystem::is_directory(fresh + "/fits"));
    ASSERT_TRUE(std::filesystem::is_directory(fresh + "/residuals"));
    text.clear();
    EXPECT_EQ(runProgramWithin(120, job(garbage, fresh), &text), 1) << text;
    EXPECT_EQ(listing(fresh), (std::set<std::string>{"ResultParameters.xml", "screenshot.bmp", "transcript.txt",
                                                     ".morvex-run-files"}));
}

// A batch queue may start the run without standard input: the lock on the
// results folder is then descriptor 0, and the run writes the results it
// writes with its input open, exit 0.
TEST_F(RunFoldersTest, ARunWithoutStandardInputWritesItsResults)
{
    const std::string data = scratch + "data", out = scratch + "out";
    std::filesystem::create_directories(data);
    writeBoundaryScans(data, 4, "s");
    const std::string oneJob = job(data, out);
    std::string text;
    ASSERT_EQ(runProgramWithin(120, oneJob, &text), 0) << text;
    const std::string withInput = computed(out);
    ASSERT_NE(withInput.find("exitCode=\"0\""), std::string::npos) << withInput;
    text.clear();
    EXPECT_EQ(runProgramWithin(120, oneJob + " <&-", &text), 0) << text;
    EXPECT_NE(text.find("results in " + out + "/"), std::string::npos) << text;
    EXPECT_EQ(computed(out), withInput);
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/distribution.dat"));
    EXPECT_FALSE(std::filesystem::exists(out + "/.morvex-run.lock"));
}

// Entries of the selected scans that are no files, a folder, a FIFO, a link
// to nothing and one that loops, are named on the console and in the record,
// and the run goes on with the others; a FIFO where the speed steps would be
// read is not waited for, nor is one given as the parameter file.
TEST_F(RunFoldersTest, ScanEntriesThatAreNoFilesAreNamed)
{
    const std::string data = scratch + "data", out = scratch + "out";
    std::filesystem::create_directories(data);
    const std::vector<std::string> scans = writeBoundaryScans(data, 8, "s");
    for (int k : {4, 5, 6, 7}) std::filesystem::remove(scans[k]);
    std::filesystem::create_directory(scans[4]);
    ASSERT_EQ(::mkfifo(scans[5].c_str(), 0644), 0);
    std::filesystem::create_symlink(data + "/nowhere", scans[6]);
    std::filesystem::create_symlink(scans[7], scans[7]);
    ASSERT_EQ(::mkfifo((data + "/speedsteps.txt").c_str(), 0644), 0);
    std::string text;
    EXPECT_EQ(runProgramWithin(60, job(data, out), &text), 0) << text;
    const std::string said = "scan entries that are no files were left out: s00005.RA1 (a folder) s00006.RA1 (a FIFO) "
                             "s00007.RA1 (a link to nothing) s00008.RA1 (a link that loops)";
    EXPECT_NE(text.find("morvex: LOAD: " + said + "\n"), std::string::npos) << text;
    std::string err;
    auto root = parseXmlFile(out + "/ResultParameters.xml", &err);
    ASSERT_TRUE(root) << err;
    EXPECT_EQ(root->child("ScanCount")->text, "4");
    std::string messages;
    for (auto* m : root->child("Messages")->all("Message")) messages += m->text + "\n";
    EXPECT_NE(messages.find("s00006.RA1 (a FIFO)"), std::string::npos) << messages;

    // a FIFO given as the parameter file
    const std::string fifo = scratch + "job.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    text.clear();
    EXPECT_EQ(runProgramWithin(30, "'" + fifo + "'", &text), 2);
    EXPECT_NE(text.find("morvex: parameter file " + fifo + ": is no file (a FIFO, socket or device)"),
              std::string::npos)
        << text;
}
