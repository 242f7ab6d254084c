// The light-scattering time course I(Rh,t) run by Run: the windows of the
// measurements in time order, the mean put in the place of the first
// measurement and given back bit for bit, the pause keys, and the three files.
// The files are given in an order other than their time order, and the
// sample changes from one decay to another, so that a window made of the
// wrong measurements shows its peak in the wrong place.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fegrid/hetero_assoc.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"
#include "tools/dls_set_fixture.h"

using namespace win;

namespace {

// Diffusion coefficients of 4.3 nm and 21 nm spheres in water at 20 C.
constexpr double dSmall = 5e-7;
constexpr double dLarge = 1e-7;

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

size_t peakOf(const std::vector<double>& row)
{
    size_t k = 0;
    for (size_t i = 1; i < row.size(); i++)
        if (row[i] > row[k]) k = i;
    return k;
}

class DlsTimeCourseTest : public DlsSetTest {
protected:
    void SetUp() override
    {
        DlsSetTest::SetUp();
        bWizardMessages = 0;
        bFlagStrongGradients = 0;
        // the files of the run go into the current folder
        runFolder = Folder("run");
        std::filesystem::current_path(runFolder);
    }

    // Measurements at the times (s) with the decays, in files named in the
    // order given, with a little noise (the same on every machine).
    void LoadMeasurements(const std::vector<double>& times, const std::vector<double>& decays, int nLags = 41)
    {
        const std::string folder = Folder("dls");
        std::vector<std::string> paths;
        for (size_t k = 0; k < times.size(); k++) {
            dlstest::DlsRecipe r = dlstest::decayRecipe(decays[k], nLags);
            r.time = times[k];
            for (size_t i = 0; i < r.values.size(); i++) {
                const double h = std::sin(12.9898 * static_cast<double>(i) + 78.233 * static_cast<double>(k)) * 43758.5453;
                r.values[i] += 0.002 * (h - std::floor(h) - 0.5);
            }
            paths.push_back(WriteDls(folder, "m" + std::to_string(k + 1) + ".dlsdat", r));
        }
        LoadFiles(paths);
        ASSERT_EQ(nScans, static_cast<int>(times.size()));
        headless::Script script;
        Run(script, 522);
        ASSERT_TRUE(bModelDlsRhTime);
        // windows of 2 minutes
        fTimeCourseWindow = pParamValue[11] = 2.0f;
    }

    // Run, with g(2)-1 turned into g(1) when the loader kept it.
    void RunSeries(headless::Script& script)
    {
        if (pDlsHeaders && !pDlsHeaders[1].fieldAcf)
            script.expectMessageBox("DLS data for this model must be field autocorrelation g(1) - transform?", IDYES);
        Run(script, 213);
        EXPECT_EQ(script.pending(), 0u);
    }

    bool Written(const char* szName) const { return std::filesystem::exists(runFolder + "/" + szName); }
    // The series with the key held down through it; the first measurement
    // stays as it was (the series works on copies).
    void RunSeriesWithKey(char key);
    // The times file of the measurements of kTimes: one row per window with
    // the mean time of its measurements, 160 s, then 310 s twice.
    void ExpectTheWindowTimesOfKTimes() const;

    std::string runFolder;
};

// Times 10..310 s in the files m1..m5 = 130, 310, 10, 250, 70 s; the
// small decay up to 130 s, the large one from 250 s. Windows of 120 s: the
// first takes the measurements at 70, 130 and 250 s (the first one at or
// past 180 s closes it), the second the one at 310 s, the third (past the
// last measurement) that one again.
const std::vector<double> kTimes = {130, 310, 10, 250, 70};
const std::vector<double> kDecays = {dSmall, dLarge, dSmall, dLarge, dSmall};

// The values of the first measurement in time order: its own and those on
// the common grid.
struct FirstMeasurement {
    std::vector<float> signal, grid;
    static FirstMeasurement Now()
    {
        const int k = pScanTimeOrder[1];
        return {std::vector<float>(ppSignal[k] + 1, ppSignal[k] + pScanPoints[k] + 1),
                std::vector<float>(ppScanOnNoiseGrid[k] + 1, ppScanOnNoiseGrid[k] + nNoiseGridPoints + 1)};
    }
    bool operator==(const FirstMeasurement& o) const
    {
        return signal.size() == o.signal.size() && grid.size() == o.grid.size() &&
               std::memcmp(signal.data(), o.signal.data(), signal.size() * sizeof(float)) == 0 &&
               std::memcmp(grid.data(), o.grid.data(), grid.size() * sizeof(float)) == 0;
    }
};

void DlsTimeCourseTest::RunSeriesWithKey(char key)
{
    const FirstMeasurement before = FirstMeasurement::Now();
    headless::Script script;
    script.typeChar(key, 10000000);
    RunSeries(script);
    EXPECT_TRUE(FirstMeasurement::Now() == before);
}

void DlsTimeCourseTest::ExpectTheWindowTimesOfKTimes() const
{
    const auto times = numberRows(runFolder + "/times.dat");
    ASSERT_EQ(times.size(), 3u);
    EXPECT_DOUBLE_EQ(times[0][0], (70.0 + 250.0) / 2);
    EXPECT_DOUBLE_EQ(times[1][0], 310.0);
    EXPECT_DOUBLE_EQ(times[2][0], 310.0);
}

}  // namespace

TEST_F(DlsTimeCourseTest, OneMeasurementIsAPlainRunAndWritesNothing)
{
    LoadMeasurements({100}, {dSmall});
    headless::Script script;
    RunSeries(script);
    EXPECT_TRUE(bModelComputed);
    ASSERT_NE(pDistValues, nullptr);
    EXPECT_FALSE(Written("radii.dat") || Written("times.dat") || Written("sizes.dat"));
    EXPECT_EQ(bFitStoppedByUser, 0);
}

TEST_F(DlsTimeCourseTest, MeasurementsWithinOneAndAHalfWindowsMakeOneWindowFromTheSecondOn)
{
    LoadMeasurements({40, 130, 10, 100, 70}, {dSmall, dSmall, dSmall, dSmall, dSmall});
    RunSeriesWithKey('r');
    EXPECT_EQ(nTimeCourseWindows, 1);
    const auto times = numberRows(runFolder + "/times.dat");
    ASSERT_EQ(times.size(), 1u);
    EXPECT_DOUBLE_EQ(times[0][0], (40.0 + 130.0) / 2);  // measurements 2..5 in time order
    const auto sizes = numberRows(runFolder + "/sizes.dat");
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(static_cast<int>(sizes[0].size()), nResolution);
    EXPECT_EQ(static_cast<int>(numberRows(runFolder + "/radii.dat").size()), nResolution);
    EXPECT_EQ(bFitStoppedByUser, 0);
    EXPECT_EQ(bStopFit, 0);
    EXPECT_EQ(pTimeCourseDistributions, nullptr);
}

TEST_F(DlsTimeCourseTest, WindowsTakeTheMeasurementsInTimeOrder)
{
    LoadMeasurements(kTimes, kDecays);
    RunSeriesWithKey('r');
    ExpectTheWindowTimesOfKTimes();
    const auto radii = numberRows(runFolder + "/radii.dat");
    const auto sizes = numberRows(runFolder + "/sizes.dat");
    ASSERT_EQ(sizes.size(), 3u);
    ASSERT_EQ(radii.size(), sizes[0].size());
    // the second window holds only the large species, the first mostly the small one
    const double x1 = radii[peakOf(sizes[0])][0], x2 = radii[peakOf(sizes[1])][0];
    const double step = std::fabs(radii[1][0] - radii[0][0]);
    EXPECT_NEAR(x2 - x1, std::log10(dSmall / dLarge), 3 * step);
    EXPECT_EQ(sizes[1], sizes[2]);
    EXPECT_EQ(bFitStoppedByUser, 0);
    // Each window's distribution holds the amplitude of its mean decay: 0.8
    // in g(1) for every measurement, so 0.8 for the mean of any of them.
    for (size_t w = 0; w < 2; w++) {
        double a = 0;
        for (size_t i = 1; i < radii.size(); i++)
            a += 0.5 * (sizes[w][i] + sizes[w][i - 1]) * (radii[i][0] - radii[i - 1][0]);
        EXPECT_NEAR(a, 0.8, 0.02) << "window " << w + 1;
    }
}

// Measurements of a single lag still have a grid: the windows are those of
// their times alone, as for whole decays.
TEST_F(DlsTimeCourseTest, MeasurementsOfASingleLagMakeTheSameWindows)
{
    LoadMeasurements(kTimes, kDecays, 1);
    ASSERT_EQ(nNoiseGridPoints, 1);
    RunSeriesWithKey('r');
    EXPECT_EQ(nTimeCourseWindows, 3);
    ExpectTheWindowTimesOfKTimes();
    const auto sizes = numberRows(runFolder + "/sizes.dat");
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(static_cast<int>(numberRows(runFolder + "/radii.dat").size()), nResolution);
    for (const auto& row : sizes) {
        ASSERT_EQ(static_cast<int>(row.size()), nResolution);
        for (double v : row) EXPECT_TRUE(std::isfinite(v));
    }
    EXPECT_EQ(bFitStoppedByUser, 0);
    EXPECT_EQ(bSimulationPaused, 0);
}

TEST_F(DlsTimeCourseTest, SEndsTheSeriesAndTheFilesAreWrittenAllTheSame)
{
    LoadMeasurements(kTimes, kDecays);
    RunSeriesWithKey('s');
    const auto sizes = numberRows(runFolder + "/sizes.dat");
    ASSERT_EQ(sizes.size(), 3u);
    // the windows after the stop repeat the last distribution computed
    EXPECT_EQ(sizes[1], sizes[0]);
    EXPECT_EQ(sizes[2], sizes[0]);
    EXPECT_EQ(numberRows(runFolder + "/times.dat").size(), 3u);
    EXPECT_EQ(bFitStoppedByUser, 1);
    EXPECT_EQ(bRealtimeError, 1);
    EXPECT_EQ(bStopFit, 0);
    EXPECT_EQ(bSimulationPaused, 0);
    EXPECT_EQ(nPauseKey, 's');
}

TEST_F(DlsTimeCourseTest, AFirstMeasurementOfIntensityCorrelationsEndsConvertedLikeTheOthers)
{
    bAlwaysG2 = 1;
    LoadMeasurements(kTimes, kDecays);
    ASSERT_NE(pDlsHeaders, nullptr);
    ASSERT_EQ(pDlsHeaders[1].fieldAcf, 0);
    const int k1 = pScanTimeOrder[1];
    std::vector<float> expected(ppSignal[k1], ppSignal[k1] + pScanPoints[k1] + 1);
    DlsScanHeader h = pDlsHeaders[k1];
    ASSERT_TRUE(convertDlsG2ToG1(pScanPoints[k1], expected.data(), &h));
    headless::Script script;
    script.typeChar('r', 10000000);
    RunSeries(script);
    for (int k = 1; k <= nScans; k++) EXPECT_EQ(pDlsHeaders[k].fieldAcf, 1);
    EXPECT_EQ(std::memcmp(ppSignal[k1] + 1, expected.data() + 1, sizeof(float) * pScanPoints[k1]), 0);
    bAlwaysG2 = 0;
}
