// The unattended run: parameter file in, results folder out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/parameter_file.h"
#include "app/preferences.h"
#include "app/run_program.h"
#include "app/window_fixture.h"
#include "app/xla_app.h"
#include "app/xml_reader.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/regularization.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"

namespace {

// Width and height of a 24-bit BMP file; false when it is none.
bool bmpSize(const std::string& path, int* pW, int* pH)
{
    std::ifstream f(path, std::ios::binary);
    unsigned char h[54];
    if (!f.read(reinterpret_cast<char*>(h), sizeof h) || h[0] != 'B' || h[1] != 'M') return false;
    auto i32 = [&](int o) { return int(h[o] | (h[o + 1] << 8) | (h[o + 2] << 16) | (h[o + 3] << 24)); };
    *pW = i32(18);
    *pH = std::abs(i32(22));
    return true;
}

}  // namespace

class RunModeTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        win::headless::setPolicy(win::headless::Policy::FailOnUnexpected);
        nProgramExitCode = 0;
        bResultsWritten = 0;
        runParameters = RunParameters();
        MainWindowTest::TearDown();
    }

    // The example's parameter file with its folders put elsewhere and extra
    // keys added.
    void writeExampleJob(const std::string& path, const std::string& data, const std::string& out,
                         const std::string& extra = "")
    {
        std::string job = readText(MORVEX_SOURCE_DIR "/examples/velocity/run.xml");
        auto replace = [&](const std::string& key, const std::string& value) {
            const size_t a = job.find("<" + key + ">") + key.size() + 2, b = job.find("</" + key + ">");
            job.replace(a, b - a, value);
        };
        replace("DataDirectory", data);
        replace("OutputResultsDirectory", out);
        job.insert(job.find("</MorvexRun>"), extra);
        writeText(path, job);
    }

    // Runs the job of a parameter file as the program started with it does;
    // what the run printed on stderr goes to *pPrinted when it is asked for.
    // The exit code, or -1 when the file is refused.
    int runJobFile(const std::string& path, std::string* pPrinted = nullptr)
    {
        std::string err;
        runParameters = RunParameters();
        if (readParameterFile(path.c_str(), &runParameters, &err) != 1) {
            ADD_FAILURE() << path << ": " << err;
            return -1;
        }
        bHaveRunParameters = 1;
        if (pPrinted) testing::internal::CaptureStderr();
        int nExit = -1;
        {
            TXLAApp app("RADOdodedez");
            nExit = app.Run();
        }
        if (pPrinted) *pPrinted += testing::internal::GetCapturedStderr();
        return nExit;
    }
};

TEST_F(RunModeTest, WritesTheResultsFolder)
{
    std::string data = scratch + "data";
    std::filesystem::create_directories(data);
    std::vector<std::string> scans = writeBoundaryScans(data, 10, "s");
    std::string out = scratch + "results & more";
    writeText(scratch + "job.xml", "<DataDirectory>" + data + "</DataDirectory>\n<FirstScan>3</FirstScan>"
                                   "<LastScan>9</LastScan>\n<OutputResultsDirectory>" + scratch +
                                   "results &amp; more</OutputResultsDirectory>\n");
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    EXPECT_EQ(runJobFile(scratch + "job.xml"), 0);
    EXPECT_EQ(nScans, 0);  // released at exit

    std::string err;
    auto root = parseXmlFile(out + "/ResultParameters.xml", &err);
    ASSERT_TRUE(root) << err;
    EXPECT_EQ(root->name, "cGMPMorvex");
    EXPECT_EQ(root->attr("exitCode"), "0");
    EXPECT_EQ(root->child("ScanCount")->text, "7");
    auto files = root->child("InputFiles")->all("File");
    ASSERT_EQ(files.size(), 7u);
    EXPECT_EQ(files[0]->text, scans[2]);  // s00003 is the first of the range
    EXPECT_EQ(files[6]->text, scans[8]);
    EXPECT_EQ(root->child("Model")->text, "none");
    EXPECT_EQ(root->child("Rmsd"), nullptr);  // nothing was fitted
    int w = 0, h = 0;
    ASSERT_TRUE(bmpSize(out + "/screenshot.bmp", &w, &h));
    EXPECT_EQ(w, 1400);
    EXPECT_EQ(h, 1000);
    EXPECT_TRUE(std::filesystem::exists(out + "/transcript.txt"));
    std::vector<std::string> written;
    for (auto* f : root->child("ResultFiles")->all("File")) written.push_back(f->text);
    EXPECT_EQ(written, (std::vector<std::string>{"screenshot.bmp", "svdfrdata.dat", "transcript.txt"}));
    // the disclaimer is neither asked nor taken as accepted by a run
    EXPECT_EQ(readLines(szParamsIniPath)[0], "0");

    // A result that cannot be written (a folder of the user's stands in the
    // column table's place) is said, and the run ends with 1.
    const std::string blocked = scratch + "blocked";
    std::filesystem::create_directories(blocked + "/svdfrdata.dat");
    writeText(scratch + "job2.xml", "<DataDirectory>" + data + "</DataDirectory>\n<OutputResultsDirectory>" +
                                        blocked + "</OutputResultsDirectory>\n");
    std::string printed;
    EXPECT_EQ(runJobFile(scratch + "job2.xml", &printed), 1);
    EXPECT_NE(printed.find("morvex: " + blocked + "/svdfrdata.dat cannot be written\n"), std::string::npos) << printed;
    root = parseXmlFile(blocked + "/ResultParameters.xml", &err);
    ASSERT_TRUE(root) << err;
    EXPECT_EQ(root->attr("exitCode"), "1");
    written.clear();
    for (auto* f : root->child("ResultFiles")->all("File")) written.push_back(f->text);
    EXPECT_EQ(written, (std::vector<std::string>{"screenshot.bmp", "transcript.txt"}));
    EXPECT_TRUE(std::filesystem::is_directory(blocked + "/svdfrdata.dat"));
}

TEST_F(RunModeTest, TheProgramRefusesAnInvalidParameterFile)
{
    std::string out = scratch + "out";
    writeText(scratch + "bad.xml", "<DataDirectory>" + scratch + "</DataDirectory><OutputResultsDirectory>" + out +
                                       "</OutputResultsDirectory><AutoFit>maybe</AutoFit>");
    std::string text;
    EXPECT_EQ(runProgram("'" + scratch + "bad.xml'", &text), 2);
    EXPECT_NE(text.find("bad.xml: AutoFit must be 0 or 1, not \"maybe\""), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(out));
    text.clear();
    EXPECT_EQ(runProgram("'" + scratch + "missing.xml'", &text), 2);
    EXPECT_NE(text.find("cannot be read"), std::string::npos) << text;
    text.clear();
    EXPECT_EQ(runProgram("--help", &text), 0);
    EXPECT_NE(text.find("OutputResultsDirectory"), std::string::npos);
}

// A run that cannot analyse its data as asked says why on the console, each
// message as the record has it, and ends with 1: files that are no scans
// (nothing loads), and scans whose speeds the speed steps beside them do not
// match (they load, but a profile that does not fit them makes any analysis
// wrong), or speed steps that cannot be read. The folder of the files that
// are no scans has an escape (0x1b) and a delete (0x7f) in its name: the
// record's transcript writes them as \x1b and \x7f, and the console line
// gives back the very bytes of the name.
TEST_F(RunModeTest, AFailedRunSaysWhyOnTheConsoleAndEndsWithOne)
{
    std::string garbage = scratch + "garbage\x1b\x7f";
    std::filesystem::create_directories(garbage);
    for (const char* n : {"g00001.RA1", "g00002.RA1"}) writeText(garbage + "/" + n, "no scan\nat all\n");
    writeText(scratch + "garbage.xml", "<DataDirectory>" + garbage + "</DataDirectory><OutputResultsDirectory>" +
                                           scratch + "out1</OutputResultsDirectory>");
    std::string text;
    EXPECT_EQ(runProgram("'" + scratch + "garbage.xml'", &text), 1);
    EXPECT_NE(text.find("morvex: LOAD ERROR: " + garbage +
                        "/g00001.RA1 has no scan header in line 2: it must begin with a data letter (R, W, I, V, "
                        "P or F)\n"),
              std::string::npos)
        << text;
    auto root = parseXmlFile(scratch + "out1/ResultParameters.xml", &text);
    ASSERT_TRUE(root) << text;
    EXPECT_EQ(root->attr("exitCode"), "1");
    EXPECT_EQ(root->child("Messages")->all("Message").size(), 1u);

    std::string data = scratch + "profile";
    std::filesystem::create_directories(data);
    writeBoundaryScans(data, 4, "s");  // at 50000 rpm
    // the scans at 50000 rpm lie in the first step, at 20000 rpm
    writeText(data + "/speedsteps.txt", "0.000000\t20000.000000\t300.000000\n"
                                        "5000.000000\t50000.000000\t300.000000\n");
    writeText(scratch + "profile.xml", "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" +
                                           scratch + "out2</OutputResultsDirectory>");
    text.clear();
    EXPECT_EQ(runProgram("'" + scratch + "profile.xml'", &text), 1);
    EXPECT_NE(text.find("morvex: LOAD ERROR: oops - speedsteps.txt rotor speed profile inconsistent with data\n"),
              std::string::npos)
        << text;
    root = parseXmlFile(scratch + "out2/ResultParameters.xml", &text);
    ASSERT_TRUE(root) << text;
    EXPECT_EQ(root->child("ScanCount")->text, "4");
    EXPECT_EQ(root->attr("exitCode"), "1");

    // speed steps with a rate of 0: the box begins with a line break and a
    // bell, which the console line gives as spaces, the words whole
    writeText(data + "/speedsteps.txt", "0.000000\t20000.000000\t0.000000\n");
    writeText(scratch + "steps.xml", "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                                         "out3</OutputResultsDirectory>");
    text.clear();
    EXPECT_EQ(runProgram("'" + scratch + "steps.xml'", &text), 1);
    EXPECT_NE(text.find("morvex: Error: Attention: bad speedstep data in " + data + "/speedsteps.txt\n"),
              std::string::npos)
        << text;
}

// Without a display the window cannot open: the program says so and how else
// to run, and ends with 1 (Qt itself would abort). So it does when a display
// is named but cannot be reached.
TEST_F(RunModeTest, WithoutADisplayTheProgramSaysHowToRun)
{
    std::string text;
    EXPECT_EQ(runProgram("", &text, "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"), 1);
    EXPECT_NE(text.find("morvex: no display was found for the main window.\n"), std::string::npos) << text;
    EXPECT_NE(text.find("morvex PARAMETERFILE"), std::string::npos) << text;
    EXPECT_NE(text.find("QT_QPA_PLATFORM=offscreen"), std::string::npos) << text;
    text.clear();
    EXPECT_EQ(runProgram("", &text, "-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:97"), 1);
    EXPECT_NE(text.find("morvex: no display was found for the main window.\n"), std::string::npos) << text;
}

// The minimum s of log-spaced grids from the parameter file.
TEST_F(RunModeTest, MinimumSOfLogGrids)
{
    std::string data = scratch + "data";
    std::filesystem::create_directories(data);
    writeBoundaryScans(data, 3, "s");
    writeText(scratch + "job.xml", "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                                       "out</OutputResultsDirectory><UseMinSForLogGrid>1</UseMinSForLogGrid>"
                                       "<MinSForLogGrid>2.5</MinSForLogGrid>");
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    EXPECT_EQ(runJobFile(scratch + "job.xml"), 0);
    EXPECT_EQ(bLogGridMinS, 1);
    EXPECT_EQ(fLogGridMinS, 2.5f);
    // without their keys both worker counts are the number of cores
    const int nCores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 64);
    EXPECT_EQ(nLammThreads, nCores);
    EXPECT_EQ(nNEQThreads, nCores);
}

// Each RegularizationType chooses its own method, whatever the window had
// chosen before: after the run exactly the named one of the four flags is set
// (the method a c(s) of the window would use), and the record gives the
// confidence level of the regularization, the default P = 0.95. "none"
// leaves the method as it was and takes P = 0, the unregularized solution.
TEST_F(RunModeTest, EachRegularizationTypeChoosesItsMethod)
{
    const std::string data = scratch + "data";
    std::filesystem::create_directories(data);
    writeBoundaryScans(data, 3, "s");
    const struct {
        const char* szType;
        unsigned char* pbFlag;
    } types[] = {{"2nd derivative", &bRegSecondDerivative},
                 {"max ent", &bRegMaxEnt},
                 {"weighted 3rd derivative", &bRegWeightedThirdDerivative},
                 {"both", &bRegBothShown}};
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    // the advice on the fit is not what is looked at
    bWizardMessages = 0;
    writeDefaultPreferences();
    std::string printed;
    // the confidence level the record gives, entry 2 of the parameters
    const auto recordedLevel = [&]() {
        std::string err;
        auto root = parseXmlFile(scratch + "out/ResultParameters.xml", &err);
        if (!root || !root->child("Parameters")) return -1.0;
        for (auto* p : root->child("Parameters")->all("Parameter"))
            if (p->attr("index") == "2" && p->attr("name") == "confidenceLevel") return std::stod(p->attr("value"));
        return -1.0;
    };
    // each method after each other one, then "none" after each (P = 0 stays
    // with the process)
    std::vector<std::pair<int, int>> runs;
    for (int b = 0; b < 4; b++)
        for (int k = 0; k < 4; k++)
            if (k != b) runs.emplace_back(b, k);
    for (int b = 0; b < 4; b++) runs.emplace_back(b, -1);
    for (const auto& [b, k] : runs) {
        const auto& before = types[b];
        const auto* pt = k >= 0 ? &types[k] : nullptr;
        const char* szType = pt ? pt->szType : "none";
        SCOPED_TRACE(std::string(szType) + " after " + before.szType);
        for (const auto& o : types) *o.pbFlag = &o == &before ? 1 : 0;
        writeText(scratch + "job.xml", "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" +
                                           scratch + "out</OutputResultsDirectory><Model>Continuous c(s) "
                                           "Distribution</Model><RegularizationType>" + szType +
                                           "</RegularizationType>");
        std::filesystem::remove_all(scratch + "out");
        EXPECT_EQ(runJobFile(scratch + "job.xml", &printed), 0);
        for (const auto& o : types) EXPECT_EQ(*o.pbFlag, &o == (pt ? pt : &before) ? 1 : 0) << o.szType;
        EXPECT_NEAR(recordedLevel(), pt ? 0.95 : 0.0, 1e-6);
    }
    // notes of the runs, no error
    EXPECT_EQ(printed.find("ERROR"), std::string::npos) << printed;
}

// One point whose square single precision cannot hold (the rmsd, summed in
// double, stays finite): the run fails (1) and says why and where, on the
// console and in the record. A misspelt key is named with the key it resembles, and the run
// goes on.
TEST_F(RunModeTest, ANonFiniteResultIsAFailureAndAnUnknownKeyIsNamed)
{
    const std::string data = scratch + "data", out = scratch + "out";
    std::filesystem::create_directories(data);
    const std::vector<std::string> scans = writeBoundaryScans(data, 6, "s");
    std::vector<std::string> lines = readLines(scans[2]);
    lines[2 + 100] = "6.4500 1e20 0";  // point 101
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    writeText(scans[2], text);
    writeText(scratch + "job.xml", "<MorvexRun><DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" +
                                       out + "</OutputResultsDirectory><Model>Non-Interacting Discrete Species"
                                       "</Model><FitMenicus>1</FitMenicus></MorvexRun>");
    text.clear();
    EXPECT_EQ(runProgram("'" + scratch + "job.xml'", &text), 1) << text;
    const std::string why = "morvex: ERROR: the results are not finite numbers: the signal 1e+20 of scan s00003.RA1 "
                            "at 6.4500 cm is too large";
    EXPECT_NE(text.find(why), std::string::npos) << text;
    EXPECT_NE(text.find("morvex: PARAMETER FILE: unknown key FitMenicus; did you mean FitMeniscus?"),
              std::string::npos)
        << text;
    std::string err;
    auto root = parseXmlFile(out + "/ResultParameters.xml", &err);
    ASSERT_TRUE(root) << err;
    EXPECT_EQ(root->attr("exitCode"), "1");
    std::string messages;
    for (auto* m : root->child("Messages")->all("Message")) messages += m->text + "\n";
    EXPECT_NE(messages.find("unknown key FitMenicus; did you mean FitMeniscus?"), std::string::npos) << messages;
    EXPECT_NE(messages.find("the signal 1e+20 of scan s00003.RA1 at 6.4500 cm"), std::string::npos) << messages;
}

// The example's job run twice on one copy of its scans, the second time on
// a read-only folder that holds the analysis the first run saved (as a
// window session leaves it beside the scans) and with other worker counts:
// both end with 0, the two records are the same to the bit, and the data
// folder is left exactly as it was. The results folder holds the column
// table of noise, data and fit.
TEST_F(RunModeTest, TheExampleRunIsReproducibleAndLeavesItsScansAlone)
{
    const std::string data = scratch + "velocity", out = scratch + "example-results", job = scratch + "run.xml";
    copyVelocityExampleScans(data);
    writeExampleJob(job, data, out);
    std::string text;
    ASSERT_EQ(runProgram("'" + job + "'", &text), 0) << text;
    const std::string first = readText(out + "/ResultParameters.xml");
    const std::string firstTranscript = readText(out + "/transcript.txt");
    const std::vector<std::string> rows = readLines(out + "/svdfrdata.dat");
    ASSERT_GE(rows.size(), 30u);
    // three noise columns, then radius, data and fit of each of the 30 scans
    std::istringstream firstRow(rows[0]);
    int nColumns = 0;
    for (double d; firstRow >> d;) ++nColumns;
    EXPECT_EQ(nColumns, 3 + 3 * 30);

    std::filesystem::copy_file(out + "/~tmppars.RA1", data + "/~tmppars.RA1");
    using std::filesystem::perms;
    const perms write = perms::owner_write | perms::group_write | perms::others_write;
    for (const auto& e : std::filesystem::directory_iterator(data))
        std::filesystem::permissions(e.path(), write, std::filesystem::perm_options::remove);
    std::filesystem::permissions(data, write, std::filesystem::perm_options::remove);
    const auto before = folderState(data);
    writeExampleJob(job, data, out, "<LammThreads>1</LammThreads><NEQThreads>3</NEQThreads>");
    text.clear();
    EXPECT_EQ(runProgram("'" + job + "'", &text), 0) << text;
    std::filesystem::permissions(data, perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_TRUE(readText(out + "/ResultParameters.xml") == first) << readText(out + "/ResultParameters.xml");
    // the transcript too, the sounds it names included
    EXPECT_TRUE(readText(out + "/transcript.txt") == firstTranscript) << readText(out + "/transcript.txt");
    EXPECT_TRUE(folderState(data) == before);
}

namespace {

// The colour of pixel (x, y) of a 24-bit BMP file (rows bottom up).
bool bmpPixel(const std::string& path, int x, int y, int* pR, int* pG, int* pB)
{
    std::ifstream f(path, std::ios::binary);
    std::string d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (d.size() < 54) return false;
    auto i32 = [&](size_t o) {
        return int(static_cast<unsigned char>(d[o]) | (static_cast<unsigned char>(d[o + 1]) << 8) |
                   (static_cast<unsigned char>(d[o + 2]) << 16) | (static_cast<unsigned char>(d[o + 3]) << 24));
    };
    const int nOffset = i32(10), w = i32(18), h = i32(22);
    const int nRow = (w * 3 + 3) & ~3;
    const int yy = h > 0 ? h - 1 - y : y;
    const size_t o = static_cast<size_t>(nOffset) + static_cast<size_t>(yy) * nRow + static_cast<size_t>(x) * 3;
    if (o + 2 >= d.size()) return false;
    *pB = static_cast<unsigned char>(d[o]);
    *pG = static_cast<unsigned char>(d[o + 1]);
    *pR = static_cast<unsigned char>(d[o + 2]);
    return true;
}

}  // namespace

// The example's own parameter file (its folders put elsewhere), run as the
// program runs it: c(s) with meniscus and f/f0 floated, radial-invariant
// noise, maximum entropy, fitted; the record holds the fit and its files.
TEST_F(RunModeTest, TheExampleRunFitsTheDistribution)
{
    const std::string out = scratch + "example-results";
    copyVelocityExampleScans(scratch + "velocity");
    writeExampleJob(scratch + "run.xml", scratch + "velocity", out);
    std::string err;
    ASSERT_EQ(readParameterFile((scratch + "run.xml").c_str(), &runParameters, &err), 1) << err;
    bHaveRunParameters = 1;
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    int nExit = -1, nPeakPixel = -1;
    {
        TXLAApp app("RADOdodedez");
        nExit = app.Run();
        // the column of 4.3 S in the distribution band, which outlives the run
        ASSERT_TRUE(pDistPlot);
        nPeakPixel = int(pDistPlot->MapX(4.3f) * 1400.0 / 1399 + 0.5);
    }
    EXPECT_EQ(nExit, 0);

    auto root = parseXmlFile(out + "/ResultParameters.xml", &err);
    ASSERT_TRUE(root) << err;
    EXPECT_EQ(root->attr("exitCode"), "0");
    std::map<int, double> value;
    std::map<int, std::string> fit, name;
    for (auto* p : root->child("Parameters")->all("Parameter")) {
        value[std::stoi(p->attr("index"))] = std::stod(p->attr("value"));
        fit[std::stoi(p->attr("index"))] = p->attr("fit");
        name[std::stoi(p->attr("index"))] = p->attr("name");
    }
    ASSERT_EQ(value.size(), 34u);
    EXPECT_NEAR(value[13], 6.000, 0.003);  // meniscus
    EXPECT_EQ(name[13], "meniscus");
    EXPECT_EQ(fit[13], "1");
    EXPECT_NEAR(value[11], 1.33, 0.05);
    EXPECT_EQ(name[11], "frictionalRatio");
    EXPECT_EQ(fit[11], "1");
    // the entries named for what they mean in c(s), the grid not floated
    EXPECT_EQ(name[1], "sMin");
    EXPECT_EQ(name[5], "sMax");
    EXPECT_EQ(value[5], 15.0);
    EXPECT_EQ(name[9], "resolution");
    EXPECT_EQ(name[2], "confidenceLevel");
    EXPECT_EQ(name[3], "vbar");
    EXPECT_EQ(fit[1] + fit[3] + fit[4] + fit[5] + fit[9], "00000");
    EXPECT_NEAR(std::stod(root->child("Rmsd")->text), 0.0040, 0.0002);
    auto* dist = root->child("Distribution");
    ASSERT_TRUE(dist);
    EXPECT_EQ(dist->attr("kind"), "c(s)");
    auto peaks = dist->all("Peak");
    ASSERT_GE(peaks.size(), 1u);
    auto* largest = *std::max_element(peaks.begin(), peaks.end(), [](auto* a, auto* b) {
        return std::stod(a->attr("signal")) < std::stod(b->attr("signal"));
    });
    EXPECT_NEAR(std::stod(largest->attr("mean")), 4.30, 0.03);
    EXPECT_NEAR(std::stod(largest->attr("signal")), 0.80, 0.02);
    // every file named is there: fits, residuals, the noise, the distribution
    std::vector<std::string> written;
    for (auto* f : root->child("ResultFiles")->all("File")) {
        written.push_back(f->text);
        EXPECT_TRUE(std::filesystem::is_regular_file(out + "/" + f->text)) << f->text;
    }
    for (const char* szName : {"distribution.dat", "rmsd.txt", "RIN.RA1", "fits/f0001.RA1", "residuals/r0030.RA1"})
        EXPECT_NE(std::find(written.begin(), written.end(), szName), written.end()) << szName;
    EXPECT_EQ(readLines(out + "/distribution.dat").size(), 100u);
    // no error box
    for (auto* m : root->child("Messages")->all("Message")) {
        EXPECT_EQ(m->text.find("\"ERROR\""), std::string::npos) << m->text;
        EXPECT_EQ(m->text.find("\"Error\""), std::string::npos) << m->text;
    }
    // the band of the distribution holds the curve at 4.3 S: dark pixels
    // above its lower frame (the peak), where the empty band is white
    int nDark = 0;
    for (int y = 640; y < 935; ++y) {
        int r = 255, g = 255, b = 255;
        ASSERT_TRUE(bmpPixel(out + "/screenshot.bmp", nPeakPixel, y, &r, &g, &b));
        if (r + g + b < 300) ++nDark;
    }
    EXPECT_GT(nDark, 0);
}

namespace {

// Thirteen scans at 50000 rpm, 600 to 4200 s, of species given by s (S) and
// signal: erf boundaries of width 2 sqrt(D t), D = 3e-7 sqrt(4.5 / s) cm^2/s,
// their plateaus diluted radially, with a fixed Gaussian-like noise of sd
// `noise` (the sum of twelve uniform numbers of one generator).
void writeSpeciesScans(const std::string& dir, const std::vector<std::pair<double, double>>& species, double noise)
{
    std::filesystem::create_directories(dir);
    const int n = 241;
    const double m = 6.0, w2 = std::pow(50000.0 * M_PI / 30.0, 2);
    std::vector<float> r(n + 1), c(n + 1);
    unsigned seed = 1;
    for (int k = 1; k <= 13; ++k) {
        const double t = 600.0 + 300.0 * (k - 1);
        for (int i = 1; i <= n; ++i) {
            r[i] = static_cast<float>(5.95 + 0.005 * (i - 1));
            double v = 0.0, e = -6.0;
            for (const auto& [sS, a] : species) {
                const double s = sS * 1e-13, D = 3e-7 * std::sqrt(4.5e-13 / s);
                const double rb = m * std::exp(s * w2 * t);
                if (r[i] > m)
                    v += a * std::exp(-2 * s * w2 * t) * 0.5 * (1 + std::erf((r[i] - rb) / (2 * std::sqrt(D * t))));
            }
            for (int q = 0; q < 12; ++q) {
                seed = seed * 1103515245u + 12345u;
                e += ((seed >> 8) & 0xffff) / 65536.0;
            }
            c[i] = static_cast<float>(v + noise * e);
        }
        ScanHeader h = absorbanceScanHeader("species", k, 50000.0, t);
        char name[64];
        std::snprintf(name, sizeof name, "/m%05d.RA1", k);
        writeScanFile((dir + name).c_str(), n, r.data(), c.data(), nullptr, nullptr, 1, &h);
    }
}

}  // namespace

// Fourteen species from 2 to 15 S, unregularized, the frictional ratio
// fitted: the distribution has more local maxima than the record keeps. It
// names the ten highest (docs/app.md: at most 10), each of them inside one
// peak's extent. And two overlapping bands about 4 and 5.25 S, with maximum
// entropy: their maxima are parted by a dip of less than 11 %, which the walk
// of a peak's extent crosses (docs/distributions.md), so the record names
// one peak holding both and the whole signal loaded.
TEST_F(RunModeTest, ADistributionOfManyMaximaNamesItsTenHighest)
{
    auto run = [&](const std::string& name, const std::vector<std::pair<double, double>>& species, double noise,
                   const std::string& extra, std::vector<double>* xs, std::vector<double>* ys) {
        const std::string data = scratch + name, out = scratch + name + "-out";
        writeSpeciesScans(data, species, noise);
        writeText(scratch + "job.xml",
                  "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + out +
                      "</OutputResultsDirectory><Model>Continuous c(s) Distribution</Model>"
                      "<Meniscus>6.0</Meniscus><Bottom>7.2</Bottom><LeftFitLimit>6.02</LeftFitLimit>"
                      "<RightFitLimit>7.1</RightFitLimit><FitMeniscus>0</FitMeniscus>"
                      "<FitBottom>0</FitBottom><FitFrictionalRatio>1</FitFrictionalRatio>"
                      "<AutoFit>1</AutoFit>" + extra);
        win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
        std::string printed;
        EXPECT_EQ(runJobFile(scratch + "job.xml", &printed), 0);
        EXPECT_EQ(printed.find("ERROR"), std::string::npos) << printed;
        std::ifstream f(out + "/distribution.dat");
        for (double x, y; f >> x >> y;) {
            xs->push_back(x);
            ys->push_back(y);
        }
        std::string err;
        auto root = parseXmlFile(out + "/ResultParameters.xml", &err);
        EXPECT_TRUE(root) << err;
        return root;
    };
    // the local maxima of a distribution written, each above its two
    // neighbours on either side, highest first
    auto maximaOf = [](const std::vector<double>& ys) {
        std::vector<size_t> maxima;
        for (size_t k = 2; k + 2 < ys.size(); ++k)
            if (ys[k] > ys[k - 1] && ys[k] > ys[k - 2] && ys[k] > ys[k + 1] && ys[k] > ys[k + 2]) maxima.push_back(k);
        std::sort(maxima.begin(), maxima.end(), [&](size_t a, size_t b) { return ys[a] > ys[b]; });
        return maxima;
    };
    std::vector<std::pair<double, double>> bands;
    double loaded = 0;
    for (int q = 0; q <= 60; ++q) {
        const double s = 2.0 + 0.1 * q;
        const double a = 0.13 * (std::exp(-2 * std::pow(s - 4.0, 2)) + std::exp(-2 * std::pow(s - 5.25, 2)));
        bands.push_back({s, a});
        loaded += a;
    }
    std::vector<double> xs, ys;
    auto root = run("bands", bands, 0.005, "<RegularizationType>max ent</RegularizationType>", &xs, &ys);
    ASSERT_TRUE(root);
    std::vector<size_t> maxima = maximaOf(ys);
    ASSERT_GE(maxima.size(), 2u);
    const size_t a = std::min(maxima[0], maxima[1]), b = std::max(maxima[0], maxima[1]);
    const double dip = *std::min_element(ys.begin() + a, ys.begin() + b) / ys[maxima[1]];
    EXPECT_GT(dip, 0.9);   // a dip of less than 11 %
    EXPECT_LT(dip, 0.99);  // and more than 1 %
    auto peaks = root->child("Distribution")->all("Peak");
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_LE(std::stod(peaks[0]->attr("from")), xs[a]);
    EXPECT_GE(std::stod(peaks[0]->attr("to")), xs[b]);
    EXPECT_NEAR(std::stod(peaks[0]->attr("signal")) / loaded, 1.0, 0.02);

    // (unregularized last: "none" leaves P = 0 for the runs after it)
    std::vector<std::pair<double, double>> fourteen;
    for (int q = 0; q < 14; ++q) fourteen.push_back({2.0 + q, 0.05});
    xs.clear();
    ys.clear();
    root = run("fourteen", fourteen, 0.0, "<RegularizationType>none</RegularizationType>", &xs, &ys);
    ASSERT_TRUE(root);
    ASSERT_GT(ys.size(), 5u);
    maxima = maximaOf(ys);
    ASSERT_GT(maxima.size(), 10u);
    peaks = root->child("Distribution")->all("Peak");
    ASSERT_EQ(peaks.size(), 10u);
    for (size_t j = 0; j < 10; ++j) {
        const double x = xs[maxima[j]];
        int nHolding = 0;
        for (auto* p : peaks) nHolding += std::stod(p->attr("from")) <= x && x <= std::stod(p->attr("to"));
        EXPECT_EQ(nHolding, 1) << x;
    }
}

TEST_F(RunModeTest, AFitSwitchOtherThanZeroOrOneIsRefused)
{
    std::string text;
    writeText(scratch + "bad.xml", "<DataDirectory>" MORVEX_SOURCE_DIR "/examples/velocity</DataDirectory>"
                                   "<OutputResultsDirectory>" + scratch + "out</OutputResultsDirectory>"
                                   "<FitMeniscus>2</FitMeniscus>");
    EXPECT_EQ(runProgram("'" + scratch + "bad.xml'", &text), 2);
    EXPECT_NE(text.find("FitMeniscus must be 0 or 1, not \"2\""), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(scratch + "out"));
}
