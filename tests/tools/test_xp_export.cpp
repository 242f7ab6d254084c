// The DRELLIX experiment file, its parameter and configuration files, and
// the export command that writes them and starts DRELLIX.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/exports/xp_export.h"
#include "app/window_fixture.h"
#include "distributions/distribution_fixture.h"
#include "tools/export_fixture.h"

using scantest::ScanRecipe;

namespace {

const char szTitle[] = "make DRELLIX xp file";

// A scan of 500 points from 6.0 to 6.998 cm.
ScanRecipe wideScan(const std::string& title = "synthetic scan")
{
    ScanRecipe r;
    r.title = title;
    r.points = 500;
    r.dr = 0.002f;
    return r;
}

class XpExportTest : public ExportTest {
protected:
    void TearDown() override
    {
        bSerialFitRunning = 0;
        bModelMonomerDimer = bModelCS = bModelContinuous = bModelCSOneDiscreteM = 0;
        bExportPeaksAsSpecies = 0;
        clearDistributionResults();
        ExportTest::TearDown();
    }
    // The experiment file written with the script's answers.
    bool Export(win::headless::Script& script, const std::string& path)
    {
        const bool bOk = writeXpExperimentFile(window.get(), path.c_str());
        EXPECT_EQ(script.pending(), 0u);
        return bOk;
    }
    // The keys of the file's lines: the text in the last parentheses.
    static std::string Key(const std::string& line) { return line.substr(line.find('(')); }
    // Three wide scans in the folder, a fake DRELLIX configured, and a c(s)
    // grid of n points on sMin..sMax whose values the test fills in.
    bool PrepareCsExport(const std::string& folder, float sMin, float sMax, float n)
    {
        LoadScans(folder, 3, wideScan());
        WriteFakeProgram(scratch + "fakes/drellix", scratch + "drellix-args.txt");
        ConfigureProgram("drellix", scratch + "fakes/drellix");
        bModelCS = bModelContinuous = 1;
        fSMin = sMin;
        fSMax = sMax;
        fSGridResolution = n;
        return setupSGrid() == 1 && pDistPlot != nullptr;
    }
    // Data > Export Data to DRELLIX into xp: every question of the experiment
    // file cancelled, DRELLIX launched and the c(s) peaks converted to species.
    void ExportPeaksAsSpecies(win::headless::Script& script, const std::string& xp)
    {
        const std::string args = scratch + "drellix-args.txt";
        const size_t nStartedBefore = Lines(args).size();
        script.expectSaveFile("export data as DRELLIX xp file", xp);
        for (const char* szPrompt : {"buffer density", "buffer viscosity", "partial", "optical", "rotor"})
            script.expectInputCancel(szPrompt);
        script.expectMessageBox("launch DRELLIX with data?", win::IDYES)
            .expectMessageBox("convert all c(s) peaks to discrete species?", win::IDYES);
        Run(script, 577);
        EXPECT_EQ(script.pending(), 0u);
        // DRELLIX is started with the configuration beside the xp; the fake
        // one has run before the test's folder goes
        const std::string config = xp.substr(0, xp.size() - 3) + "_from_morvex_c(s).drellix";
        const std::vector<std::string> started = WaitForLines(args, nStartedBefore + 1);
        ASSERT_EQ(started.size(), nStartedBefore + 1);
        EXPECT_EQ(started.back(), config);
    }
};

// The species vectors of an export, as the command fills them.
void setExportSpecies(const std::vector<float>& s, const std::vector<float>& m)
{
    nExportSpecies = static_cast<int>(s.size());
    pExportSpeciesS = vector(1, nExportSpecies);
    pExportSpeciesM = vector(1, nExportSpecies);
    for (int k = 1; k <= nExportSpecies; ++k) {
        pExportSpeciesS[k] = s[static_cast<size_t>(k - 1)];
        pExportSpeciesM[k] = m[static_cast<size_t>(k - 1)];
    }
    bExportPeaksAsSpecies = 1;
}

double numberOf(const std::string& line) { return std::stod(line.substr(0, line.find(' '))); }

}  // namespace

TEST_F(XpExportTest, VelocityScansAskTheSolventAndTheCellAndReadBack)
{
    const std::string folder = Folder("velocity");
    LoadScans(folder, 3, wideScan("abc #1(rotor 2) and more"));
    ASSERT_EQ(nScans, 3);
    // the fit of the radial-invariant noise takes the baseline with it; the
    // file's switch for that is 0 or 1
    bFitRINoise = 1;
    fixUpModelDefaults();
    bFitMeniscus = 1;
    win::headless::Script script;
    script.expectInput("buffer density (g/ml)", "1.005")
        .expectInput("buffer viscosity (Poise)", "0.01002")
        .expectInput("partial-specific volume (ml/g)", "0.72")
        .expectInputCancel("optical pathlength (cm)")
        .expectInput("rotor type (4 or 8)", "7");
    const std::string xp = folder + "/run.xp";
    ASSERT_TRUE(Export(script, xp));
    // every question titled and offered its current value
    EXPECT_TRUE(transcriptShows(script, "Input " + quoted(szTitle) + " \"buffer viscosity (Poise)\" \"0.010020\""));
    EXPECT_TRUE(transcriptShows(script, "Input " + quoted(szTitle) + " \"optical pathlength (cm)\" \"1.200000\""));
    EXPECT_FLOAT_EQ(fBufferDensity, 1.005f);
    EXPECT_FLOAT_EQ(RELVISCOSITY, 1.0f);
    EXPECT_FLOAT_EQ(VBAR, 0.72f);
    EXPECT_FLOAT_EQ(fVbarRho, 0.72f * 1.005f);

    const std::vector<std::string> l = Lines(xp);
    ASSERT_EQ(l.size(), 89u);
    EXPECT_EQ(l[0], "0 (ExperimentType: SEDVELOCITY)");
    EXPECT_EQ(l[1], "abc #1 (exported xp file from MORVEX)");
    EXPECT_EQ(l[2], "\"" + folder + "/\" \" 00001.RA1 00002.RA1 00003.RA1\"");
    EXPECT_EQ(l[3], "1.005000 (fBufferDensity)");
    EXPECT_EQ(l[4], "0.001002 (fBufferViscosity)");
    EXPECT_EQ(l[5], "0.720000 (VBAR)");
    EXPECT_EQ(l[15], "0.010000 (ExperimentalNoise)");
    EXPECT_EQ(l[17], "1 (blocalFitRINoise)");
    EXPECT_EQ(l[18], "1 (blocalAutoVaryBaseline)");
    EXPECT_EQ(l[20], "1 (blocalVaryMeniscus)");
    EXPECT_EQ(l[23], "1.00000 (xConcentrationFactor)");
    EXPECT_EQ(l[24], "1.000000 (xExtinctionCoeffA)");
    EXPECT_EQ(l[28], "2 (Centerpiece)");
    EXPECT_EQ(l[29], "1.000000e-6 (pLocalConcentrations[1])");
    EXPECT_EQ(l[33], "3 (NFILES)");
    EXPECT_EQ(l[35], "0.730000 (global VBAR20)");
    EXPECT_EQ(l[37], "1.200000 (pathlength)");
    EXPECT_EQ(l[38], "4 (rotor type:  FOURHOLE)");
    EXPECT_EQ(l[45], "0.000000e+00 (ppMultiLocalExtraConcs[1][1])");
    EXPECT_EQ(l[47], "0.000000e+00 (ppMultiLocalExtraConcs[1][3])");
    EXPECT_EQ(l[48], "0 (bContainsNoBackdiffusion)");
    EXPECT_EQ(l[55], "0 (bITCLocalIncompA)");
    EXPECT_EQ(l[63], "0 (ITCLocalIncompC)");
    EXPECT_EQ(l[67], "-1 (Temperature C)");
    // the buffer of the titration items, fixed as the layout asks
    EXPECT_EQ(l[82], "1.200000 (fBufferIonizationEnthalpy)");
    EXPECT_EQ(l[83], "0.000000 (fBufferIonizationHeatCapacity)");
    EXPECT_EQ(l[84], "7.500000 (fpH)");
    EXPECT_EQ(l[85], "0.000000 (fCosolventConc)");
    EXPECT_EQ(l[86], "0.000000 (deltaHapplocal)");
    EXPECT_EQ(l[88], "1 (bITCUnmixedNeck)");

    // Written during a serialised fit without questions (an unexpected one
    // would fail), then read back by the experiment-file loader.
    fMeniscus = 5.9f;
    fBottom = 7.2f;
    fMaxMeniscus = 5.95f;
    fMinMeniscus = 5.85f;
    fMaxBottom = 7.25f;
    fMinBottom = 7.15f;
    fFitLeftLim = 6.1f;
    fFitRightLim = 6.9f;
    bFitTINoise = 1;
    bFitRINoise = 0;
    bAlgebraicBaseline = 1;
    bFitBottom = 1;
    bFitMeniscus = 0;
    fBufferDensity = 1.02f;
    RELVISCOSITY = 1.5f;
    bSerialFitRunning = 1;
    {
        win::headless::Script quiet;
        ASSERT_TRUE(Export(quiet, xp));
    }
    bSerialFitRunning = 0;
    fBufferDensity = 0.9f;
    RELVISCOSITY = 3.0f;
    VBAR = 0.5f;
    fMeniscus = fBottom = fMaxMeniscus = fMinMeniscus = fMaxBottom = fMinBottom = 0.0f;
    fFitLeftLim = fFitRightLim = 0.0f;
    bFitTINoise = bFitBaseline = bFitBottom = 0;
    bFitMeniscus = 1;
    {
        win::headless::Script script2;
        window->LoadXpFile(xp.c_str());
        win::headless::processMessages();
    }
    ASSERT_EQ(nScans, 3);
    EXPECT_FLOAT_EQ(fBufferDensity, 1.02f);
    EXPECT_NEAR(RELVISCOSITY, 1.5f, 1e-5f);
    EXPECT_FLOAT_EQ(VBAR, 0.72f);
    EXPECT_FLOAT_EQ(fMeniscus, 5.9f);
    EXPECT_FLOAT_EQ(fBottom, 7.2f);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.95f);
    EXPECT_FLOAT_EQ(fMinMeniscus, 5.85f);
    EXPECT_FLOAT_EQ(fMaxBottom, 7.25f);
    EXPECT_FLOAT_EQ(fMinBottom, 7.15f);
    EXPECT_FLOAT_EQ(fFitLeftLim, 6.1f);
    EXPECT_FLOAT_EQ(fFitRightLim, 6.9f);
    EXPECT_EQ(bFitTINoise, 1);
    EXPECT_EQ(bFitRINoise, 0);
    EXPECT_EQ(bFitBaseline, 1);  // the loader takes line 19 for the fitted baseline
    EXPECT_EQ(bFitBottom, 1);
    EXPECT_EQ(bFitMeniscus, 0);
}

TEST_F(XpExportTest, TitlesAreCutAtTheFirstCharacterOutsideTheirSet)
{
    const struct {
        const char* szTitle;
        const char* szLine;
    } cases[] = {
        {"sample(2)", "sample (exported xp file from MORVEX)"},
        {"(sample)", " (exported xp file from MORVEX)"},
        {"a(b", " (exported xp file from MORVEX)"},
        {"C:\\run_4/a,b.c: x;y", "C:\\run_4/a,b.c: x (exported xp file from MORVEX)"},
    };
    const std::string folder = Folder("titles");
    LoadScans(folder, 2, wideScan());
    bSerialFitRunning = 1;
    for (const auto& c : cases) {
        std::snprintf(pScanHeaders[1].title, sizeof pScanHeaders[1].title, "%s", c.szTitle);
        win::headless::Script quiet;
        ASSERT_TRUE(Export(quiet, folder + "/t.xp"));
        EXPECT_EQ(Lines(folder + "/t.xp")[1], c.szLine) << c.szTitle;
    }
    // at most 100 characters
    std::memset(pScanHeaders[1].title, 'x', sizeof pScanHeaders[1].title);
    win::headless::Script quiet;
    ASSERT_TRUE(Export(quiet, folder + "/t.xp"));
    EXPECT_EQ(Lines(folder + "/t.xp")[1], std::string(100, 'x') + " (exported xp file from MORVEX)");
}

TEST_F(XpExportTest, EquilibriumDataAskTheCenterpieceAndListEveryScan)
{
    const std::string one = Folder("eq1");
    LoadScans(one, 1, wideScan(), true);
    ASSERT_EQ(nScans, 1);
    win::headless::Script script;
    script.expectInputCancel("buffer density")
        .expectInputCancel("buffer viscosity")
        .expectInputCancel("partial-specific volume")
        .expectInput("centerpiece (2 or 6)", "6")
        .expectInputCancel("optical pathlength")
        .expectInput("rotor type (4 or 8)", "8");
    ASSERT_TRUE(Export(script, one + "/eq.xp"));
    std::vector<std::string> l = Lines(one + "/eq.xp");
    ASSERT_EQ(l.size(), 89u);
    EXPECT_EQ(l[0], "3 (ExperimentType: SEDEQUILIBRIUM)");
    // one scan: the folder and the name of that scan; its parts are current
    EXPECT_EQ(l[2], "\"" + one + "/\" \" 00001.RA1\"");
    EXPECT_STREQ(szScanName, "00001");
    EXPECT_STREQ(szScanExt, ".RA1");
    EXPECT_EQ(l[15], "0.005000 (ExperimentalNoise)");
    EXPECT_EQ(l[28], "6 (Centerpiece)");
    EXPECT_EQ(l[38], "8 (rotor type:  EIGHTHOLE)");

    const std::string four = Folder("eq4");
    LoadScans(four, 4, wideScan(), true);
    ASSERT_EQ(nScans, 4);
    win::headless::Script script4;
    script4.expectInputCancel("buffer density")
        .expectInputCancel("buffer viscosity")
        .expectInputCancel("partial-specific volume")
        .expectInput("centerpiece (2 or 6)", "6.5")
        .expectInputCancel("optical pathlength")
        .expectInputCancel("rotor type");
    ASSERT_TRUE(Export(script4, four + "/eq.xp"));
    l = Lines(four + "/eq.xp");
    ASSERT_EQ(l.size(), 98u);
    EXPECT_EQ(l[0], "4 (ExperimentType: MULTISEDEQ)");
    EXPECT_EQ(l[28], "2 (Centerpiece)");
    EXPECT_EQ(l[45], "0.000000e+00 (ppMultiLocalExtraConcs[1][1])");
    EXPECT_EQ(l[56], "0.000000e+00 (ppMultiLocalExtraConcs[4][3])");
    EXPECT_EQ(Key(l[57]), "(bContainsNoBackdiffusion)");
    EXPECT_EQ(l[97], "1 (bITCUnmixedNeck)");
}

TEST_F(XpExportTest, LightScatteringDataWriteNoCellAndAskNothingOfIt)
{
    const std::string folder = Folder("dls");
    dlstest::DlsRecipe r = dlstest::decayRecipe(5e-7);
    r.title = "bsa (filtered)";
    const std::string a = WriteDls(folder, "a.dlsdat", r);
    r.time = 200.0;
    const std::string b = WriteDls(folder, "b.dlsdat", r);
    LoadFiles({a, b});
    ASSERT_EQ(bDLSData, 1);
    // light-scattering data ask the solvent and vbar, and nothing of the cell
    auto exportInto = [&](const std::string& where) {
        win::headless::Script script;
        script.expectInputCancel("buffer density").expectInputCancel("buffer viscosity").expectInputCancel("partial");
        EXPECT_TRUE(Export(script, where + "/dls.xp"));
        return Lines(where + "/dls.xp");
    };
    const std::vector<std::string> l = exportInto(folder);
    ASSERT_EQ(l.size(), 89u);
    EXPECT_EQ(l[0], "1 (ExperimentType: DLS)");
    EXPECT_EQ(l[1], "bsa  (exported xp file from MORVEX)");
    EXPECT_EQ(l[15], "0.000100 (ExperimentalNoise)");
    EXPECT_EQ(l[28], "0 (Centerpiece)");
    EXPECT_EQ(l[37], "1.000000 (pathlength)");
    EXPECT_EQ(l[38], "0 (rotor type:  NOROTOR)");

    // one file, named without an extension: its folder and its name
    const std::string one = Folder("dls1");
    const std::string bare = WriteDls(one, "bsa", r);
    LoadFiles({bare});
    ASSERT_EQ(nScans, 1);
    const std::vector<std::string> lOne = exportInto(one);
    ASSERT_GT(lOne.size(), 2u);
    EXPECT_EQ(lOne[2], "\"" + one + "/\" \" bsa\"");
    EXPECT_STREQ(szScanName, "bsa");
    EXPECT_STREQ(szScanExt, "");
}

TEST_F(XpExportTest, RapidSelfAssociationAsksTheExtinctionCoefficient)
{
    const std::string folder = Folder("sa");
    LoadScans(folder, 2, wideScan());
    bModelMonomerDimer = 1;
    win::headless::Script script;
    script.expectInputCancel("buffer density")
        .expectInputCancel("buffer viscosity")
        .expectInputCancel("partial")
        .expectInput("molar extinction coefficient", "2.5")
        .expectInputCancel("optical pathlength")
        .expectInputCancel("rotor type");
    ASSERT_TRUE(Export(script, folder + "/sa.xp"));
    EXPECT_EQ(Lines(folder + "/sa.xp")[24], "2.500000 (xExtinctionCoeffA)");
}

TEST_F(XpExportTest, FailuresWriteNothing)
{
    // no data: false without a word
    {
        win::headless::Script script;
        EXPECT_FALSE(Export(script, scratch + "none.xp"));
        EXPECT_FALSE(std::filesystem::exists(scratch + "none.xp"));
    }
    const std::string folder = Folder("fail");
    LoadScans(folder, 2, wideScan());
    const float fDensity = fBufferDensity;
    win::headless::Script script;
    const std::string bad = scratch + "no/such/folder/x.xp";
    script.expectMessageBox("could not open " + bad, win::IDOK);
    EXPECT_FALSE(Export(script, bad));
    EXPECT_TRUE(transcriptShows(script, "MessageBox \"ERROR\" " + quoted("could not open " + bad)));
    EXPECT_EQ(fBufferDensity, fDensity);  // nothing asked, nothing changed
    // a file that opens but cannot take its lines (a full disk) is no export
    if (std::filesystem::exists("/dev/full")) {
        bSerialFitRunning = 1;
        win::headless::Script full;
        full.expectMessageBox("could not write /dev/full", win::IDOK);
        EXPECT_FALSE(Export(full, "/dev/full"));
    }
}

TEST_F(XpExportTest, ParameterFileWithoutPeaks)
{
    const std::string folder = Folder("par");
    bModelCS = bModelContinuous = 1;
    fSGridResolution = 100.0f;
    fSMin = 0.0f;
    fSMax = 15.0f;
    bLogSGrid = 0;
    fFrictionalRatio = 1.2f;
    nFitFrictionalRatio = 1;
    fConfidenceLevel = 0.68f;
    const std::string config = folder + "/run.drellix";
    const std::string xp = folder + "/data.xp";
    win::headless::Script script;
    ASSERT_TRUE(writeExportParameterFile(window.get(), config.c_str(), xp.c_str()));
    // the parameter file: the configuration's name with the extension drellix_PAR
    const std::string par = folder + "/run.drellix_PAR";
    EXPECT_STREQ(szScanName, "run");
    EXPECT_STREQ(szScanExt, ".drellix");
    const std::vector<std::string> p = Lines(par);
    ASSERT_EQ(p.size(), 82u);
    EXPECT_EQ(p[0], "1000 (hybrid discrete - c(s) model) ");
    EXPECT_EQ(p[1], "80 (# of parameter follow)");
    EXPECT_EQ(p[2], "100 (resolution c(s) #1)");
    EXPECT_EQ(p[4], "15.000000 (MCDsmax1)");
    EXPECT_EQ(p[5], "1 (MCDlinlog1)");
    EXPECT_EQ(p[6], "1.200000 (ff0 c(s) #1)");
    EXPECT_EQ(p[7], "1 (MCDfitff01)");
    EXPECT_EQ(p[15], "0.680000 (MCDWPval)");
    for (int k = 1; k <= 10; ++k) {
        const std::string n = std::to_string(k);
        EXPECT_EQ(p[static_cast<size_t>(16 + k)], "0.000000 (MCDglobM #" + n + ")");
        EXPECT_EQ(p[static_cast<size_t>(26 + k)], "0 (exist #" + n + ")");
        EXPECT_EQ(p[static_cast<size_t>(46 + k)], "0 (MCDfitM #" + n + ")");
        EXPECT_EQ(p[static_cast<size_t>(56 + k)], "0 (MCDfitS #" + n + ")");
    }
    EXPECT_EQ(p[81], "1 (bMarquardLevenbergMin)");
    // The links of M and of s, each a switch, a base species and the range of
    // species tied to it, read by their labels: switched off, and a link a
    // reader could switch on ties species of the ten slots to another one,
    // never a species to itself (the base lies outside the range).
    for (const char* szWhat : {"M", "S"}) {
        const std::string key = std::string("MCDlink") + szWhat;
        auto valueOf = [&p](const std::string& label) {
            const std::string tail = " (" + label + ")";
            for (const std::string& line : p)
                if (line.size() > tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
                    return std::atoi(line.c_str());
            ADD_FAILURE() << "no line " << label;
            return -1;
        };
        EXPECT_EQ(valueOf("b" + key), 0) << key;
        const int nBase = valueOf("n" + key + "Base");
        const int nFrom = valueOf("n" + key + "from");
        const int nTo = valueOf("n" + key + "to");
        for (int n : {nBase, nFrom, nTo}) {
            EXPECT_GE(n, 1) << key;
            EXPECT_LE(n, 10) << key;
        }
        EXPECT_LE(nFrom, nTo) << key;
        EXPECT_TRUE(nBase < nFrom || nBase > nTo) << key << ": base " << nBase << ", tied " << nFrom << ".." << nTo;
    }

    const std::vector<std::string> c = Lines(config);
    ASSERT_EQ(c.size(), 50u);
    EXPECT_EQ(c[1], "1 1 " + xp);
    EXPECT_EQ(c[3], "0.730000 0.300000 (vbar20, hydration)");
    EXPECT_EQ(c[4], "g 18 (#global parameters)");
    EXPECT_EQ(c[5], "1 0.000459");
    EXPECT_EQ(c[8], "1000.000000 (nGridSize)");
    EXPECT_EQ(c[24], "1000 (hybrid discrete - c(s) model) ");
    EXPECT_EQ(c[26], par);
    EXPECT_EQ(c[30], "1 1 1 1 1 0 0");
    EXPECT_EQ(c[49], "20 20 20 20 20 0 0");
    // The counts of the configuration describe what follows them, as a reader
    // takes it: the global settings up to "model:", and after "links:" one row
    // per experiment to the end of the file, each of as many numbers as
    // "#links" says.
    int nGlobal = 0;
    ASSERT_EQ(std::sscanf(c[4].c_str(), "g %d", &nGlobal), 1);
    EXPECT_EQ(c[static_cast<size_t>(5 + nGlobal)], "model:");
    const auto links = std::find(c.begin(), c.end(), "links:");
    ASSERT_GE(c.end() - links, 3);
    int nRows = 0, nPerRow = 0;
    ASSERT_EQ(std::sscanf(links[1].c_str(), "%d (iMaxExp)", &nRows), 1);
    ASSERT_EQ(std::sscanf(links[2].c_str(), "%d (#links)", &nPerRow), 1);
    EXPECT_EQ(c.end() - (links + 3), nRows);
    for (auto row = links + 3; row != c.end(); ++row) {
        std::istringstream in(*row);
        int nNumbers = 0;
        for (int v = 0; in >> v;) ++nNumbers;
        EXPECT_TRUE(in.eof()) << *row;
        EXPECT_EQ(nNumbers, nPerRow) << *row;
    }

    // a logarithmic grid
    bLogSGrid = 1;
    ASSERT_TRUE(writeExportParameterFile(window.get(), config.c_str(), xp.c_str()));
    EXPECT_EQ(Lines(par)[5], "0 (MCDlinlog1)");
}

TEST_F(XpExportTest, PeaksFillTheSpeciesSlotsAndTheDiscreteSpeciesFollows)
{
    const std::string folder = Folder("peaks");
    bModelCS = bModelContinuous = 1;
    bModelCSOneDiscreteM = 1;
    fDiscreteCompM = 50000.0f;
    fDiscreteCompS = 3.5f;
    nFitFrictionalRatio = 1;
    fSGridResolution = 100.0f;
    // a buffer other than water, so that s20,w differs from s
    fBufferDensity = 1.01f;
    RELVISCOSITY = 1.1f;
    setExportSpecies({4.0f, 7.5f, 2.0f}, {66000.0f, 150000.0f, 25000.0f});
    const std::string config = folder + "/run.drellix";
    ASSERT_TRUE(writeExportParameterFile(window.get(), config.c_str(), (folder + "/d.xp").c_str()));
    std::vector<std::string> p = Lines(folder + "/run.drellix_PAR");
    ASSERT_EQ(p.size(), 82u);
    EXPECT_EQ(p[2], "0 (resolution c(s) #1)");
    EXPECT_EQ(p[7], "0 (MCDfitff01)");
    const double dFactor = 1.1 * (1 - 0.73 * 0.99823) / (1 - 0.73 * 1.01);
    const double s[] = {4.0, 7.5, 2.0};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_NEAR(numberOf(p[static_cast<size_t>(36 + k)]), s[k - 1] * dFactor, 1e-5) << k;
        EXPECT_EQ(p[static_cast<size_t>(26 + k)], "1 (exist #" + std::to_string(k) + ")");
        EXPECT_EQ(p[static_cast<size_t>(56 + k)], "1 (MCDfitS #" + std::to_string(k) + ")");
    }
    EXPECT_EQ(p[17], "66000.000000 (MCDglobM #1)");
    EXPECT_EQ(p[20], "50000.000000 (MCDglobM #4)");
    EXPECT_EQ(p[40], "3.500000 (MCDglobS #4)");  // not converted
    EXPECT_EQ(p[30], "1 (exist #4)");
    EXPECT_EQ(p[50], "1 (MCDfitM #4)");
    EXPECT_EQ(p[31], "0.000000 (exist #5)");
    EXPECT_EQ(p[51], "0.000000 (MCDfitM #5)");
    EXPECT_EQ(p[66], "0.000000 (MCDfitS #10)");

    // twelve peaks fill the ten slots; the discrete species finds none
    free_vector(pExportSpeciesS, 1, nExportSpecies);
    free_vector(pExportSpeciesM, 1, nExportSpecies);
    std::vector<float> twelveS, twelveM;
    for (int k = 1; k <= 12; ++k) {
        twelveS.push_back(static_cast<float>(k));
        twelveM.push_back(1000.0f * k);
    }
    setExportSpecies(twelveS, twelveM);
    ASSERT_TRUE(writeExportParameterFile(window.get(), config.c_str(), (folder + "/d.xp").c_str()));
    p = Lines(folder + "/run.drellix_PAR");
    ASSERT_EQ(p.size(), 82u);
    EXPECT_EQ(p[26], "10000.000000 (MCDglobM #10)");
    EXPECT_EQ(p[36], "1 (exist #10)");

    // without peaks the discrete species alone takes slot 1 with its fit flags
    bExportPeaksAsSpecies = 0;
    nFitDiscreteCompMorD = 1;
    nFitDiscreteCompS = 0;
    ASSERT_TRUE(writeExportParameterFile(window.get(), config.c_str(), (folder + "/d.xp").c_str()));
    p = Lines(folder + "/run.drellix_PAR");
    EXPECT_EQ(p[2], "100 (resolution c(s) #1)");
    EXPECT_EQ(p[7], "1 (MCDfitff01)");
    EXPECT_EQ(p[17], "50000.000000 (MCDglobM #1)");
    EXPECT_EQ(p[37], "3.500000 (MCDglobS #1)");
    EXPECT_EQ(p[27], "1 (exist #1)");
    EXPECT_EQ(p[47], "1 (MCDfitM #1)");
    EXPECT_EQ(p[57], "0 (MCDfitS #1)");
    EXPECT_EQ(p[28], "0 (exist #2)");
}

TEST_F(XpExportTest, AParameterFileThatCannotBeOpenedIsReportedWithAStopBox)
{
    const std::string bad = scratch + "missing/run.drellix";
    win::headless::Script script;
    script.expectMessageBox("could not open file " + scratch + "missing/run.drellix_PAR for writing", win::IDOK);
    EXPECT_FALSE(writeExportParameterFile(window.get(), bad.c_str(), "x.xp"));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "MB_OK|MB_ICONSTOP"));
}

// Data > Export Data to DRELLIX on the example scans with a c(s) result of
// three peaks and a fake DRELLIX configured in programs.ini.
TEST_F(XpExportTest, TheExportCommandConvertsPeaksAndStartsDrellixWithTheConfiguration)
{
    const std::string folder = Folder("velocity");
    const std::vector<std::string> paths = copyVelocityExampleScans(folder);
    const std::string args = scratch + "drellix-args.txt";
    WriteFakeProgram(scratch + "fakes/drellix", args);
    ConfigureProgram("drellix", scratch + "fakes/drellix");

    // End to end: the load and the export through the menu, answers kept.
    win::headless::Script script;
    script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", "1");
    Run(script, 200);
    ASSERT_EQ(nScans, 30);
    const std::string xp = folder + "/data.xp";
    script.expectSaveFile("export data as DRELLIX xp file", xp)
        .expectInput("buffer density (g/ml)", "0.998230")
        .expectInput("buffer viscosity (Poise)", "0.010020")
        .expectInput("partial-specific volume (ml/g)", "0.730000")
        .expectInput("optical pathlength (cm)", "1.200000")
        .expectInput("rotor type (4 or 8)", "4.000000")
        .expectMessageBox("launch DRELLIX with data?", win::IDYES);
    Run(script, 577);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "Start WinExec " + quoted(std::string(szDrellixExePath) + " " + xp) +
                                            " -> program " + quoted(scratch + "fakes/drellix")));
    EXPECT_EQ(WaitForLines(args), std::vector<std::string>{xp});
    std::vector<std::string> l = Lines(xp);
    ASSERT_EQ(l.size(), 89u);
    EXPECT_EQ(l[0], "0 (ExperimentType: SEDVELOCITY)");
    EXPECT_EQ(l[2].substr(0, folder.size() + 6), "\"" + folder + "/\" \" ");
    EXPECT_EQ(l[33], "30 (NFILES)");
    EXPECT_FLOAT_EQ(RELVISCOSITY, 1.0f);

    // A c(s) result of three peaks; the peaks go to DRELLIX as species.
    bModelCS = bModelContinuous = 1;
    fSMin = 0.0f;
    fSMax = 15.0f;
    fSGridResolution = 61.0f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_NE(pDistPlot, nullptr);
    for (int i = 1; i <= nResolution; ++i) {
        const double s = pDistAxisS[i];
        pDistValues[i] = static_cast<float>(std::exp(-(s - 2.0) * (s - 2.0) / 0.1) +
                                            3.0 * std::exp(-(s - 5.0) * (s - 5.0) / 0.1) +
                                            2.0 * std::exp(-(s - 9.0) * (s - 9.0) / 0.1));
    }
    ExportPeaksAsSpecies(script, xp);
    const std::string config = folder + "/data_from_morvex_c(s).drellix";
    EXPECT_TRUE(transcriptShows(script, "Start WinExec " + quoted(std::string(szDrellixExePath) + " " + config)));
    const std::vector<std::string> p = Lines(folder + "/data_from_morvex_c(s).drellix_PAR");
    ASSERT_EQ(p.size(), 82u);
    // highest first, at the maxima, M by the frictional ratio
    const float s[] = {5.0f, 9.0f, 2.0f};
    for (int k = 1; k <= 3; ++k) {
        const double dS = numberOf(p[static_cast<size_t>(36 + k)]);
        EXPECT_NEAR(dS, s[k - 1], 1e-3) << k;
        const double dM = CalculateM(static_cast<float>(dS));
        EXPECT_NEAR(numberOf(p[static_cast<size_t>(16 + k)]), dM, 1e-4 * dM) << k;
    }
    EXPECT_EQ(p[30], "0.000000 (exist #4)");
    // the species vectors are gone with the command
    EXPECT_EQ(nExportSpecies, 0);
    EXPECT_EQ(pExportSpeciesS, nullptr);
    EXPECT_EQ(pExportSpeciesM, nullptr);
    EXPECT_EQ(bExportPeaksAsSpecies, 1);
}

// Each peak goes to DRELLIX once, at its weight-average s, as the record of an
// unattended run lists it: the flat top with two maxima (both of whose extents
// take the whole top) is one species, not two at the same s.
TEST_F(XpExportTest, APeakWithTwoMaximaIsOneSpecies)
{
    const std::string folder = Folder("flat");
    ASSERT_TRUE(PrepareCsExport(folder, 1.0f, 10.0f, 91.0f));
    for (int i = 1; i <= nResolution; ++i) pDistValues[i] = threePeaksFourMaxima(pDistAxisS[i]);
    ASSERT_EQ(shownMaxima().size(), 5u);  // four maxima (element 0 unused)

    const std::string xp = folder + "/data.xp";
    win::headless::Script script;
    ExportPeaksAsSpecies(script, xp);
    const std::vector<std::string> p = Lines(folder + "/data_from_morvex_c(s).drellix_PAR");
    ASSERT_EQ(p.size(), 82u);
    std::vector<double> s;
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(p[static_cast<size_t>(26 + k)], "1 (exist #" + std::to_string(k) + ")");
        s.push_back(numberOf(p[static_cast<size_t>(36 + k)]));
    }
    EXPECT_EQ(p[30], "0.000000 (exist #4)");
    std::sort(s.begin(), s.end());
    EXPECT_NEAR(s[0], 3.0, 0.15);
    EXPECT_NEAR(s[1], 4.2, 0.15);
    EXPECT_NEAR(s[2], 7.1, 0.05);
}

// A c(s) of a single peak goes to DRELLIX as a single species at that s.
TEST_F(XpExportTest, ASinglePeakIsOneSpecies)
{
    const std::string folder = Folder("single");
    ASSERT_TRUE(PrepareCsExport(folder, 0.0f, 15.0f, 61.0f));
    for (int i = 1; i <= nResolution; ++i) {
        const double s = pDistAxisS[i];
        pDistValues[i] = static_cast<float>(std::exp(-(s - 5.0) * (s - 5.0) / 0.1));
    }
    win::headless::Script script;
    ExportPeaksAsSpecies(script, folder + "/data.xp");
    const std::vector<std::string> p = Lines(folder + "/data_from_morvex_c(s).drellix_PAR");
    ASSERT_EQ(p.size(), 82u);
    EXPECT_EQ(p[27], "1 (exist #1)");
    EXPECT_NEAR(numberOf(p[37]), 5.0, 1e-3);
    EXPECT_EQ(p[28], "0.000000 (exist #2)");
}

// The c(s) variants that relate s and M their own way hand their peaks over
// with that mass: flotation with none, the bimodal frictional ratio with its
// second ratio inside its s range, invariant D by Svedberg's equation at the
// scans' temperature, the scaling law s = Ks M^bs solved for M; the fixed
// frictional ratio with a floating vbar with the frictional ratio's. Each
// variant's switch clears bModelCS.
TEST_F(XpExportTest, TheCsVariantsConvertTheirPeaksWithTheirOwnMass)
{
    const std::string folder = Folder("variants");
    ASSERT_TRUE(PrepareCsExport(folder, 0.0f, 15.0f, 61.0f));
    for (int i = 1; i <= nResolution; ++i) {
        const double s = pDistAxisS[i];
        pDistValues[i] = static_cast<float>(std::exp(-(s - 3.0) * (s - 3.0) / 0.1) +
                                            2.0 * std::exp(-(s - 8.0) * (s - 8.0) / 0.1));
    }
    bModelCS = 0;
    // the settings the test changes, put back at its end
    struct Kept {
        float fFf0 = fFrictionalRatio, fSMin = fBimodalSMin, fSMax = fBimodalSMax, fFf02 = fBimodalFf0Second,
              fD = fCSInvariantD, fKs = fScalingKs, fBs = fScalingBs;
        ~Kept()
        {
            fFrictionalRatio = fFf0;
            fBimodalSMin = fSMin;
            fBimodalSMax = fSMax;
            fBimodalFf0Second = fFf02;
            fCSInvariantD = fD;
            fScalingKs = fKs;
            fScalingBs = fBs;
            bModelCSFlotation = bModelCSBimodalFf0 = bModelCSInvariantD = 0;
            bModelCSScalingLaw = bModelCSFixFf0FloatingVbar = 0;
        }
    } kept;
    fFrictionalRatio = 1.25f;
    fBimodalSMin = 5.0f;
    fBimodalSMax = 10.0f;
    fBimodalFf0Second = 2.0f;
    fCSInvariantD = 6.0f;  // 1e-7 cm^2/s
    fScalingKs = 0.01f;    // S, with bs = 1/2: s = 0.01 S sqrt(M)
    fScalingBs = 0.5f;
    // water at 20 C, vbar 0.73 ml/g, as the scans were loaded
    ASSERT_NEAR(fTemperatureK, 293.15f, 1e-3f);
    ASSERT_NEAR(fVbarRho, 0.73 * 0.99823, 1e-6);
    ASSERT_NEAR(STANDARDVISCOSITY * RELVISCOSITY, 0.001002, 1e-9);
    const double dBuoyancy = 1.0 - 0.73 * 0.99823;
    // a sphere of frictional ratio ff0 that sediments at s S, in g/mol (cgs)
    auto sphereMass = [dBuoyancy](double s, double ff0) {
        const double dPi = 3.14159265358979;
        const double x = 6.0 * dPi * 0.01002 * ff0 * s * 1e-13 / dBuoyancy;
        return 6.02214e23 * std::sqrt(3.0 * 0.73 / (4.0 * dPi)) * std::pow(x, 1.5);
    };
    struct Variant {
        unsigned char* pFlag;
        const char* szName;
        double dMassAt3, dMassAt8;
    };
    const Variant variants[] = {
        {&bModelCSFlotation, "flotation", 0.0, 0.0},
        {&bModelCSBimodalFf0, "bimodal", sphereMass(3.0, 1.25), sphereMass(8.0, 2.0)},
        {&bModelCSInvariantD, "invariantD", 3e-13 * 8.31451e7 * 293.15 / (dBuoyancy * 6e-7),
         8e-13 * 8.31451e7 * 293.15 / (dBuoyancy * 6e-7)},
        {&bModelCSScalingLaw, "scalingLaw", 300.0 * 300.0, 800.0 * 800.0},
        {&bModelCSFixFf0FloatingVbar, "floatingVbar", sphereMass(3.0, 1.25), sphereMass(8.0, 1.25)},
    };
    for (const Variant& v : variants) {
        *v.pFlag = 1;
        win::headless::Script script;
        ExportPeaksAsSpecies(script, folder + "/" + v.szName + ".xp");
        *v.pFlag = 0;
        const std::vector<std::string> p = Lines(folder + "/" + v.szName + "_from_morvex_c(s).drellix_PAR");
        ASSERT_EQ(p.size(), 82u) << v.szName;
        // highest first
        EXPECT_NEAR(numberOf(p[37]), 8.0, 1e-3) << v.szName;
        EXPECT_NEAR(numberOf(p[38]), 3.0, 1e-3) << v.szName;
        EXPECT_NEAR(numberOf(p[17]), v.dMassAt8, 1e-3 * v.dMassAt8) << v.szName;
        EXPECT_NEAR(numberOf(p[18]), v.dMassAt3, 1e-3 * v.dMassAt3) << v.szName;
        EXPECT_EQ(p[29], "0.000000 (exist #3)") << v.szName;
    }
}
