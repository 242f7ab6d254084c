// Loading light-scattering measurements as the data set, Save Mean DLS Data,
// the switch between g(1) and g(2)-1 and Always Load g(2)-1.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_test_files.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"
#include "tools/dls_set_fixture.h"

using dlstest::DlsRecipe;

namespace {

// A recipe of constant g(2)-1 values v at 20 lags from 1e-6 s.
DlsRecipe flatRecipe(double v, double time, double temperature = 20.0, double viscosity = 0.01002)
{
    DlsRecipe r;
    r.time = time;
    r.temperature = temperature;
    r.viscosity = viscosity;
    for (int k = 0; k < 20; ++k) {
        r.lags.push_back(std::pow(10.0, -6.0 + 0.25 * k));
        r.values.push_back(v);
    }
    return r;
}

class DlsLoadTest : public DlsSetTest {
protected:
    void saveFitData()
    {
        window->CmSaveFitData();
        win::headless::processMessages();
    }
};

}  // namespace

TEST_F(DlsLoadTest, MeasurementsLoadInTimeOrderWithTheirOwnItems)
{
    const std::string folder = Folder("set");
    // Selected in the order 300, 100, 200 s; each has its own value and lag grid start.
    DlsRecipe late = flatRecipe(0.64, 300.0, 20.0), early = flatRecipe(0.25, 100.0, 22.0),
              middle = flatRecipe(0.36, 200.0, 21.0);
    late.lags[0] = 2e-6;
    early.title = "early";
    const std::vector<std::string> paths = {WriteDls(folder, "m1.dlsdat", late), WriteDls(folder, "m2.dlsdat", early),
                                            WriteDls(folder, "m3.dlsdat", middle)};
    bFitTINoise = bFitRINoise = bFitMeniscus = bFitBottom = 1;
    bEquilibriumDiscrete = 1;
    bAbsorbanceData = 1;
    fFitLeftLim = 6.0f;
    fFitRightLim = 7.0f;
    win::headless::Script script;
    script.expectOpenFile("select files in set 1 to fit", paths);
    Run(script, 298);
    EXPECT_EQ(script.pending(), 0u);

    ASSERT_EQ(nScans, 3);
    const char* names[] = {"", "m2.dlsdat", "m3.dlsdat", "m1.dlsdat"};
    const double times[] = {0, 100, 200, 300};
    const float g1[] = {0, 0.5f, 0.6f, 0.8f};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_STREQ(ppScanFileName[i], names[i]);
        EXPECT_DOUBLE_EQ(pDlsHeaders[i].measurementTime, times[i]);
        EXPECT_EQ(pScanTimeOrder[i], i);
        EXPECT_EQ(pScanPoints[i], 20);
        EXPECT_EQ(pDlsHeaders[i].fieldAcf, 1);
        EXPECT_DOUBLE_EQ(pScanHeaders[i].time, times[i]);
        for (int j = 1; j <= 20; ++j) {
            EXPECT_NEAR(ppSignal[i][j], g1[i], 1e-6) << i;
            EXPECT_EQ(ppResidual[i][j], ppSignal[i][j]) << i;
            EXPECT_EQ(ppFit[i][j], 0.0f);
        }
        // The plot views follow their arrays into the new order.
        EXPECT_EQ(ppSignalCurve[i]->pY->pData, ppSignal[i] + 1);
        EXPECT_EQ(ppSignalCurve[i]->pX->pData, ppRadius[i] + 1);
        EXPECT_EQ(ppResidualCurve[i]->pY->pData, ppResidual[i] + 1);
    }
    EXPECT_STREQ(pDlsHeaders[1].title, "early");
    EXPECT_NEAR(ppRadius[3][1], std::log10(2e-6), 1e-6);

    // Solvent and temperature from all measurements.
    EXPECT_NEAR(RELVISCOSITY, 1.0f, 1e-6);
    EXPECT_NEAR(fTemperatureK, 294.15f, 1e-4);
    EXPECT_NEAR(fRT, 294.15f * 8.31451e7f, 1e3);
    // The lag range of the first selected file: meniscus and bottom, and the
    // fit limits, which lay outside it.
    EXPECT_NEAR(fMeniscus, std::log10(2e-6), 1e-6);
    EXPECT_NEAR(fBottom, std::log10(1e-6) + 0.25 * 19, 1e-5);
    EXPECT_EQ(pParamValue[13], fMeniscus);
    EXPECT_EQ(pParamValue[14], fBottom);
    EXPECT_GE(fFitLeftLim, fMeniscus);
    EXPECT_LE(fFitRightLim, fBottom + 1e-6f);
    // Switches of light-scattering data.
    EXPECT_EQ(bDLSData, 1);
    EXPECT_EQ(bAbsorbanceData, 0);
    EXPECT_EQ(bEquilibriumDiscrete, 0);
    EXPECT_EQ(bFitTINoise + bFitRINoise + bFitMeniscus + bFitBottom, 0);
    EXPECT_EQ(pParamFloat[13] + pParamFloat[14], 0);
    EXPECT_EQ(pParamFloat[15], 1);
    EXPECT_EQ(bFitBaseline, 1);
    EXPECT_EQ(bConstantInitialDistribution, 1);
    EXPECT_EQ(bModelComputed, 0);
    // Paths beside the data.
    EXPECT_EQ(std::string(szNotesPath), folder + "/notes.dlsdat");
    EXPECT_EQ(std::string(szScanExtra), folder + "/~tmppars.dlsdat");
    EXPECT_EQ(std::string(szWindowTitle).rfind("LIGHT SCATTERING ANALYSIS -> ", 0), 0u);
    // Equal lag grids (from the second lag on) are one common grid.
    ASSERT_GT(nNoiseGridPoints, 0);
    ASSERT_TRUE(pDataPlot);
    EXPECT_STREQ(pDataPlot->szYLabel, "g(1) field autocorrelation ");
    EXPECT_STREQ(pResidualsPlot->szYLabel, "g(1) field autocorrelation ");
}

TEST_F(DlsLoadTest, OneFileOldFileNameConventionAndLoadErrors)
{
    const std::string folder = Folder("one");
    const std::string run7 = WriteDls(folder, "run7.dlsdat", flatRecipe(0.25, 5.0));
    bOldFilenameConvention = 1;
    LoadFiles({run7});
    ASSERT_EQ(nScans, 1);
    EXPECT_STREQ(ppScanFileName[1], "run7.dlsdat");
    EXPECT_EQ(std::string(szNotesPath), folder + "/run7.not");
    EXPECT_EQ(std::string(szScanExtra), folder + "/run7.~p");
    EXPECT_EQ(std::string(szListFilePath), run7);

    // A file that does not read ends the load with its path; nothing stays loaded.
    const std::string bad = folder + "/bad.dlsdat";
    scantest::writeText(bad, "title\nX 20 0 1 1.333 0.01 90 6e-07\n   1e-06  0.5 \n");
    {
        win::headless::Script script;
        script.expectMessageBox("LOAD ERROR", win::IDOK);
        LoadFiles({run7, bad});
        EXPECT_EQ(script.pending(), 0u);
        ASSERT_FALSE(script.lines().empty());
        EXPECT_NE(script.lines().back().find(bad), std::string::npos);
    }
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(pDlsHeaders, nullptr);
    EXPECT_EQ(bDLSData, 0);

    // More than 1000 files are refused before anything is released.
    LoadFiles({run7});
    std::vector<std::string> many;
    for (int k = 0; k < 1001; ++k) many.push_back("x" + std::to_string(k) + ".dlsdat");
    std::vector<char> buf = scantest::selection(folder, many);
    {
        win::headless::Script script;
        script.expectMessageBox("LOAD ERROR", win::IDOK);
        window->LoadDlsData(buf.data());
        EXPECT_TRUE(transcriptShows(script, "at most 1000 measurements can be loaded"));
    }
    ASSERT_EQ(nScans, 1);
    EXPECT_STREQ(ppScanFileName[1], "run7.dlsdat");
    EXPECT_EQ(std::string(szListFilePath), run7);
}

TEST_F(DlsLoadTest, IntensityDataBeforeLeaveNoTraceInTheLagGrid)
{
    const std::string sed = Folder("sed");
    scantest::ScanRecipe intensity;
    intensity.letter = 'I';
    WriteScan(sed, "a.RI1", intensity);
    intensity.time = 2000.0;
    WriteScan(sed, "b.RI1", intensity);
    std::vector<char> buf = scantest::selection(sed, {"a.RI1", "b.RI1"});
    LoadAllData(window.get(), buf.data());
    ASSERT_EQ(bIntensityData, 1);

    const std::string folder = Folder("dls");
    LoadFiles({WriteDls(folder, "a.dlsdat", flatRecipe(0.25, 1.0)), WriteDls(folder, "b.dlsdat", flatRecipe(0.49, 2.0))});
    ASSERT_EQ(nScans, 2);
    EXPECT_EQ(bIntensityData + bFluorescenceData + bAbsorbanceData + bInterferenceData, 0);
    ASSERT_EQ(nNoiseGridPoints, 20);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 20; ++j) EXPECT_EQ(ppScanOnNoiseGrid[i][j], ppSignal[i][j]);
}

// The other way round: scans generated after light-scattering data replace
// them by absorbance scans of sedimentation. The model of one species
// (4.3 S, 6.1e-7 cm^2/s, 0.8) is computed on them, so scan 1 at 300 s and
// 50000 rpm has at 6.8 cm its radially diluted plateau
// 0.8 exp(-2 s omega^2 t) = 0.79436; the set before had left it empty. The
// light-scattering kernels, whose records went with that set, then refuse
// (false) and leave the model values as they are.
TEST_F(DlsLoadTest, ScansGeneratedAfterwardsAreSedimentationData)
{
    const std::string folder = Folder("dls");
    LoadFiles({WriteDls(folder, "a.dlsdat", flatRecipe(0.25, 1.0)), WriteDls(folder, "b.dlsdat", flatRecipe(0.49, 2.0))});
    ASSERT_EQ(bDLSData, 1);
    bModelDiscreteSpecies = 1;
    bUseMolarMass = 0;
    for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
    pSpeciesIncluded[1] = 1;
    pParamValue[9] = pSpeciesConc[1] = 0.8f;
    pParamValue[1] = pSpeciesMw[1] = 6.1f;
    pParamValue[5] = pSpeciesS[1] = 4.3f;
    fMeniscus = pParamValue[13] = 6.2f;
    fBottom = pParamValue[14] = 7.2f;
    window->GenerateSyntheticData(0, 0.001f, 50000.0f, -1.0f, 0.0f, 300.0f, 0.0f, 3,
                                  (Folder("generated") + "/0000x.RA0").c_str());
    ASSERT_EQ(nScans, 3);
    EXPECT_EQ(bDLSData, 0);
    EXPECT_EQ(bAbsorbanceData, 1);
    EXPECT_EQ(pDlsHeaders, nullptr);
    ASSERT_NEAR(ppRadius[1][601], 6.8f, 1e-4f);  // radii added up in single precision
    const double dOmega = 50000.0 * 2.0 * M_PI / 60.0;
    EXPECT_NEAR(ppFit[1][601], 0.8 * std::exp(-2.0 * 4.3e-13 * dOmega * dOmega * 300.0), 1e-3);

    const std::vector<float> fit(ppFit[1] + 1, ppFit[1] + pScanPoints[1] + 1);
    EXPECT_FALSE(calcDlsModelAcf());
    EXPECT_FALSE(calcDlsKernels());
    EXPECT_TRUE(shownErrorMessages().empty());
    for (int j = 1; j <= pScanPoints[1]; ++j) EXPECT_EQ(ppFit[1][j], fit[static_cast<size_t>(j - 1)]);
}

TEST_F(DlsLoadTest, RowsWithoutAPositiveLagAreLeftOutAndCounted)
{
    // log10 of a lag of 0 was -inf: meniscus, left fit limit and the first
    // point of the common grid with it
    const std::string folder = Folder("zero");
    DlsRecipe r = flatRecipe(0.25, 1.0);
    r.lags.insert(r.lags.begin(), {0.0, -1e-6});
    r.values.insert(r.values.begin(), {0.9, 0.8});
    win::headless::Script script;
    script.expectMessageBox("rows whose lag time is not above 0 were left out", win::IDOK);
    LoadFiles({WriteDls(folder, "z.dlsdat", r), WriteDls(folder, "y.dlsdat", flatRecipe(0.36, 2.0))});
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "\\n2 in z.dlsdat"));
    ASSERT_EQ(nScans, 2);
    EXPECT_EQ(pScanPoints[1], 20);
    EXPECT_NEAR(ppRadius[1][1], -6.0f, 1e-6);
    EXPECT_NEAR(ppSignal[1][1], 0.5f, 1e-6);
    EXPECT_NEAR(fMeniscus, -6.0f, 1e-6);
    EXPECT_TRUE(std::isfinite(fFitLeftLim));
    for (int j = 1; j <= nNoiseGridPoints; ++j) ASSERT_TRUE(std::isfinite(pNoiseGrid[j])) << j;

    // a file of such rows only holds no measurement
    DlsRecipe none;
    none.lags = {0.0};
    none.values = {0.5};
    script.expectMessageBox("LOAD ERROR", win::IDOK);
    LoadFiles({WriteDls(folder, "none.dlsdat", none)});
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 0);
}

TEST_F(DlsLoadTest, SaveMeanAndToggleWorkOnLoadedMeasurementsOnly)
{
    // Without light-scattering data both do nothing (no prompt is expected).
    {
        win::headless::Script script;
        Run(script, 500);
        Run(script, 898);
        EXPECT_TRUE(script.lines().empty());
    }

    const std::string folder = Folder("mean");
    // g(1) of +0.5 and -0.5: the mean of the signed squares is 0.
    const std::vector<std::string> paths = {WriteDls(folder, "p.dlsdat", flatRecipe(0.25, 10.0, 20.0)),
                                            WriteDls(folder, "n.dlsdat", flatRecipe(-0.25, 20.0, 22.0))};
    LoadFiles(paths);
    ASSERT_EQ(nScans, 2);
    EXPECT_NEAR(ppSignal[2][1], -0.5f, 1e-6);
    const std::string out = folder + "/mean.dlsdat";
    {
        win::headless::Script script;
        script.expectSaveFile("select filename for new average DLS data set", out);
        Run(script, 500);
        EXPECT_EQ(script.pending(), 0u);
    }
    const std::string text = scantest::readText(out);
    ASSERT_EQ(text.substr(0, 9), "averaged\n");
    // Measurement 1's header with the mean temperature; the lags in seconds.
    EXPECT_EQ(text.substr(9, 12), "A 21.000000 ");
    EXPECT_NE(text.find("   1.00000e-06  0.00000e+00 \n"), std::string::npos);
    EXPECT_EQ(text.find("e-01"), std::string::npos);
    EXPECT_FLOAT_EQ(pDlsHeaders[1].temperature, 20.0f);

    // Toggling twice gives the values and titles back.
    std::vector<float> before(ppSignal[1] + 1, ppSignal[1] + 21);
    win::headless::Script script;
    Run(script, 898);
    EXPECT_EQ(pDlsHeaders[1].fieldAcf, 0);
    EXPECT_EQ(pDlsHeaders[2].fieldAcf, 0);
    EXPECT_NEAR(ppSignal[1][3], 0.25f, 1e-6);
    EXPECT_NEAR(ppSignal[2][3], -0.25f, 1e-6);
    EXPECT_STREQ(pDataPlot->szYLabel, "g(2)-1 intensity autocorrelation ");
    EXPECT_STREQ(pResidualsPlot->szYLabel, "g(2)-1 intensity autocorrelation ");
    Run(script, 898);
    EXPECT_EQ(pDlsHeaders[1].fieldAcf, 1);
    for (int j = 1; j <= 20; ++j) EXPECT_NEAR(ppSignal[1][j], before[j - 1], 1e-6 * std::fabs(before[j - 1]));
    EXPECT_STREQ(pDataPlot->szYLabel, "g(1) field autocorrelation ");
    EXPECT_STREQ(pResidualsPlot->szYLabel, "g(1) field autocorrelation ");
}

// The raw-data tools that change signals or radii refuse light-scattering
// data ("not implemented for DLS data", docs/scandata.md): Invert at once,
// the rotor-stretch shift after its questions; lags and values stay, and no
// shifted copy is written.
TEST_F(DlsLoadTest, RawDataToolsRefuseLightScatteringData)
{
    const std::string folder = Folder("raw");
    LoadFiles({WriteDls(folder, "a.dlsdat", flatRecipe(0.25, 10.0)),
               WriteDls(folder, "b.dlsdat", flatRecipe(0.16, 20.0))});
    ASSERT_EQ(nScans, 2);
    const std::vector<float> lags(ppRadius[1] + 1, ppRadius[1] + 21), values(ppSignal[2] + 1, ppSignal[2] + 21);
    const std::string copies = Folder("unstretch");
    for (unsigned nId : {535u, 927u}) {
        win::headless::Script script;
        if (nId == 927)
            script.expectInput("rotor (4 or 8)", "8")
                .expectMessageBox("save new data?", win::IDYES)
                .expectSaveFile("select save path", copies + "/newscandata")
                .expectMessageBox("maintain field?", win::IDNO)
                .expectInput("stretch module", "9.59e-6")
                .expectMessageBox("reload stretched data?", win::IDNO);
        script.expectMessageBox("ERROR", win::IDOK);
        Run(script, nId);
        EXPECT_EQ(script.pending(), 0u) << nId;
        EXPECT_NE(script.lines().back().find("\"not implemented for DLS data\""), std::string::npos) << nId;
        for (int j = 1; j <= 20; ++j) {
            EXPECT_EQ(ppRadius[1][j], lags[j - 1]) << nId << " " << j;
            EXPECT_EQ(ppSignal[2][j], values[j - 1]) << nId << " " << j;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(copies));
}

TEST_F(DlsLoadTest, AlwaysLoadG2KeepsTheIntensityAutocorrelation)
{
    win::headless::Script script;
    Run(script, CM_ALWAYS_LOAD_G2);
    EXPECT_EQ(bAlwaysG2, 1);
    EXPECT_NE(win::GetMenuState(window->GetMenu(), CM_ALWAYS_LOAD_G2, win::MF_BYCOMMAND) & win::MF_CHECKED, 0u);

    // b on a lag grid of its own: the common grid holds copies
    const std::string folder = Folder("g2");
    DlsRecipe b = flatRecipe(0.36, 2.0);
    for (double& lag : b.lags) lag *= 1.5;
    LoadFiles({WriteDls(folder, "a.dlsdat", flatRecipe(0.25, 1.0)), WriteDls(folder, "b.dlsdat", b)});
    ASSERT_EQ(nScans, 2);
    EXPECT_EQ(pDlsHeaders[1].fieldAcf, 0);
    EXPECT_NEAR(ppSignal[2][1], 0.36f, 1e-6);
    EXPECT_STREQ(pDataPlot->szYLabel, "g(2)-1 intensity autocorrelation ");

    // The mean of g(2)-1 is taken as it is (0.305, not the mean of the
    // squares, 0.096), and after the switch to g(1) from the signed squares:
    // the same file either way.
    const std::string out = folder + "/mean.dlsdat";
    for (bool bToggle : {false, true}) {
        if (bToggle) Run(script, 898);
        script.expectSaveFile("select filename for new average DLS data set", out);
        Run(script, 500);
        EXPECT_EQ(script.pending(), 0u);
        std::istringstream rows(scantest::readText(out));
        std::string line;
        std::getline(rows, line);
        std::getline(rows, line);
        int nRows = 0;
        double dLag = 0, dValue = 0;
        while (rows >> dLag >> dValue) {
            ASSERT_NEAR(dValue, 0.305, 1e-5) << bToggle << " at " << dLag;
            ++nRows;
        }
        EXPECT_EQ(nRows, nNoiseGridPoints);
    }
    EXPECT_EQ(pDlsHeaders[2].fieldAcf, 1);

    Run(script, CM_ALWAYS_LOAD_G2);
    EXPECT_EQ(bAlwaysG2, 0);
    EXPECT_EQ(win::GetMenuState(window->GetMenu(), CM_ALWAYS_LOAD_G2, win::MF_BYCOMMAND) & win::MF_CHECKED, 0u);
}

TEST_F(DlsLoadTest, SavedFitsAreIntensityCorrelationsAndStopAtAnUnwritableFile)
{
    const std::string folder = Folder("fits");
    // the second on 100 lags of its own, its fit g(1) = 0.9 saved with noise on g(2)-1
    DlsRecipe a2 = flatRecipe(0.36, 2.0);
    a2.lags.clear();
    a2.values.assign(100, 0.36);
    for (int k = 0; k < 100; ++k) a2.lags.push_back(std::pow(10.0, -6.0 + 0.05 * k));
    LoadFiles({WriteDls(folder, "a1.dlsdat", flatRecipe(0.25, 1.0)), WriteDls(folder, "a2.dlsdat", a2)});
    ASSERT_EQ(nScans, 2);
    for (int j = 1; j <= pScanPoints[1]; ++j) ppFit[1][j] = -0.5f;
    for (int j = 1; j <= pScanPoints[2]; ++j) ppFit[2][j] = 0.9f;
    const std::string out = Folder("out");
    const double dLevel = 0.01;
    {
        win::headless::Script script;
        script.expectMessageBox("cannot save fit parameters", win::IDOK)
            .expectSaveFile("save fitted data as", out + "/f0000x.rxx")
            .expectMessageBox("add noise?", win::IDNO)
            .expectMessageBox("add noise?", win::IDYES)
            .expectMessageBox("add noise to field autocorrelation?", win::IDNO)
            .expectInput("level of noise in intensity autocorrelation:", "0.01");
        seedRandomNumbers(20261210u);
        // Save Fit Data stays grayed until fits come from a model: its handler
        saveFitData();
        EXPECT_EQ(script.pending(), 0u);
    }
    // The fit of g(1) = -0.5 is written as g(2)-1 = -0.25, with the record's header.
    const std::string text = scantest::readText(out + "/f1.dlsdat");
    EXPECT_EQ(text.substr(0, 30), "fitted to a1.dlsdat\nA 20.00000");
    EXPECT_NE(text.find("   1.00000e-06  -2.50000e-01 \n"), std::string::npos);
    EXPECT_EQ(pDlsHeaders[1].fieldAcf, 1);
    // Noise on the intensity autocorrelation scatters g(2)-1 = 0.81 by the
    // level asked for. (The same noise on g(1) before the squaring would
    // scatter it by 1.8 times the level, both together by 2.06 times.) The
    // standard deviation of some 100 normal values falls outside 0.75 and 1.3
    // sigma with a chance below 1e-3, their mean beyond 3 standard errors
    // with one of 0.3 % (and the draws are seeded: the test repeats).
    {
        std::istringstream rows(scantest::readText(out + "/f2.dlsdat"));
        std::string line;
        std::getline(rows, line);
        std::getline(rows, line);
        double dLag = 0, dValue = 0, dSum = 0, dSquares = 0;
        int nRows = 0;
        while (rows >> dLag >> dValue) {
            dSum += dValue - 0.81;
            dSquares += (dValue - 0.81) * (dValue - 0.81);
            ++nRows;
        }
        ASSERT_GE(nRows, 90);
        const double dMean = dSum / nRows;
        const double dSd = std::sqrt((dSquares - nRows * dMean * dMean) / (nRows - 1));
        EXPECT_LT(std::fabs(dMean), 3.0 * dLevel / std::sqrt(nRows));
        EXPECT_GT(dSd, 0.75 * dLevel);
        EXPECT_LT(dSd, 1.3 * dLevel);
    }

    // A file that cannot be written stops the save with one message.
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out + "/f1.dlsdat");
    {
        win::headless::Script script;
        script.expectMessageBox("cannot save fit parameters", win::IDOK)
            .expectSaveFile("save fitted data as", out + "/f0000x.rxx")
            .expectMessageBox("add noise?", win::IDNO)
            .expectMessageBox("Error", win::IDOK);
        saveFitData();
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_FALSE(std::filesystem::exists(out + "/f2.dlsdat"));
}
