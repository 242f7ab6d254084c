// The Plot menu's outside programs with fake programs: the plotting
// executables of the "bin" folder (878-883) and PLOKA (899-901).
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/s_grid.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/export_fixture.h"

using scantest::ScanRecipe;

namespace {

class OutsidePlotTest : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        // the program folder is the scratch folder: no "bin", no PLOKA
        setUpDataFilePaths(scratch.c_str());
        args = scratch + "args.txt";
    }
    void TearDown() override
    {
        bModelCS = bModelContinuous = bModelCSFf0 = 0;
        bCsFf0ShowRh = bCsFf0ShowMFf0 = bCsFf0ShowD = 0;
        clearDistributionResults();
        ExportTest::TearDown();
    }
    // Fake plotting executables in "bin", found by the presence check.
    void InstallPlotPrograms()
    {
        for (const char* sz : {szPlot3dExePath, szMovieExePath, szDataFitResExePath, szDataFitResDistExePath,
                               szSizeShapeExePath, szStructureExePath})
            WriteFakeProgram(sz, args);
        checkPlotExecutables(window.get());
    }
    // Seven scans of 500 points from 6.0 cm, meniscus 5.9, bottom 7.2,
    // fitting limits 6.1 and 6.9.
    void LoadSevenScans()
    {
        ScanRecipe r;
        r.points = 500;
        r.dr = 0.002f;
        LoadScans(Folder("scans"), 7, r);
        ASSERT_EQ(nScans, 7);
        ASSERT_NE(pDataPlot, nullptr);
        fMeniscus = 5.9f;
        fBottom = 7.2f;
        fFitLeftLim = 6.1f;
        fFitRightLim = 6.9f;
        updateLeftFitLimit();
        updateRightFitLimit();
    }
    // The command line the transcript shows started (by WinExec or
    // CreateProcess) with the program it ran.
    bool Started(const win::headless::Script& script, const char* szApi, const std::string& commandLine)
    {
        return transcriptShows(script, std::string("Start ") + szApi + " " + quoted(commandLine) + " -> program");
    }
    static size_t Starts(const win::headless::Script& script)
    {
        size_t n = 0;
        for (const std::string& line : script.lines()) n += line.rfind("Start ", 0) == 0 ? 1 : 0;
        return n;
    }
    static std::string Format(const char* szFormat, ...)
    {
        char sz[4096];
        va_list ap;
        va_start(ap, szFormat);
        std::vsnprintf(sz, sizeof sz, szFormat, ap);
        va_end(ap);
        return sz;
    }
    std::string args;
};

}  // namespace

TEST_F(OutsidePlotTest, MenuItemsOnlyForProgramsThatAreThere)
{
    // a program folder without "bin": none of the six items
    window.reset();
    OpenWindow();
    win::HMENU m = window->GetMenu();
    for (win::UINT id = 878; id <= 883; ++id) EXPECT_EQ(win::GetMenuState(m, id, win::MF_BYCOMMAND), 0xFFFFFFFFu) << id;
    EXPECT_NE(win::GetMenuState(m, 899, win::MF_BYCOMMAND), 0xFFFFFFFFu);

    // one in "bin", one configured for its file name in programs.ini
    WriteFakeProgram(szMovieExePath, args);
    WriteFakeProgram(scratch + "elsewhere/dfr", args);
    ConfigureProgram("datafitres", scratch + "elsewhere/dfr");
    window.reset();
    OpenWindow();
    m = window->GetMenu();
    EXPECT_NE(win::GetMenuState(m, 879, win::MF_BYCOMMAND), 0xFFFFFFFFu);
    EXPECT_NE(win::GetMenuState(m, 880, win::MF_BYCOMMAND), 0xFFFFFFFFu);
    for (win::UINT id : {878u, 881u, 882u, 883u})
        EXPECT_EQ(win::GetMenuState(m, id, win::MF_BYCOMMAND), 0xFFFFFFFFu) << id;
    EXPECT_EQ(bHaveDataFitResExe, 1);
    EXPECT_EQ(bHavePlot3dExe, 0);
}

TEST_F(OutsidePlotTest, ThreeDimensionalPlotAndMovie)
{
    InstallPlotPrograms();
    LoadSevenScans();
    const float fYMin = pDataPlot->fYMin, fYMax = pDataPlot->fYMax;
    win::headless::Script script;
    script.expectMessageBox("show data within fitting limits?", win::IDYES)
        .expectMessageBox("radial axis range from meniscus to bottom?", win::IDYES)
        .expectMessageBox("use current y-axis limits?", win::IDYES)
        .expectInput("#of scans to plot", "50");
    Run(script, 878);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "Input \"PLOT 3D\" \"#of scans to plot\" \"7.000000\""));
    const std::string line = Format("%s 4113 %s 7 1 %e %e %e %e %e %e %e", szPlot3dExePath, szTempDir, fFitLeftLim,
                                    fFitRightLim, fYMin, fYMax, 5.9f, 7.2f, 7.0);
    EXPECT_TRUE(Started(script, "WinExec", line)) << line;
    // the program gets the fields as arguments; the scan files are there
    EXPECT_EQ(WaitForLines(args), std::vector<std::string>{line.substr(line.find(' ') + 1)});
    EXPECT_TRUE(std::filesystem::exists(std::string(szTempDir) + "7.dat"));
    EXPECT_TRUE(std::filesystem::exists(std::string(szTempDir) + "times.dat"));

    // The movie: its file, own y limits, every scan.
    const std::string movie = scratch + "film.avi";
    script.expectSaveFile("select filename for movie file", movie)
        .expectMessageBox("show data within fitting limits?", win::IDNO)
        .expectMessageBox("radial axis range from meniscus to bottom?", win::IDYES)
        .expectMessageBox("use current y-axis limits?", win::IDNO)
        .expectInput("y-min", "0.1")
        .expectInput("y-max", "0.9");
    Run(script, 879);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(Started(script, "WinExec",
                        Format("%s 4113 %s %s 7 1 %e %e %e %e %e %e %e", szMovieExePath, szTempDir, movie.c_str(),
                               pDataPlot->fXMin, pDataPlot->fXMax, 0.1, 0.9, 5.9f, 7.2f, 7.0)));
    // Cancel of the movie file starts nothing
    const size_t nStarts = Starts(script);
    script.expectFileCancel("select filename for movie file");
    Run(script, 879);
    EXPECT_EQ(Starts(script), nStarts);

    // 25 scans: 20 are offered; 30 entered passes all 25
    ScanRecipe r;
    r.points = 500;
    r.dr = 0.002f;
    LoadScans(Folder("many"), 25, r);
    ASSERT_EQ(nScans, 25);
    win::headless::Script many;
    many.expectMessageBox("show data within fitting limits?", win::IDNO)
        .expectMessageBox("radial axis range from meniscus to bottom?", win::IDNO)
        .expectMessageBox("using current display limits in the MORVEX data plot", win::IDOK)
        .expectMessageBox("use current y-axis limits?", win::IDYES)
        .expectInput("#of scans to plot", "30");
    Run(many, 878);
    EXPECT_EQ(many.pending(), 0u);
    EXPECT_TRUE(transcriptShows(many, "Input \"PLOT 3D\" \"#of scans to plot\" \"20.000000\""));
    const std::string manyLine =
        Format("%s 4113 %s 25 1 %e %e %e %e %e %e %e", szPlot3dExePath, szTempDir, pDataPlot->fXMin, pDataPlot->fXMax,
               pDataPlot->fYMin, pDataPlot->fYMax, pDataPlot->fXMin, pDataPlot->fXMax, 25.0);
    EXPECT_TRUE(Started(many, "WinExec", manyLine)) << manyLine;
}

TEST_F(OutsidePlotTest, DataFitResidualsPlots)
{
    InstallPlotPrograms();
    LoadSevenScans();
    // fluorescence data also flagged interference: optics code 3
    bInterferenceData = bFluorescenceData = 1;
    win::headless::Script script;
    script.expectMessageBox("show data within fitting limits?", win::IDNO)
        .expectMessageBox("radial axis range from meniscus to bottom?", win::IDNO)
        .expectMessageBox("using current display limits in the MORVEX data plot", win::IDOK)
        .expectMessageBox("auto y-axis limits?", win::IDYES)
        .expectInputCancel("#of scans to plot (constant time interval)");
    Run(script, 880);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(Started(script, "WinExec",
                        Format("%s 4113 %s 7 3 %e %e %e %e %e %e %e", szDataFitResExePath, szTempDir,
                               pDataPlot->fXMin, pDataPlot->fXMax, 0.0, 0.0, pDataPlot->fXMin, pDataPlot->fXMax, 7.0)));
    EXPECT_TRUE(std::filesystem::exists(std::string(szTempDir) + "7.fit"));

    // with the distribution: only for c(s) models, with its s-axis range;
    // interference data alone: optics code 2
    bFluorescenceData = 0;
    win::headless::Script none;
    Run(none, 881);  // no c(s) model: nothing is asked or started
    EXPECT_FALSE(transcriptShows(none, "Start "));
    bModelCS = bModelContinuous = 1;
    fSMin = 0.0f;
    fSMax = 15.0f;
    fSGridResolution = 31.0f;
    ASSERT_EQ(setupSGrid(), 1);
    script.expectMessageBox("show data within fitting limits?", win::IDYES)
        .expectMessageBox("radial axis range from meniscus to bottom?", win::IDNO)
        .expectMessageBox("auto y-axis limits?", win::IDNO)
        .expectMessageBox("use current y-axis limits?", win::IDNO)
        .expectInput("y-min", "0")
        .expectInput("y-max", "1")
        .expectInput("#of scans to plot (constant time interval)", "3")
        .expectInput("minimum value for s-axis in distribution plot", "1")
        .expectInputCancel("maximum value for s-axis in distribution plot");
    Run(script, 881);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "\"maximum value for s-axis in distribution plot\" \"15.000000\""));
    EXPECT_TRUE(Started(script, "WinExec",
                        Format("%s 4113 %s 7 2 %e %e %e %e %e %e %e %e %e", szDataFitResDistExePath, szTempDir,
                               fFitLeftLim, fFitRightLim, 0.0, 1.0, fFitLeftLim, fFitRightLim, 3.0, 1.0, 15.0)));
    EXPECT_EQ(Lines(std::string(szTempDir) + "dist.dat").size(), 31u);
}

TEST_F(OutsidePlotTest, SizeAndShapeAndStructurePlots)
{
    InstallPlotPrograms();
    bModelCSFf0 = 1;
    bCsFf0ShowRh = 1;
    allocCsFf0Arrays(4, 2);
    const float s[] = {2, 4, 2, 4}, rh[] = {1.5f, 2.5f, 2.0f, 3.0f}, ff0[] = {1.25f, 1.25f, 1.75f, 1.75f},
                m[] = {20000, 60000, 30000, 90000};
    for (int j = 1; j <= 4; ++j) {
        pCsFf0S[j] = s[j - 1];
        pCsFf0Rh[j] = rh[j - 1];
        pCsFf0Ratio[j] = ff0[j - 1];
        pCsFf0M[j] = m[j - 1];
    }
    // a range left as offered is the data's, an answer replaces either end
    win::headless::Script script;
    script.expectInputCancel("minimum value for s-axis in distribution plot")
        .expectInput("maximum value for s-axis in distribution plot", "5")
        .expectInputCancel("minimum value for Rh-axis (nm) in distribution plot")
        .expectInput("maximum value for Rh-axis (nm) in distribution plot", "3.5");
    Run(script, 882);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(Started(script, "WinExec",
                        Format("%s 4113 %s 3 0 %e %e %e %e %e %e %e %e %e %e", szSizeShapeExePath, szTempDir, 2.0,
                               5.0, 0.0, 0.0, 0.0, 0.0, 1.5, 3.5, 0.0, 0.0)));
    // the range offered spans every grid point: the largest Rh, 3 nm, is the last (2.5 without it)
    EXPECT_TRUE(transcriptShows(script, "\"maximum value for Rh-axis (nm) in distribution plot\" \"3.000000\""));
    // the M - f/f0 view asks for those two axes (M in kDa) and passes no s range
    bCsFf0ShowRh = 0;
    bCsFf0ShowMFf0 = 1;
    script.expectInputCancel("minimum value for ff0-axis in distribution plot")
        .expectInput("maximum value for ff0-axis in distribution plot", "2")
        .expectInputCancel("minimum value for M-axis (kDa) in distribution plot")
        .expectInput("maximum value for M-axis (kDa) in distribution plot", "100");
    Run(script, 882);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(Started(script, "WinExec",
                        Format("%s 4113 %s 2 0 %e %e %e %e %e %e %e %e %e %e", szSizeShapeExePath, szTempDir, 0.0,
                               0.0, 1.25, 2.0, 20.0, 100.0, 0.0, 0.0, 0.0, 0.0)));
    // and the largest mass, the last point's 90000 g/mol, is offered as 90 kDa (not 60)
    EXPECT_TRUE(transcriptShows(script, "\"maximum value for M-axis (kDa) in distribution plot\" \"90.0000"));
    bCsFf0ShowMFf0 = 0;
    // the D view asks for the s and D axes, and passes the D range last
    bCsFf0ShowD = 1;
    script.expectInputCancel("minimum value for s-axis in distribution plot")
        .expectInputCancel("maximum value for s-axis in distribution plot")
        .expectInput("minimum value for D-axis (F) in distribution plot", "3")
        .expectInput("maximum value for D-axis (F) in distribution plot", "9");
    Run(script, 882);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(Started(script, "WinExec",
                        Format("%s 4113 %s 4 0 %e %e %e %e %e %e %e %e %e %e", szSizeShapeExePath, szTempDir, 2.0,
                               4.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 3.0, 9.0)));
    bCsFf0ShowD = 0;

    const std::string structure = scratch + "model.bod";
    scantest::writeText(structure, "0 0 0\n");
    script.expectOpenFile("select filename for movie file", {structure});
    Run(script, 883);
    EXPECT_TRUE(Started(script, "WinExec", std::string(szStructureExePath) + " 4113 " + structure));
    // The four starts have run before the test's folder goes.
    EXPECT_EQ(WaitForLines(args, 4).size(), 4u);
}

TEST_F(OutsidePlotTest, PlokaOnVelocityDataAndDistributions)
{
    const std::string ploka = szPlokaExePath;
    WriteFakeProgram(ploka, args);
    LoadSevenScans();
    win::headless::Script script;
    Run(script, 900);
    const std::string table = std::string(szTempDir) + "svdfrdata.dat";
    EXPECT_TRUE(Started(script, "CreateProcess", ploka + " --svdfr " + table));
    EXPECT_EQ(WaitForLines(args), std::vector<std::string>{"--svdfr " + table});
    EXPECT_TRUE(std::filesystem::exists(table));

    // Ctrl+G: data, fit and residuals, then the distribution of a c(s) model
    bModelCS = bModelContinuous = 1;
    fSMin = 0.0f;
    fSMax = 15.0f;
    fSGridResolution = 31.0f;
    ASSERT_EQ(setupSGrid(), 1);
    script.expectMessageBox("PLOKA for data, fit, and residuals?", win::IDYES)
        .expectMessageBox("PLOKA for c(s)?", win::IDYES);
    Run(script, 901);
    EXPECT_EQ(script.pending(), 0u);
    const std::string cofs = ploka + " --cofs " + szTempDir + "dist.txt";
    EXPECT_TRUE(Started(script, "CreateProcess", cofs));
    EXPECT_EQ(Lines(std::string(szTempDir) + "lastcommand.txt"), std::vector<std::string>{cofs});
    EXPECT_EQ(Lines(std::string(szTempDir) + "dist.txt").back(), "-999.999 -999.999");
}

TEST_F(OutsidePlotTest, PlokaOnLightScatteringAndEquilibriumData)
{
    // configured in programs.ini rather than installed
    WriteFakeProgram(scratch + "opt/ploka", args);
    ConfigureProgram("PLOKA", scratch + "opt/ploka");
    const std::string folder = Folder("dls");
    dlstest::DlsRecipe r = dlstest::decayRecipe(5e-7, 21);
    const std::string a = WriteDls(folder, "a.dlsdat", r);
    r.time = 300.0;
    const std::string b = WriteDls(folder, "b.dlsdat", r);
    LoadFiles({a, b});
    ASSERT_EQ(bDLSData, 1);
    const std::string dls = std::string(szTempDir) + "dlsdata.dat";
    win::headless::Script script;
    pDlsHeaders[1].fieldAcf = 0;
    Run(script, 900);
    EXPECT_TRUE(transcriptShows(script, "Start CreateProcess " + quoted(std::string(szPlokaExePath) + " --idls " + dls) +
                                            " -> program " + quoted(scratch + "opt/ploka")));
    // the program reads the data written for it
    EXPECT_TRUE(std::filesystem::exists(dls));
    pDlsHeaders[1].fieldAcf = 1;
    Run(script, 900);
    EXPECT_TRUE(Started(script, "CreateProcess", std::string(szPlokaExePath) + " --dls " + dls));
    // the distribution in log10 of nm is announced first
    script.expectMessageBox("PLOKA distribution will be in log10(R/nM)", win::IDOK);
    Run(script, 899);  // no distribution: nothing more
    EXPECT_EQ(script.pending(), 0u);

    ScanRecipe eq;
    eq.points = 200;
    LoadScans(Folder("eq"), 2, eq, true);
    ASSERT_EQ(nScans, 2);
    script.expectMessageBox("PLOKA for data, fit, and residuals?", win::IDYES);
    Run(script, 901);
    EXPECT_TRUE(Started(script, "CreateProcess", std::string(szPlokaExePath) + " --sedfr " + szTempDir + "SEdata.dat"));
}

TEST_F(OutsidePlotTest, MissingPlokaIsSaidAndNothingStarts)
{
    LoadSevenScans();
    win::headless::Script script;
    script.expectMessageBox("Can't seem to find PLOKA script at " + std::string(szPlokaExePath) + " - Sorry!",
                            win::IDOK);
    Run(script, 900);
    bModelCS = bModelContinuous = 1;
    fSGridResolution = 31.0f;
    fSMax = 15.0f;
    ASSERT_EQ(setupSGrid(), 1);
    script.expectMessageBox("Can't seem to find PLOKA executable at " + std::string(szPlokaExePath) + " - Sorry!",
                            win::IDOK);
    Run(script, 899);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "MessageBox \"PLOKA\""));
    EXPECT_FALSE(transcriptShows(script, "Start CreateProcess"));
    EXPECT_FALSE(std::filesystem::exists(std::string(szTempDir) + "lastcommand.txt"));
}
