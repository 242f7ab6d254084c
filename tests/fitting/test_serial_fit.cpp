// The serialised batch fits, driven through the menu commands and the
// headless script: series of data sets made by the solver object (one
// species of 5 S, f/f0 1.3, loading 0.8) whose copies differ in the cell
// digit of their extension, in the list file that names them, or in the
// watch file a stand-in PLOKA writes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/distribution_result.h"
#include "distributions/monte_carlo.h"
#include "fitting/fit_globals.h"
#include "fitting/serial_fit.h"
#include "fitting/serial_set.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "scandata/scan_test_files.h"
#include "tools/fluorescence/fluorescence_options.h"

using namespace win;

namespace {

// The numbers of a text file, line by line (a line that holds none is left
// out).
std::vector<std::vector<double>> numberRows(const std::string& path)
{
    std::vector<std::vector<double>> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::vector<double> row;
        double v;
        while (s >> v) row.push_back(v);
        if (!row.empty()) rows.push_back(row);
    }
    return rows;
}

std::string firstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool fileThere(const std::string& path) { return std::filesystem::exists(path); }

int countLines(const headless::Script& script, const std::string& text)
{
    int n = 0;
    for (const std::string& l : script.lines())
        if (l.find(text) != std::string::npos) ++n;
    return n;
}

class SerialFitTest : public ContiRunTest {
protected:
    void SetUp() override
    {
        ContiRunTest::SetUp();
        sp.D = diffusionOf(5.0, 1.3);
        sp.nScans = 8;
        sp.nPoints = 150;
    }

    // The scans of one species in <scratch>/<name>/1 as 0000k.RA1, copied to
    // the extensions RA2..RA<nCells>; the folder.
    std::string WriteCellSeries(const std::string& name, int nCells)
    {
        const std::string folder = Folder(name + "/1");
        for (const std::string& p : WriteSpecies(sp, folder)) {
            for (int c = 2; c <= nCells; c++) {
                std::string to = p;
                to.back() = static_cast<char>('0' + c);
                std::filesystem::copy_file(p, to, std::filesystem::copy_options::overwrite_existing);
            }
        }
        return folder;
    }

    std::vector<std::string> SetPaths(const std::string& folder, const std::string& ext) const
    {
        std::vector<std::string> paths;
        for (int k = 1; k <= sp.nScans; k++) {
            char name[32];
            std::snprintf(name, sizeof name, "%05d.%s", k, ext.c_str());
            paths.push_back(folder + "/" + name);
        }
        return paths;
    }

    // The first set loaded and analysed by hand: c(s) from 0 to 10 S on 50
    // points, f/f0 1.3 (floated when bFloat), P = 0.95, one Run.
    void AnalyseFirstSet(const std::vector<std::string>& paths, bool bFloat)
    {
        LoadScans(paths);
        ASSERT_EQ(nScans, sp.nScans);
        SetCellGeometry();
        ChooseContinuous(&bModelCS, 0.0f, 10.0f, 50, 1.3f, 0.95f);
        pParamFloat[11] = bFloat ? 1 : 0;
        bSaveBestParams = 0;
        window->CmRun();
        ASSERT_TRUE(bModelComputed);
    }

    // The questions of command 593 up to the ranges, by cell nFirst..nLast
    // and subdirectory 1..1.
    void ExpectCellQuestions(headless::Script& script, int nFirst, int nLast, bool bFit)
    {
        script.expectMessageBox("incremental cell number?", IDYES)
            .expectMessageBox("incremental highest subdirectory?", IDYES)
            .expectMessageBox("load xpfile with incremental name (xp1.xp, xp2.xp...)?", IDNO)
            .expectInput("minimum cell number value", std::to_string(nFirst))
            .expectInput("maximum cell number value", std::to_string(nLast))
            .expectInput("minimum subdir value", "1")
            .expectInput("maximum subdir value", "1")
            .expectMessageBox("fit each set?", bFit ? IDYES : IDNO)
            .expectMessageBox("restore previous params if available?", IDNO);
    }

    void ExpectFlagsRestored(unsigned char bTimeStamps)
    {
        EXPECT_EQ(bSerialFitRunning, 0);
        EXPECT_EQ(bSerialFitKeepData, 0);
        EXPECT_EQ(bSerialMonteCarlo, 0);
        EXPECT_EQ(bCheckTimeStamps, bTimeStamps);
        EXPECT_EQ(window->bCtotBusy, 0);
    }

    SpeciesScans sp;
};

// The grid index of the largest value of a distribution file's rows.
size_t peakRow(const std::vector<std::vector<double>>& rows)
{
    size_t k = 0;
    for (size_t i = 1; i < rows.size(); i++)
        if (rows[i][1] > rows[k][1]) k = i;
    return k;
}

}  // namespace

// A series takes up to ten integration ranges: after the tenth it asks for
// no other and goes on to the Monte-Carlo question, and every set's
// integrals hold the ten rows, as typed.
TEST_F(SerialFitTest, ByCellFitsEverySetAndWritesItsDistributionAndIntegrals)
{
    const std::string folder = WriteCellSeries("cells", 7);
    AnalyseFirstSet(SetPaths(folder, "RA1"), true);
    bCheckTimeStamps = 1;
    // the whole loading, the peak, and the unit ranges from 0 to 8 S
    const float lim[10][2] = {{1.0f, 8.0f}, {4.5f, 5.5f}, {0.0f, 1.0f}, {1.0f, 2.0f}, {2.0f, 3.0f},
                              {3.0f, 4.0f}, {4.0f, 5.0f}, {5.0f, 6.0f}, {6.0f, 7.0f}, {7.0f, 8.0f}};
    headless::Script script;
    script.expectMessageBox("Need to switch off time stamp check", IDYES);
    ExpectCellQuestions(script, 1, 7, true);
    script.expectMessageBox("with automatic integration?", IDYES);
    for (int r = 0; r < 10; r++) {
        char szMin[16], szMax[16];
        std::snprintf(szMin, sizeof szMin, "%g", static_cast<double>(lim[r][0]));
        std::snprintf(szMax, sizeof szMax, "%g", static_cast<double>(lim[r][1]));
        if (r > 0) script.expectMessageBox("another integration range?", IDYES);
        script.expectInput("s min for integration", szMin).expectInput("s max for integration", szMax);
    }
    script.expectMessageBox("with Monte-Carlo error analysis?", IDNO);
    Run(script, 593);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(1);

    // one caption per set, the sets in cell order
    EXPECT_EQ(countLines(script, "Caption \"SEDIMENTATION ANALYSIS -> "), 14);  // the loader's and the set's
    for (int c = 1; c <= 7; c++) {
        const std::string ext = ".RA" + std::to_string(c);
        const auto dist = numberRows(folder + "/distribution" + ext);
        ASSERT_EQ(dist.size(), 50u) << ext;
        const double ds = dist[1][0] - dist[0][0];
        EXPECT_NEAR(dist[peakRow(dist)][0], 5.0, ds) << ext;
        const auto ff0 = numberRows(folder + "/ff0" + ext);
        ASSERT_EQ(ff0.size(), 1u);
        EXPECT_NEAR(ff0[0][0], 1.3, 0.1) << ext;
        EXPECT_EQ(firstLine(folder + "/integrals" + ext), "smin, smax, c, sw, ctot");
        ASSERT_EQ(numberRows(folder + "/integrals" + ext).size(), 10u);
        EXPECT_TRUE(fileThere(folder + "/data_.xp"));
        EXPECT_TRUE(fileThere(folder + "/from_morvex_series_.drellix"));
    }
    EXPECT_FALSE(fileThere(folder + "/error.txt"));
    // the rows of the last set are the integrals of the distribution it left
    EXPECT_EQ(loadedScanExtension(), ".RA7");
    const auto rows = numberRows(folder + "/integrals.RA7");
    for (int r = 0; r < 10; r++) {
        float c = 0, sw = 0, ctot = 0;
        integrateDistribution(lim[r][0], lim[r][1], &c, &sw, &ctot, nullptr, nullptr, nullptr);
        ASSERT_EQ(rows[r].size(), 5u);
        EXPECT_FLOAT_EQ(static_cast<float>(rows[r][0]), lim[r][0]);
        EXPECT_FLOAT_EQ(static_cast<float>(rows[r][1]), lim[r][1]);
        EXPECT_NEAR(rows[r][2], c, 1e-6 * std::fabs(c));
        EXPECT_NEAR(rows[r][3], sw, 1e-6 * sw);
        EXPECT_NEAR(rows[r][4], ctot, 1e-6 * ctot);
    }
    // the whole loading lies in the wide range, the peak in the narrow one
    EXPECT_NEAR(rows[0][2], 0.8, 0.03);
    EXPECT_NEAR(rows[0][3], 5.0, 0.1);
    EXPECT_GT(rows[1][2], 0.5 * rows[0][2]);
    // the unit ranges share the loading out: together the whole of it, most
    // in the two next to 5 S
    double dSum = 0.0;
    for (int r = 2; r < 10; r++) dSum += rows[r][2];
    EXPECT_NEAR(dSum, 0.8, 0.03);
    EXPECT_GT(rows[6][2] + rows[7][2], 0.9 * dSum);
}

TEST_F(SerialFitTest, AMissingSetIsSkippedAndANumericalFailureGoesToTheErrorFile)
{
    const std::string folder = WriteCellSeries("skip", 3);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    std::filesystem::remove(folder + "/00004.RA2");
    // the Monte-Carlo folder cannot be made: a file is in its place
    scantest::writeText(folder + "/MCdata", "not a folder\n");
    headless::Script script;
    ExpectCellQuestions(script, 1, 3, false);
    script.expectMessageBox("with automatic integration?", IDYES)
        .expectInput("s min for integration", "1")
        .expectInput("s max for integration", "8")
        .expectMessageBox("another integration range?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDYES)
        .expectInput("# of MC iterations", "3");
    Run(script, 593);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    EXPECT_TRUE(fileThere(folder + "/distribution.RA1"));
    EXPECT_FALSE(fileThere(folder + "/distribution.RA2"));
    EXPECT_TRUE(fileThere(folder + "/distribution.RA3"));
    EXPECT_EQ(scantest::readText(folder + "/error.txt"), "could not create MC directory");
    // the statistics of the range all the same
    EXPECT_EQ(firstLine(folder + "/MCintegrals.RA3"),
              "smin\tsmax\tsavg\tsstd\tslow\tsup\tcavg\tcstd\tclow\tcup (P = 0.68)");
    const auto mc = numberRows(folder + "/MCintegrals.RA3");
    ASSERT_EQ(mc.size(), 1u);
    ASSERT_EQ(mc[0].size(), 10u);
    EXPECT_NEAR(mc[0][2], 5.0, 0.2);   // mean sw
    EXPECT_NEAR(mc[0][6], 0.8, 0.05);  // mean c
    EXPECT_LE(mc[0][4], mc[0][5]);
    EXPECT_EQ(ppMCDistributions, nullptr);  // the run ended with the set
}

// A c(s) grid of a single point is a distribution too: each set writes it,
// the one s and its amplitude, which at the species' own s and frictional
// ratio is the loading, and the series goes on to the next set. A grid of
// no point leaves no distribution (the Run computes nothing), and such a set
// ends before its files (docs/fitting.md): no distribution file, not even an
// empty one, and no export.
TEST_F(SerialFitTest, ADistributionOfOnePointIsWrittenForEverySet)
{
    const std::string folder = WriteCellSeries("one", 2);
    LoadScans(SetPaths(folder, "RA1"));
    SetCellGeometry();
    ChooseContinuous(&bModelCS, 5.0f, 5.0f, 1, 1.3f, 0.95f);
    pParamFloat[11] = 0;
    bSaveBestParams = 0;
    window->CmRun();
    ASSERT_TRUE(bModelComputed);
    ASSERT_EQ(nResolution, 1);
    headless::Script script;
    ExpectCellQuestions(script, 1, 2, false);
    script.expectMessageBox("with automatic integration?", IDNO).expectMessageBox("with Monte-Carlo error analysis?", IDNO);
    Run(script, 593);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    for (const char* ext : {".RA1", ".RA2"}) {
        const auto dist = numberRows(folder + "/distribution" + ext);
        ASSERT_EQ(dist.size(), 1u) << ext;
        ASSERT_EQ(dist[0].size(), 2u) << ext;
        EXPECT_FLOAT_EQ(static_cast<float>(dist[0][0]), 5.0f) << ext;
        EXPECT_NEAR(dist[0][1], 0.8, 0.01) << ext;
        EXPECT_TRUE(fileThere(folder + "/data_.xp")) << ext;
    }
    EXPECT_EQ(loadedScanExtension(), ".RA2");

    const std::string none = WriteCellSeries("none", 2);
    LoadScans(SetPaths(none, "RA1"));
    SetCellGeometry();
    ChooseContinuous(&bModelCS, 5.0f, 5.0f, 0, 1.3f, 0.95f);
    pParamFloat[11] = 0;
    window->CmRun();
    ASSERT_FALSE(bModelComputed);
    headless::Script empty;
    ExpectCellQuestions(empty, 1, 2, false);
    empty.expectMessageBox("with automatic integration?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDNO);
    Run(empty, 593);
    EXPECT_EQ(empty.pending(), 0u);
    for (const char* ext : {".RA1", ".RA2"}) EXPECT_FALSE(fileThere(none + "/distribution" + ext)) << ext;
    EXPECT_FALSE(fileThere(none + "/data_.xp"));
}

// By subdirectory with experiment files: set d is the one xp<d>.xp names,
// found in folder d beside the loaded set's folder; here sets of a single
// scan, of loading 0.8 in folder 1 and 0.4 in folder 2.
TEST_F(SerialFitTest, BySubdirectoryEachSetComesFromItsExperimentFile)
{
    sp.nScans = 1;
    std::string folders[3];
    for (int d = 1; d <= 2; d++) {
        folders[d] = Folder("xps/" + std::to_string(d));
        sp.loading = 0.8 / d;
        WriteSpecies(sp, folders[d]);
        std::ofstream(folders[d] + "/xp" + std::to_string(d) + ".xp")
            << "0\nset\n\"" << folders[d] << "\" \" 00001.RA1\"\n";
    }
    LoadScans(SetPaths(folders[1], "RA1"));
    SetCellGeometry();
    ChooseContinuous(&bModelCS, 5.0f, 5.0f, 1, 1.3f, 0.95f);
    pParamFloat[11] = 0;
    bSaveBestParams = 0;
    headless::Script script;
    script.expectMessageBox("incremental cell number?", IDNO)
        .expectMessageBox("incremental highest subdirectory?", IDYES)
        .expectMessageBox("load xpfile with incremental name (xp1.xp, xp2.xp...)?", IDYES)
        .expectMessageBox("restore TI & RI noise from current model?", IDNO)
        .expectInput("minimum subdir value", "1")
        .expectInput("maximum subdir value", "2")
        .expectMessageBox("fit each set?", IDNO)
        .expectMessageBox("restore previous params if available?", IDNO)
        .expectMessageBox("with automatic integration?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDNO);
    Run(script, 593);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    for (int d = 1; d <= 2; d++) {
        const auto dist = numberRows(folders[d] + "/distribution.RA1");
        ASSERT_EQ(dist.size(), 1u) << d;
        EXPECT_NEAR(dist[0][1], 0.8 / d, 0.01) << d;
    }
}

TEST(SerialFitErrors, TheCodesAndTheirTexts)
{
    scantest::TempFolder tmp;
    const std::string dir = tmp.Dir() + "/";
    nNumericalErrorCode = 0;
    EXPECT_FALSE(writeSerialErrorFile(dir));
    EXPECT_FALSE(fileThere(dir + "error.txt"));
    nNumericalErrorCode = 10;
    EXPECT_TRUE(writeSerialErrorFile(dir));
    EXPECT_EQ(scantest::readText(dir + "error.txt"), "Nelder-Mead not converged");
    nNumericalErrorCode = 11;
    EXPECT_TRUE(writeSerialErrorFile(dir));
    EXPECT_EQ(scantest::readText(dir + "error.txt"), "error occured (invalid error code)");
    EXPECT_STREQ(serialErrorText(1), "max #iteration exceeded in NNLS");
    EXPECT_STREQ(serialErrorText(7), "could not create MC directory");
    EXPECT_STREQ(serialErrorText(9), "zero differential in mlcof");
    nNumericalErrorCode = 0;
}

TEST_F(SerialFitTest, NothingToSerializeAndNoScansChangeNothing)
{
    headless::Script script;
    Run(script, 593);  // no scans: no question
    EXPECT_TRUE(script.lines().empty());
    const std::string folder = WriteCellSeries("nothing", 1);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    script.expectMessageBox("incremental cell number?", IDNO)
        .expectMessageBox("incremental highest subdirectory?", IDNO)
        .expectMessageBox("nothing to serialize", IDOK);
    Run(script, 593);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    // a Cancel of a range
    script.expectMessageBox("incremental cell number?", IDYES)
        .expectMessageBox("incremental highest subdirectory?", IDNO)
        .expectInputCancel("minimum cell number value");
    Run(script, 593);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    EXPECT_FALSE(fileThere(folder + "/distribution.RA1"));
}

// ---------------------------------------------------------------- by list files

namespace {

// A list file of the set's scans in the folder.
void writeList(const std::string& folder, const std::string& ext, int nScansInSet)
{
    std::string text = "newformat n=1\n" + folder + "\n";
    for (int k = 1; k <= nScansInSet; k++) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.%s\n", k, ext.c_str());
        text += name;
    }
    scantest::writeText(folder + "/list." + ext, text);
}

}  // namespace

TEST_F(SerialFitTest, ByListLeavesTheSaturatedSetOutAndSummarisesTheOthers)
{
    const std::string folder = WriteCellSeries("lists", 3);
    // the second set: the same species at a loading that saturates the
    // detector between 6.9 and 7.0 cm
    SpeciesScans strong = sp;
    strong.loading = 2.2;
    const std::string other = Folder("strong");
    for (const std::string& p : WriteSpecies(strong, other)) {
        std::string to = folder + "/" + std::filesystem::path(p).filename().string();
        to.back() = '2';
        std::filesystem::copy_file(p, to, std::filesystem::copy_options::overwrite_existing);
    }
    for (const char* ext : {"RA1", "RA2", "RA3"}) writeList(folder, ext, sp.nScans);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    // photophysics without bleaching (rate 0) leaves the model as it is; its
    // limiting level is summarised in % as it is entered (docs/tools.md)
    bFloMagnificationDrift = bFloBleaching = 1;
    fFloKBleach = 0.0f;
    fFloAlim = 0.8f;
    headless::Script script;
    script.expectMessageBox("fit each set? \n(otherwise only run will be executed in each set)", IDNO)
        .expectMessageBox("restore previous params if available?", IDNO)
        .expectMessageBox("overwrite FitRightLim?", IDNO)
        .expectMessageBox("PLOKA dfr and c(s)?", IDNO)
        .expectMessageBox("with automatic integration?", IDYES)
        .expectInput("s min for integration", "1")
        .expectInput("s max for integration", "8")
        .expectMessageBox("another integration range?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDNO);
    Run(script, 904);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bSerialFitRunning, 0);
    EXPECT_EQ(bSerialFitKeepData, 0);
    EXPECT_TRUE(transcriptShows(script, "Start WinExec \"notepad.exe " + folder + "/summary.txt\""));

    const std::string summary = scantest::readText(folder + "/summary.txt");
    const std::string idswsig = scantest::readText(folder + "/idswsig.txt");
    // the first and third set are one set of scans: the same numbers
    const std::string row =
        "          1.000 - 8.000: c=0.799941 (ctot = 0.799998) sw=5.000 , Mapp=77076 , rmsd = 0.000186 (rmsd/ctot = "
        "0.02%)                 \n";
    const std::string flo = " - kbleach = 0.0000 1/h (floating) - Alim = 80.0000 % (floating)\n";
    EXPECT_EQ(summary, "#1 - list.RA1: " + row + flo + "list.RA2\nsignal maxed out\n#3 - list.RA3: " + row + flo);
    EXPECT_EQ(idswsig, "list.RA1  0.799941  4.999819 77076.500000\nlist.RA2  0 0 0\n"
                       "list.RA3  0.799941  4.999819 77076.500000\n");
    EXPECT_EQ(scantest::readText(folder + "/integrals.RA3"),
              "smin, smax, c(in range), c(tot), sw(in range), Mwavg(in range), rmsd, rmsd/ctot(%)\n"
              "1.000 8.000  0.799941 0.799998 5.000 77076 0.000186 0.02\n");
    EXPECT_FALSE(fileThere(folder + "/distribution.RA2"));
    EXPECT_TRUE(fileThere(folder + "/distribution.RA3"));
}

// Any loaded data, a single scan too, hears why another model cannot be
// serialised.
TEST_F(SerialFitTest, ByListIsForTheCsModelsOnly)
{
    const std::string folder = WriteCellSeries("notcs", 1);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    for (int nLoaded : {sp.nScans, 1}) {
        if (nLoaded == 1) {
            LoadScans({SetPaths(folder, "RA1")[0]});
            ASSERT_EQ(nScans, 1);
        }
        bModelCS = 0;
        headless::Script script;
        script.expectMessageBox("currently only implemented for c(s) distribution analysis (please switch first)",
                                IDOK);
        Run(script, 904);
        EXPECT_EQ(script.pending(), 0u) << nLoaded;
    }
}

// With the fluorescence options overwritten and the excitation shadow
// floated, "always float bottom?" decides the bottom's flag in every set: Yes
// floats it, No keeps that of the analysis each set starts from (fixed here).
// Without the question every set takes the flag the hand analysis had at the
// start (floated here). The flag holds through the set's Run (which takes
// the flags from the parameter vector), so the set's experiment file records
// it; the flag of the hand analysis is back after the series.
TEST_F(SerialFitTest, ByListAlwaysFloatBottomFloatsItInEverySet)
{
    struct Case {
        const char* szFolder;
        bool bOverwrite;         // the FDS-related parameters, and so the question
        int nAnswer;             // to "always float bottom?"
        unsigned char bAtStart;  // the bottom's flag of the hand analysis
        bool bFloated;           // in every set
    };
    for (const Case& c : {Case{"bottomYes", true, IDYES, 0, true}, Case{"bottomNo", true, IDNO, 0, false},
                          Case{"bottomAsAtStart", false, 0, 1, true}}) {
        const std::string folder = WriteCellSeries(c.szFolder, 2);
        for (const char* ext : {"RA1", "RA2"}) writeList(folder, ext, sp.nScans);
        AnalyseFirstSet(SetPaths(folder, "RA1"), false);
        pParamFloat[14] = bFitBottom = c.bAtStart;
        bFloExcitationCone = bFloExcitationConeFloat = 1;
        headless::Script script;
        script.expectMessageBox("fit each set? \n(otherwise only run will be executed in each set)", IDNO)
            .expectMessageBox("restore previous params if available?", IDYES)
            .expectMessageBox("overwrite FDS-related parameters?", c.bOverwrite ? IDYES : IDNO)
            .expectMessageBox("overwrite FitRightLim?", IDNO);
        if (c.bOverwrite) script.expectMessageBox("always float bottom?", c.nAnswer);
        script.expectMessageBox("PLOKA dfr and c(s)?", IDNO)
            .expectMessageBox("with automatic integration?", IDNO)
            .expectMessageBox("with Monte-Carlo error analysis?", IDNO);
        Run(script, 904);
        EXPECT_EQ(script.pending(), 0u) << c.szFolder;
        const std::string xp = scantest::readText(folder + "/data_.xp");
        EXPECT_NE(xp.find(c.bFloated ? "\n1 (blocalVaryBottom)\n" : "\n0 (blocalVaryBottom)\n"), std::string::npos)
            << c.szFolder;
        EXPECT_EQ(bFitBottom, c.bAtStart) << c.szFolder;
        EXPECT_EQ(pParamFloat[14], c.bAtStart) << c.szFolder;
        bFloExcitationCone = bFloExcitationConeFloat = 0;
    }
}

// The number of Monte-Carlo iterations offers 100 in a series by cell and 500
// in one by list; a Cancel there ends the command before any set.
TEST_F(SerialFitTest, TheMonteCarloCountOffersItsDefaultAndACancelRunsNoSet)
{
    const std::string folder = WriteCellSeries("mc", 2);
    for (const char* ext : {"RA1", "RA2"}) writeList(folder, ext, sp.nScans);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    headless::Script script;
    ExpectCellQuestions(script, 1, 2, false);
    script.expectMessageBox("with automatic integration?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDYES)
        .expectInputCancel("# of MC iterations");
    Run(script, 593);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    EXPECT_EQ(countLines(script, "\"# of MC iterations\" \"100.000000\" -> IDCANCEL"), 1);

    script.expectMessageBox("fit each set? \n(otherwise only run will be executed in each set)", IDNO)
        .expectMessageBox("restore previous params if available?", IDNO)
        .expectMessageBox("overwrite FitRightLim?", IDNO)
        .expectMessageBox("PLOKA dfr and c(s)?", IDNO)
        .expectMessageBox("with automatic integration?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDYES)
        .expectInputCancel("# of MC iterations");
    Run(script, 904);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    EXPECT_EQ(countLines(script, "\"# of MC iterations\" \"500.000000\" -> IDCANCEL"), 1);
    for (const char* name : {"distribution.RA1", "distribution.RA2", "summary.txt", "idswsig.txt"})
        EXPECT_FALSE(fileThere(folder + "/" + name)) << name;
}

// ---------------------------------------------------------------- with PLOKA monitoring

namespace {

// A stand-in PLOKA configured for the program's file name: a shell script
// that writes the watch file (through a temporary name) into the directory
// it is given as its third argument.
// A shell script with the given body, named in programs.ini as PLOKA.
void installPloka(const std::string& scriptPath, const std::string& body)
{
    scantest::writeText(scriptPath, "#!/bin/sh\n" + body);
    chmod(scriptPath.c_str(), 0755);
    scantest::writeText(win::workingFolder() + "programs.ini", "PLOKA=" + scriptPath + "\n");
}

void configurePloka(const std::string& scriptPath, const std::string& watchText)
{
    installPloka(scriptPath, "printf '" + watchText + "' > \"$3/watch.tmp\" && mv \"$3/watch.tmp\" \"$3/toBeProcessed.txt\"\n");
}

}  // namespace

TEST_F(SerialFitTest, PlokaRunsEveryItemOfItsWatchFileAndWritesTheEnd)
{
    const std::string folder = WriteCellSeries("ploka", 2);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    configurePloka(scratch + "ploka.sh", "None RA1 1 8 1\\nNone RA2 1 8 2\\n");
    scantest::writeText(folder + "/toBeProcessed.txt", "an earlier series\n");
    headless::Script script;
    script.expectMessageBox("Are currently loaded data part of the series, and analyzed as the series should be?", IDYES)
        .expectMessageBox("look for existing series of lists? (otherwise they will be assembled by scan numbers)", IDNO)
        .expectMessageBox("now please work with PLOKA to select sets and press 'begin', then press OK here", IDOK)
        .expectMessageBox("fit each set? \n(otherwise only run will be executed in each set)", IDNO)
        .expectMessageBox("restore previous params if available?", IDNO);
    Run(script, 923);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, std::string("Start WinExec \"") + szPlokaExePath + " --cofs --watch \\\"" +
                                            folder + "\\\"\" -> program \"" + scratch + "ploka.sh\""));
    // the earlier watch file kept aside
    EXPECT_EQ(scantest::readText(folder + "/toBeProcessed(1).txt"), "an earlier series\n");
    // the lists made from the scan numbers: every scan, every other scan and
    // the last
    EXPECT_EQ(scantest::readText(folder + "/seriallist1.RA1").size(), 15u + folder.size() + 8 * 10);
    std::string list2 = scantest::readText(folder + "/seriallist2.RA2");
    EXPECT_EQ(list2, "newformat n=1\n" + folder + "\n00001.RA2\n00003.RA2\n00005.RA2\n00007.RA2\n00008.RA2\n");
    // one line per item, and PLOKA's files of each
    std::istringstream finis(scantest::readText(folder + "/distFinis.txt"));
    std::string line;
    int nLines = 0;
    for (const char* name : {"RA1", "RA2"}) {
        ASSERT_TRUE(std::getline(finis, line));
        ++nLines;
        char szName[16];
        float fRmsdRead = 0, fMen = 0, fFf0 = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%15s\t%f\t%f\t%f", szName, &fRmsdRead, &fMen, &fFf0), 4) << line;
        EXPECT_STREQ(szName, name);
        EXPECT_LT(fRmsdRead, 0.01f);
        EXPECT_FLOAT_EQ(fMen, 6.0f);
        EXPECT_FLOAT_EQ(fFf0, 1.3f);
        EXPECT_TRUE(fileThere(folder + "/dfr" + name + ".txt"));
        EXPECT_TRUE(fileThere(folder + "/dist" + name + ".txt"));
        EXPECT_TRUE(fileThere(folder + "/distribution." + name));
    }
    EXPECT_FALSE(std::getline(finis, line));
    EXPECT_EQ(nLines, 2);
    EXPECT_EQ(bSerialPlokaMode, 0);
    EXPECT_EQ(bSerialFitRunning, 0);
    EXPECT_EQ(serialSeries.nItems, 0);
}

// In list mode the set is named by its list's path as PLOKA writes it, here
// a Windows one ("C:\...\cell.RA1", which the program reads as the same
// folder). Its dfr and dist files lie in the data directory under that name
// with the path's separators and the drive's colon as "_": a backslash left
// in the name would be taken as a folder that does not exist, and the files
// of the set would be lost.
TEST_F(SerialFitTest, PlokaListsNamedByAWindowsPathKeepTheirFilesInTheDataDirectory)
{
    const std::string folder = WriteCellSeries("plokalist", 1);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    std::string list = "newformat n=1\n" + folder + "\n";
    for (int k = 1; k <= 8; k++) list += "0000" + std::to_string(k) + ".RA1\n";
    scantest::writeText(folder + "/cell.RA1", list);
    std::string winFolder = folder;
    std::replace(winFolder.begin(), winFolder.end(), '/', '\\');
    const std::string setName = "C:" + winFolder + "\\cell.RA1";
    // "C:\tmp\...\cell.RA1" becomes "C__tmp_..._cell.RA1"
    std::string flatFolder = folder;
    std::replace(flatFolder.begin(), flatFolder.end(), '/', '_');
    const std::string fileName = "C_" + flatFolder + "_cell.RA1";
    // the stand-in PLOKA copies the watch file as it is, backslashes and all
    scantest::writeText(scratch + "lists.txt", setName + "\n");
    installPloka(scratch + "plokalists.sh",
                 "cp \"" + scratch + "lists.txt\" \"$3/watch.tmp\" && mv \"$3/watch.tmp\" \"$3/listOfLists.txt\"\n");
    headless::Script script;
    script.expectMessageBox("Are currently loaded data part of the series", IDYES)
        .expectMessageBox("look for existing series of lists?", IDYES)
        .expectMessageBox("now please work with PLOKA", IDOK)
        .expectMessageBox("fit each set?", IDNO)
        .expectMessageBox("restore previous params if available?", IDNO);
    Run(script, 923);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(fileThere(folder + "/dfr" + fileName + ".txt")) << fileName;
    EXPECT_TRUE(fileThere(folder + "/dist" + fileName + ".txt")) << fileName;
    EXPECT_EQ(scantest::readText(folder + "/distFinis.txt").compare(0, setName.size() + 1, setName + "\t"), 0);
}

TEST_F(SerialFitTest, PlokaMissingOrSilentEndsBeforeAnySet)
{
    const std::string folder = WriteCellSeries("noploka", 1);
    AnalyseFirstSet(SetPaths(folder, "RA1"), false);
    headless::Script script;
    script.expectMessageBox("Are currently loaded data part of the series", IDYES)
        .expectMessageBox(std::string("sorry, could not find PLOKA file at ") + szPlokaExePath, IDOK);
    Run(script, 923);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(transcriptShows(script, "Start WinExec"));
    EXPECT_FALSE(fileThere(folder + "/distFinis.txt"));

    // a PLOKA that writes nothing: the wait ends at a key
    const std::string silent = scratch + "silent.sh";
    installPloka(silent, "exit 0\n");
    script.expectMessageBox("Are currently loaded data part of the series", IDYES)
        .expectMessageBox("look for existing series of lists?", IDYES)
        .expectMessageBox("now please work with PLOKA", IDOK)
        .pressKey(VK_SPACE, 1500)
        .expectMessageBox("oops - can't seem to find " + folder + "/listOfLists.txt ... sorry, stopping here", IDOK);
    Run(script, 923);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(fileThere(folder + "/distFinis.txt"));
    EXPECT_EQ(bSerialFromListOfLists, 1);
}

// A set of one loaded file is a series too: PLOKA is started on its folder.
TEST_F(SerialFitTest, PlokaWatchesTheFolderOfASetOfOneFile)
{
    const std::string folder = WriteCellSeries("oneploka", 1);
    LoadScans({SetPaths(folder, "RA1")[0]});
    ASSERT_EQ(nScans, 1);
    ChooseContinuous(&bModelCS, 0.0f, 10.0f, 50, 1.3f, 0.95f);
    const std::string silent = scratch + "silent.sh";
    installPloka(silent, "exit 0\n");
    headless::Script script;
    script.expectMessageBox("Are currently loaded data part of the series", IDYES)
        .expectMessageBox("look for existing series of lists?", IDNO)
        .expectMessageBox("now please work with PLOKA", IDOK)
        .pressKey(VK_SPACE, 1)  // after the first look for the watch file
        .expectMessageBox("oops - can't seem to find " + folder + "/toBeProcessed.txt ... sorry, stopping here", IDOK);
    Run(script, 923);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, std::string("Start WinExec \"") + szPlokaExePath + " --cofs --watch \\\"" +
                                            folder + "\\\"\" -> program \"" + silent + "\""));
    EXPECT_EQ(bSerialFromListOfLists, 0);
    EXPECT_EQ(std::string(szSerialDataDir), folder + "/");
}

// ---------------------------------------------------------------- the watch file

class SerialWatchFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = tmp.Dir() + "/";
        std::snprintf(szSerialDataDir, sizeof szSerialDataDir, "%s", dir.c_str());
        std::snprintf(szSerialWatchFile, sizeof szSerialWatchFile, "%stoBeProcessed.txt", dir.c_str());
        for (int k = 1; k <= 4; k++) {
            const std::string number = std::string(4, '0') + std::to_string(k);
            scantest::writeText(dir + "s" + number + ".RA1", "x\n");
            scantest::writeText(dir + number + ".RA1", "x\n");
        }
    }
    bool Read(const std::string& text, bool bLists)
    {
        bSerialFromListOfLists = bLists ? 1 : 0;
        scantest::writeText(szSerialWatchFile, text);
        return readSerialWatchFile(nullptr);
    }
    scantest::TempFolder tmp;
    std::string dir;
};

TEST_F(SerialWatchFileTest, EachLineHoldsItsFieldsOrIsAParsingError)
{
    headless::Script script;
    ASSERT_TRUE(Read("s RA1 1 4 1\r\n\nNone RA1 1 4 2\n", false));
    ASSERT_EQ(serialSeries.nItems, 2);
    EXPECT_STREQ(serialSeries.pItems[1].szSetName, "sRA1");
    EXPECT_STREQ(serialSeries.pItems[1].szListPath, (dir + "seriallist1.RA1").c_str());
    EXPECT_EQ(scantest::readText(dir + "seriallist1.RA1"),
              "newformat n=1\n" + tmp.Dir() + "\ns00001.RA1\ns00002.RA1\ns00003.RA1\ns00004.RA1\n");
    // "None" names no prefix
    EXPECT_STREQ(serialSeries.pItems[2].szSetName, "RA1");
    EXPECT_EQ(scantest::readText(dir + "seriallist2.RA1"),
              "newformat n=1\n" + tmp.Dir() + "\n00001.RA1\n00003.RA1\n00004.RA1\n");

    script.expectMessageBox("parsing error of s RA1 1 4", IDOK);
    EXPECT_FALSE(Read("s RA1 1 4 1\ns RA1 1 4\n", false));
    EXPECT_EQ(serialSeries.nItems, 0);
    script.expectMessageBox("parsing error of s RA1 1 4 1 7", IDOK);
    EXPECT_FALSE(Read("s RA1 1 4 1 7\n", false));
    script.expectMessageBox("parsing error of s RA1 1 x4 1", IDOK);
    EXPECT_FALSE(Read("s RA1 1 x4 1\n", false));
    // fields longer than their buffers
    const std::string longField(300, 'p');
    script.expectMessageBox("parsing error of " + longField + " RA1 1 4 1", IDOK);
    EXPECT_FALSE(Read(longField + " RA1 1 4 1\n", false));
    script.expectMessageBox("parsing error of " + dir + longField, IDOK);
    EXPECT_FALSE(Read(dir + longField + "\n", true));
    script.expectMessageBox("parsing error of a b", IDOK);
    EXPECT_FALSE(Read("a b\n", true));
    EXPECT_EQ(script.pending(), 0u);

    // the lists as written
    ASSERT_TRUE(Read(dir + "list.RA1\n" + dir + "list.RA2\n", true));
    ASSERT_EQ(serialSeries.nItems, 2);
    EXPECT_STREQ(serialSeries.pItems[2].szListPath, (dir + "list.RA2").c_str());
    EXPECT_STREQ(serialSeries.pItems[2].szSetName, (dir + "list.RA2").c_str());
    freeSerialSeries();
}

TEST_F(SerialWatchFileTest, AListThatCannotBeMadeEndsTheSeriesBeforeIt)
{
    headless::Script script;
    script.expectMessageBox("problem creating list RA2: only 0 files found", IDOK)
        .expectMessageBox("problem creating list #2: s RA2 1 4 1", IDOK);
    ASSERT_TRUE(Read("s RA1 1 4 3\ns RA2 1 4 1\ns RA1 1 4 1\n", false));
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(serialSeries.nItems, 1);
    // the step after each file found, by one after each missing number, and
    // the last number always tried
    EXPECT_EQ(scantest::readText(dir + "seriallist1.RA1"), "newformat n=1\n" + tmp.Dir() + "\ns00001.RA1\ns00004.RA1\n");
    // an empty file and a missing one
    EXPECT_FALSE(Read("", false));
    std::filesystem::remove(szSerialWatchFile);
    script.expectMessageBox("Error", IDOK);
    EXPECT_FALSE(readSerialWatchFile(nullptr));
    EXPECT_TRUE(transcriptShows(script, "Attention: could not open "));
    freeSerialSeries();
}

// ---------------------------------------------------------------- stopping

TEST_F(SerialFitTest, AKeyDuringASetsFitAsksWhetherTheSeriesEnds)
{
    const std::string folder = WriteCellSeries("stop", 3);
    AnalyseFirstSet(SetPaths(folder, "RA1"), true);
    // the keys come while the first set computes: the Run after its load,
    // its own Run and its fit each take one
    headless::Script script;
    ExpectCellQuestions(script, 1, 3, true);
    script.expectMessageBox("with automatic integration?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDNO)
        .expectMessageBox("stop series?", IDNO);
    for (int k = 0; k < 3; k++) script.pressKey(VK_SPACE);
    window->EvCommand(593, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(0);
    // No: the set's files, and the next sets
    for (const char* ext : {".RA1", ".RA2", ".RA3"}) EXPECT_TRUE(fileThere(folder + "/distribution" + ext)) << ext;
    EXPECT_EQ(bFitStoppedByUser, 0);

    // Yes: the series ends at once
    for (const char* ext : {".RA1", ".RA2", ".RA3"}) std::filesystem::remove(folder + "/distribution" + ext);
    bCheckTimeStamps = 1;
    script.expectMessageBox("Need to switch off time stamp check", IDYES);
    ExpectCellQuestions(script, 1, 3, true);
    script.expectMessageBox("with automatic integration?", IDNO)
        .expectMessageBox("with Monte-Carlo error analysis?", IDNO)
        .expectMessageBox("stop series?", IDYES);
    for (int k = 0; k < 3; k++) script.pressKey(VK_SPACE);
    window->EvCommand(593, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    ExpectFlagsRestored(1);
    for (const char* ext : {".RA1", ".RA2", ".RA3"}) EXPECT_FALSE(fileThere(folder + "/distribution" + ext)) << ext;
}
