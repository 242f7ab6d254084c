// Monte-Carlo statistics of distributions: the ranks of the limits, the right
// sides against whole builds of the normal equations, the run on the example
// c(s) with its limits, files and the spread of sw, the data kinds, the two
// Statistics commands.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/conti_scene.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/monte_carlo.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/random.h"
#include "numerics/sorting_interpolation.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;
namespace fs = std::filesystem;

namespace {

class MonteCarloTest : public ContiRunTest {
protected:
    // The example velocity scans (4.3 S, 30 scans) loaded, c(s) from 0 to 10 S
    // on 50 points at P = 0.95, f/f0 1.33, radial-invariant noise, maximum
    // entropy, and one Run. (Fifty points keep the hundred entropy
    // regularizations of a run to a few seconds.)
    void RunExampleCs()
    {
        LoadScans(copyVelocityExampleScans(Folder("velocity")));
        ASSERT_EQ(nScans, 30);
        SetCellGeometry();
        ChooseContinuous(&bModelCS, 0.0f, 10.0f, 50, 1.33f, 0.95f);
        bFitRINoise = 1;
        bRegMaxEnt = 1;
        bRegSecondDerivative = bRegWeightedThirdDerivative = bRegBothShown = 0;
        RunContiSed(window.get());
        ASSERT_EQ(nResolution, 50);
    }
    // A small c(s) problem of one species with noise: 8 scans of 150 points,
    // c(s) from 1 to 10 S on 30 points unless told otherwise, P = 0.9,
    // maximum entropy.
    void RunSmallCs(float sMin = 1.0f, float sMax = 10.0f, int nGrid = 30)
    {
        SpeciesScans sp;
        sp.s = 4.0;
        sp.D = diffusionOf(4.0, 1.3);
        sp.noise = 0.005;
        sp.nScans = 8;
        sp.nPoints = 150;
        LoadSpecies(sp);
        ChooseContinuous(&bModelCS, sMin, sMax, nGrid, 1.3f, 0.9f);
        bRegMaxEnt = 1;
        RunContiSed(window.get());
        ASSERT_EQ(nResolution, nGrid);
    }
    std::string FileName(const std::string& folder) { return Folder(folder) + "/mc.dat"; }
    // The rows 1..nMC of grid point j, sorted.
    static std::vector<float> SortedColumn(int j)
    {
        std::vector<float> v;
        for (int k = 1; k <= nMCIterations; k++) v.push_back(ppMCDistributions[k][j]);
        std::sort(v.begin(), v.end());
        return v;
    }
    static std::vector<float> Rows()
    {
        std::vector<float> v;
        for (int k = 1; k <= nMCIterations; k++)
            v.insert(v.end(), ppMCDistributions[k] + 1, ppMCDistributions[k] + nResolution + 1);
        return v;
    }
};

bool fileThere(const std::string& path) { return fs::exists(path); }

// The second column of a two-column file.
std::vector<float> secondColumn(const std::string& path)
{
    std::ifstream in(path);
    std::vector<float> v;
    float x, y;
    while (in >> x >> y) v.push_back(y);
    return v;
}

// A nothrow array allocation of this many bytes is refused, as the system
// refuses a block it cannot give (0: none; an empty array is never refused).
std::size_t nRefusedArrayBytes = 0;

}  // namespace

// Any other size goes on to the allocator this one stands in front of (the
// standard library's, or the sanitizer's), which refuses what it cannot give
// in its own way.
void* operator new[](std::size_t nBytes, const std::nothrow_t& tag) noexcept
{
    if (nRefusedArrayBytes != 0 && nBytes == nRefusedArrayBytes) return nullptr;
    using NothrowArrayNew = void* (*)(std::size_t, const std::nothrow_t&) noexcept;
    static const auto next = reinterpret_cast<NothrowArrayNew>(dlsym(RTLD_NEXT, "_ZnamRKSt9nothrow_t"));
    return next ? next(nBytes, tag) : nullptr;
}

// The row pointers and the limit vectors come after the larger block of rows:
// when either cannot be had the arrays are refused whole, as a failed run.
TEST(MonteCarloArrays, AreRefusedWholeWhenOneBlockCannotBeHad)
{
    nResolution = 20;
    // 36 iterations: two limit vectors of 21 floats, 37 row pointers
    for (std::size_t nBytes : {2 * 21 * sizeof(float), 37 * sizeof(float*)}) {
        nRefusedArrayBytes = nBytes;
        EXPECT_FALSE(allocMonteCarloArrays(36)) << nBytes;
        nRefusedArrayBytes = 0;
        EXPECT_EQ(ppMCDistributions, nullptr);
        EXPECT_EQ(pMCLowerLimit, nullptr);
    }
    ASSERT_TRUE(allocMonteCarloArrays(36));
    EXPECT_EQ(nMCIterations, 36);
    freeMonteCarloArrays();
}

TEST(MonteCarloRanks, RanksAreHeldToTheValuesAndSelectionFindsThem)
{
    int lo = 0, hi = 0;
    monteCarloRanks(0.95f, 100, &lo, &hi);
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 97);
    // floor(0.25) = 0: the smallest value, never element 0
    monteCarloRanks(0.95f, 10, &lo, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 9);
    monteCarloRanks(0.68f, 100, &lo, &hi);
    EXPECT_EQ(lo, 16);
    EXPECT_EQ(hi, 84);
    // a level above 1 (a chi-square ratio) holds both ranks inside
    monteCarloRanks(1.5f, 10, &lo, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 10);

    seedRandomNumbers(7u);
    std::vector<float> values(1, 0.0f);
    for (int i = 1; i <= 101; i++) values.push_back(static_cast<float>(gaussianRandom(1.0f)));
    values[50] = values[60];  // a tie
    std::vector<float> sorted(values.begin() + 1, values.end());
    std::sort(sorted.begin(), sorted.end());
    for (int k : {1, 2, 17, 51, 97, 101}) {
        std::vector<float> scratch = values;
        EXPECT_EQ(selectKthSmallest(k, 101, scratch.data()), sorted[static_cast<size_t>(k - 1)]) << k;
    }
    std::vector<float> scratch = values;
    EXPECT_EQ(selectKthSmallest(0, 101, scratch.data()), sorted.front());
    EXPECT_EQ(selectKthSmallest(500, 101, scratch.data()), sorted.back());

    // One iteration (a run stopped after its first): every rank is that value.
    std::vector<float> one = {0.0f, 3.5f};
    for (int k : {0, 1, 2}) EXPECT_EQ(selectKthSmallest(k, 1, one.data()), 3.5f) << k;
    // Every iteration alike (a grid point no fit gives any amount): the
    // partition stays within the values; the sanitizer stage sees a read past.
    std::vector<float> zeros(102, 0.0f);
    for (int k : {1, 51, 101}) EXPECT_EQ(selectKthSmallest(k, 101, zeros.data()), 0.0f) << k;
}

// The right sides of synthetic data, with the reference's normal matrix and
// the means of its Lamm solutions, equal those of a whole build on the same
// data, for every noise model and any number of threads, and leave the data
// and the store as they were.
TEST(MonteCarloRightSides, EqualAWholeBuildOnTheSameDataWhateverTheThreads)
{
    const int n = 12;
    contitest::installScene();
    contitest::fillStepBases(contitest::sValues(n, 1.0, 10.0));
    std::vector<double> c(n + 1, 0.0);
    c[4] = 0.5;
    c[9] = 0.3;
    unsigned state = 11;
    auto profile = [](double r) { return 0.02 * std::sin(30.0 * r); };
    auto offset = [](int k) { return 0.01 * k; };
    struct Model {
        unsigned char bTI, bRI, bBaseline;
        void (*single)();
    };
    const Model models[] = {{0, 0, 0, mcRightSidePlain},
                            {0, 0, 1, mcRightSideBaseline},
                            {1, 0, 0, mcRightSideTI},
                            {0, 1, 0, mcRightSideRI},
                            {1, 1, 0, mcRightSideTIRI}};
    auto noise = [&](int, int) { return 0.01 * contitest::gaussian(state); };
    for (const Model& m : models) {
        bFitTINoise = m.bTI;
        bFitRINoise = m.bRI;
        bAlgebraicBaseline = m.bBaseline;
        fBaseline = 0.003f;
        bMultiThreaded = 0;
        // a whole build on the synthetic data
        contitest::setData(c, profile, offset, noise);
        const std::vector<float> synthetic = contitest::dataSnapshot();
        buildNormalEquations(nullptr, 1);
        const std::vector<double> b(pNERightSide + 1, pNERightSide + n + 1);
        const double yy = dSumSquaredData;
        // the reference on other data, then its right sides replaced
        contitest::setData(c, profile, offset, noise);
        buildNormalEquations(nullptr, 1);
        std::vector<double> matrix;
        for (int i = 1; i <= n; i++) matrix.insert(matrix.end(), pNEMatrix[i] + 1, pNEMatrix[i] + n + 1);
        for (int k = 1; k <= nScans; k++)
            std::memcpy(ppScanOnNoiseGrid[k] + 1, &synthetic[static_cast<size_t>(k - 1) * nNoiseGridPoints],
                        sizeof(float) * nNoiseGridPoints);
        const std::vector<float> store = contitest::storeSnapshot();
        for (int nThreads : {0, 1, 2, 5}) {
            for (int i = 1; i <= n; i++) pNERightSide[i] = -1.0;
            dSumSquaredData = -1.0;
            if (nThreads == 0) {
                m.single();
            } else {
                bMultiThreaded = 1;
                nNEQThreads = nThreads;
                buildMonteCarloRightSides(nullptr);
                bMultiThreaded = 0;
            }
            for (int i = 1; i <= n; i++) EXPECT_EQ(pNERightSide[i], b[static_cast<size_t>(i - 1)]) << i;
            EXPECT_EQ(dSumSquaredData, yy);
            std::vector<double> after;
            for (int i = 1; i <= n; i++) after.insert(after.end(), pNEMatrix[i] + 1, pNEMatrix[i] + n + 1);
            EXPECT_EQ(after, matrix);
            EXPECT_EQ(contitest::dataSnapshot(), synthetic);
            EXPECT_EQ(contitest::storeSnapshot(), store);
        }
    }
}

// The example c(s) with 100 iterations: the ranks, the files, the mean
// between the limits, the spread of sw; at the end the distribution of the
// data again and no limit curves.
TEST_F(MonteCarloTest, ExampleCsLimitsFilesAndTheSpreadOfSw)
{
    RunExampleCs();
    ASSERT_NE(pDistPlot, nullptr);
    const int nCurvesBefore = pDistPlot->nCurves;
    headless::Script script;
    script.expectMessageBox("average sw", IDOK);
    seedRandomNumbers(20261207u);
    runMonteCarloWeightAvgS(window.get(), 100, 0.68f, 1.0f, 10.0f, FileName("mc").c_str(), 0);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(nMCIterations, 100);
    EXPECT_EQ(bMonteCarloRun, 0);
    EXPECT_EQ(bSkipRegularization, 1);
    // the noise grid holds the data again
    EXPECT_NEAR(fRmsd, 0.004f, 0.0005f);
    for (int k = 1; k <= nScans; k++) EXPECT_TRUE(ppScanOnNoiseGrid[k] != ppModelPart[k]);

    // P = 0.95 of 100 values: the 2nd and the 97th smallest, "lim975.dat"
    // and "lim 25.dat" (with its blank) and "mean.dat"
    plotMonteCarloLimits(0.95f);
    const std::string dir = Folder("mc") + "/";
    const std::vector<float> upper = secondColumn(dir + "lim975.dat"), lower = secondColumn(dir + "lim 25.dat"),
                             mean = secondColumn(dir + "mean.dat");
    ASSERT_EQ(upper.size(), 50u);
    ASSERT_EQ(lower.size(), 50u);
    ASSERT_EQ(mean.size(), 50u);
    EXPECT_FALSE(fileThere(dir + "0.dat"));
    float fPeak = 0.0f;
    for (int j = 1; j <= nResolution; j++) fPeak = std::max(fPeak, pMCMean[j]);
    int nSignal = 0;
    for (int j = 1; j <= nResolution; j++) {
        const std::vector<float> v = SortedColumn(j);
        EXPECT_EQ(pMCLowerLimit[j], v[1]) << j;
        EXPECT_EQ(pMCUpperLimit[j], v[96]) << j;
        EXPECT_NEAR(lower[static_cast<size_t>(j - 1)], pMCLowerLimit[j], 1e-5f * fPeak);
        EXPECT_NEAR(upper[static_cast<size_t>(j - 1)], pMCUpperLimit[j], 1e-5f * fPeak);
        EXPECT_EQ(pDistValues[j], pMCMean[j]);
        if (pMCMean[j] > 0.01f * fPeak) {
            nSignal++;
            EXPECT_LE(pMCLowerLimit[j], pMCMean[j]) << pDistAxisS[j];
            EXPECT_GE(pMCUpperLimit[j], pMCMean[j]) << pDistAxisS[j];
        }
    }
    EXPECT_GE(nSignal, 3);
    // the limits are in the plot, upper red, lower blue
    ASSERT_EQ(pDistPlot->nCurves, nCurvesBefore + 2);
    EXPECT_EQ(pDistPlot->GetCurveColor(nCurvesBefore), RGB(255, 0, 0));
    EXPECT_EQ(pDistPlot->GetCurveColor(nCurvesBefore + 1), RGB(0, 0, 255));

    // the spread of sw at P = 0.68 lies within 4.30 +- 0.03 S
    bSerialFitRunning = 1;
    monteCarloWeightAvgS(window.get(), 1.0f, 10.0f, 0.68f);
    bSerialFitRunning = 0;
    const MCWeightAvgResults r = mcWeightAvgResults;
    EXPECT_LT(r.fLowerS, r.fUpperS);
    EXPECT_GE(r.fLowerS, 4.27f);
    EXPECT_LE(r.fUpperS, 4.33f);
    EXPECT_NEAR(r.fMeanS, 4.30f, 0.03f);
    EXPECT_NEAR(r.fMeanC, 0.80f, 0.03f);
    EXPECT_GT(r.fSdS, 0.0f);

    endMonteCarlo(window.get());
    EXPECT_EQ(ppMCDistributions, nullptr);
    EXPECT_EQ(pDistPlot->nCurves, nCurvesBefore);
    EXPECT_EQ(pLammSolutions, nullptr);  // the one-dimensional stores went with the finishing step
}

// Rows without signal between smin and smax leave the sw statistics and stay
// in those of c; the box shows both.
TEST_F(MonteCarloTest, RowsWithoutSignalInTheRangeLeaveTheSwStatistics)
{
    RunSmallCs();
    ASSERT_TRUE(allocMonteCarloArrays(4));
    // rows: one species at 3 S (amplitude 1 and 3), one at 8 S (amplitude 2),
    // and an empty row
    auto put = [](int k, float s, float a) {
        for (int j = 1; j <= nResolution; j++) ppMCDistributions[k][j] = std::fabs(pDistAxisS[j] - s) < 0.01f ? a : 0.0f;
    };
    const float s3 = pDistAxisS[7], s8 = pDistAxisS[23];
    put(1, s3, 1.0f);
    put(2, s3, 3.0f);
    put(3, s8, 2.0f);
    put(4, s3, 0.0f);
    const float ds = pDistAxisS[2] - pDistAxisS[1];
    bSerialFitRunning = 1;
    monteCarloWeightAvgS(window.get(), 1.0f, 5.0f, 0.68f);
    bSerialFitRunning = 0;
    MCWeightAvgResults r = mcWeightAvgResults;
    // sw of the two rows with signal below 5 S
    EXPECT_NEAR(r.fMeanS, s3, 1e-4f);
    EXPECT_NEAR(r.fSdS, 0.0f, 1e-4f);
    // c of all four rows: areas ds, 3 ds, 0, 0
    EXPECT_NEAR(r.fMeanC, ds, 1e-4f);
    EXPECT_NEAR(r.fSdC, std::sqrt((0.0f + 4.0f + 1.0f + 1.0f) / 4.0f) * ds, 1e-4f);
    EXPECT_NEAR(r.fLowerC, 0.0f, 1e-6f);   // rank floor(0.16 x 4) = 0 held to 1
    EXPECT_NEAR(r.fUpperC, ds, 1e-4f);     // rank floor(0.84 x 4) = 3
    // no row with signal: the sw statistics are left at 0
    bSerialFitRunning = 1;
    monteCarloWeightAvgS(window.get(), 20.0f, 30.0f, 0.68f);
    bSerialFitRunning = 0;
    EXPECT_EQ(mcWeightAvgResults.fMeanS, 0.0f);
    EXPECT_EQ(mcWeightAvgResults.fMeanC, 0.0f);

    headless::Script script;
    script.expectMessageBox("average sw = ", IDOK);
    monteCarloWeightAvgS(window.get(), 1.0f, 5.0f, 0.68f);
    ASSERT_EQ(script.pending(), 0u);
    char sz[600];
    std::snprintf(sz, sizeof sz,
                  "average sw = %.6f\n %.3f %% confidence interval from %.6f to %.6f\navg error = %.6f\n(simple "
                  "stddev of all values = %.6f, assuming Gaussian distributed error)\naverage c = %.4f, confidence "
                  "interval from %.6f to %.6f",
                  r.fMeanS, 68.0, r.fLowerS, r.fUpperS, (r.fUpperS - r.fLowerS) / 2.0, r.fSdS, r.fMeanC, r.fLowerC,
                  r.fUpperC);
    std::string text;  // as the transcript writes it
    for (const char* p = sz; *p; p++) text += *p == '\n' ? std::string("\\n") : std::string(1, *p);
    EXPECT_TRUE(transcriptShows(script, text));
    freeMonteCarloArrays();
}

// Fewer than two iterations compute nothing; with a fixed seed the threaded
// run repeats the single-threaded one bit for bit; the save flag writes every
// iteration's file.
TEST_F(MonteCarloTest, RunsRepeatWhateverTheThreadsAndWriteTheirFiles)
{
    RunSmallCs();
    const std::vector<float> shown(pDistValues + 1, pDistValues + nResolution + 1);
    runMonteCarloDistributions(window.get(), 1, 0.95f, FileName("one").c_str(), 1);
    EXPECT_EQ(ppMCDistributions, nullptr);
    EXPECT_EQ(bMonteCarloRun, 0);
    EXPECT_TRUE(fs::is_empty(Folder("one")));
    EXPECT_EQ(std::vector<float>(pDistValues + 1, pDistValues + nResolution + 1), shown);
    // the end of a run that computed nothing (the stores went with the Run)
    endMonteCarlo(window.get());
    EXPECT_EQ(std::vector<float>(pDistValues + 1, pDistValues + nResolution + 1), shown);

    // a level above 1 is a chi-square ratio: the run says nothing about it
    fConfidenceLevel = 1.05f;
    seedRandomNumbers(98u);
    runMonteCarloDistributions(window.get(), 2, 0.68f, FileName("ratio").c_str(), 0);
    EXPECT_EQ(nMCIterations, 2);
    endMonteCarlo(window.get());
    fConfidenceLevel = 0.9f;

    std::vector<std::vector<float>> runs;
    for (int nThreads : {0, 2, 3}) {
        bMultiThreaded = nThreads > 0;
        nNEQThreads = nThreads;
        seedRandomNumbers(99u);
        const std::string folder = "run" + std::to_string(nThreads);
        runMonteCarloDistributions(window.get(), 4, 0.68f, FileName(folder).c_str(), nThreads == 2);
        ASSERT_EQ(nMCIterations, 4);
        runs.push_back(Rows());
        endMonteCarlo(window.get());
    }
    EXPECT_EQ(runs[1], runs[0]);
    EXPECT_EQ(runs[2], runs[0]);
    // the iterations differ from one another
    EXPECT_NE(std::vector<float>(runs[0].begin(), runs[0].begin() + nResolution),
              std::vector<float>(runs[0].begin() + nResolution, runs[0].begin() + 2 * nResolution));
    for (int k = 0; k <= 4; k++) EXPECT_TRUE(fileThere(Folder("run2") + "/" + std::to_string(k) + ".dat")) << k;
    EXPECT_FALSE(fileThere(Folder("run2") + "/5.dat"));
    EXPECT_EQ(secondColumn(Folder("run2") + "/4.dat").size(), 30u);
    // without the flag only the limits and the mean (P = 0.68: 840 and 160)
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Folder("run0"))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"lim160.dat", "lim840.dat", "mean.dat"}));
}

// A grid of a single point has its limits in the plot as well: one point
// each, at the ranks of the sorted iterations.
TEST_F(MonteCarloTest, ASingleGridPointGetsItsLimitCurves)
{
    ASSERT_NO_FATAL_FAILURE(RunSmallCs(4.0f, 4.0f, 1));
    ASSERT_NE(pDistPlot, nullptr);
    const int nCurves = pDistPlot->nCurves;
    seedRandomNumbers(4u);
    runMonteCarloDistributions(window.get(), 4, 0.68f, FileName("onepoint").c_str(), 0);
    ASSERT_EQ(nMCIterations, 4);
    // P = 0.68 of 4 values: the 1st and the 3rd smallest, upper red, lower blue
    const std::vector<float> v = SortedColumn(1);
    ASSERT_EQ(pDistPlot->nCurves, nCurves + 2);
    EXPECT_EQ(pDistPlot->GetCurveColor(nCurves), RGB(255, 0, 0));
    EXPECT_EQ(pDistPlot->GetCurveColor(nCurves + 1), RGB(0, 0, 255));
    for (int c : {nCurves, nCurves + 1}) {
        const CCurve* pCurve = pDistPlot->pCurves[c];
        ASSERT_EQ(pCurve->pY->nSize, 1u);
        EXPECT_EQ(pCurve->pX->pData[0], 4.0f);
        EXPECT_EQ(pCurve->pY->pData[0], c == nCurves ? v[2] : v[0]);
    }
    EXPECT_LT(v[0], v[2]);
    endMonteCarlo(window.get());
    EXPECT_EQ(pDistPlot->nCurves, nCurves);
}

// Every kind of data gets new synthetic data in each iteration: on a
// resampled noise grid by interpolation (also data that are neither
// absorbance nor interference data), on the shared grid of equal interference
// scans as the scans' rows; the real data are on the grid again afterwards.
TEST_F(MonteCarloTest, EveryKindOfDataGetsNewSyntheticRows)
{
    RunSmallCs();
    auto iterationsDiffer = [] {
        return !std::equal(ppMCDistributions[1] + 1, ppMCDistributions[1] + nResolution + 1, ppMCDistributions[2] + 1);
    };
    bAbsorbanceData = 0;
    ASSERT_TRUE(bScanOnNoiseGridOwned);
    seedRandomNumbers(5u);
    runMonteCarloDistributions(window.get(), 3, 0.68f, FileName("other").c_str(), 0);
    ASSERT_EQ(nMCIterations, 3);
    EXPECT_TRUE(iterationsDiffer());
    endMonteCarlo(window.get());

    bInterferenceData = 1;
    setupNoiseRadialGrid();
    ASSERT_FALSE(bScanOnNoiseGridOwned);
    seedRandomNumbers(5u);
    runMonteCarloDistributions(window.get(), 3, 0.68f, FileName("interference").c_str(), 0);
    ASSERT_EQ(nMCIterations, 3);
    EXPECT_TRUE(iterationsDiffer());
    for (int k = 1; k <= nScans; k++) EXPECT_EQ(ppScanOnNoiseGrid[k], ppSignal[k]) << k;
    endMonteCarlo(window.get());
}

// The two-dimensional model: the marginal over f/f0 is what the limits take,
// and the sum of the iterations goes to "_sum.dat" in six columns.
TEST_F(MonteCarloTest, TwoDimensionalRunsWriteTheSumOfTheIterations)
{
    SpeciesScans sp;
    sp.s = 4.0;
    sp.D = diffusionOf(4.0, 1.4);
    sp.noise = 0.005;
    sp.nScans = 6;
    sp.nPoints = 120;
    LoadSpecies(sp);
    ChooseContinuous(&bModelCSFf0, 2.0f, 7.0f, 8, 1.4f, 0.68f);
    pParamValue[10] = 1.2f;
    pParamValue[6] = 1.8f;
    pParamValue[8] = 3.0f;
    bRegMaxEnt = 0;
    bRegSecondDerivative = 1;
    RunContiSed(window.get());
    ASSERT_EQ(nCsGridTotal, 24);
    seedRandomNumbers(3u);
    runMonteCarloDistributions(window.get(), 2, 0.68f, FileName("sizeshape").c_str(), 1);
    ASSERT_EQ(nMCIterations, 2);
    const std::string dir = Folder("sizeshape") + "/";
    for (const char* name : {"0.dat", "1.dat", "2.dat", "_sum.dat", "mean.dat"}) EXPECT_TRUE(fileThere(dir + name)) << name;
    std::ifstream in(dir + "_sum.dat");
    std::vector<float> sum;
    float v[6];
    while (in >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5]) sum.push_back(v[5]);
    ASSERT_EQ(sum.size(), 24u);
    for (int j = 1; j <= 24; j++)
        EXPECT_NEAR(sum[static_cast<size_t>(j - 1)], ppMCDistributions[1][j] + ppMCDistributions[2][j],
                    1e-5f * (1.0f + std::fabs(sum[static_cast<size_t>(j - 1)])));
    // the mean of the marginal rows
    for (int j = 1; j <= nResolution; j++)
        EXPECT_NEAR(pMCMean[j], (ppMCMarginals[1][j] + ppMCMarginals[2][j]) / 2.0f, 1e-6f * (1.0f + pMCMean[j]));
    // each marginal row is its own iteration's sum over the f/f0 values at
    // each s, as a density: zero where that sum is zero, and the same factor
    // of the s grid at each point in both iterations
    const int nFf0 = nCsGridTotal / nResolution;
    int nPositive = 0;
    for (int j = 1; j <= nResolution; j++) {
        double dSum[3] = {};
        for (int k = 1; k <= 2; k++)
            for (int p = 1; p <= nFf0; p++) dSum[k] += ppMCDistributions[k][(p - 1) * nResolution + j];
        const double m1 = ppMCMarginals[1][j], m2 = ppMCMarginals[2][j];
        EXPECT_EQ(m1 != 0.0, dSum[1] != 0.0) << j;
        EXPECT_EQ(m2 != 0.0, dSum[2] != 0.0) << j;
        EXPECT_NEAR(m1 * dSum[2], m2 * dSum[1], 1e-5 * (std::fabs(m1 * dSum[2]) + std::fabs(m2 * dSum[1]))) << j;
        if (dSum[1] > 0.0 && dSum[2] > 0.0) nPositive++;
    }
    EXPECT_GE(nPositive, 2);
    endMonteCarlo(window.get());
}

// The Statistics commands as a user meets them.
TEST_F(MonteCarloTest, TheStatisticsCommandsAskRunAndEnd)
{
    headless::Script script;
    // nothing without data, with c(s) chosen too: each time only the first
    // question of the weight-average command, which it asks before its check
    for (const bool bCs : {false, true}) {
        if (bCs) ChooseContinuous(&bModelCS, 1.0f, 10.0f, 30, 1.3f, 0.9f);
        Run(script, 296);
        EXPECT_EQ(script.lines().size(), bCs ? 1u : 0u);
        script.expectMessageBox("It will not optimize at each step non-linear parameters", IDYES);
        Run(script, 546);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(script.lines().size(), bCs ? 2u : 1u);
    }

    RunSmallCs();
    const int nCurves = pDistPlot->nCurves;
    const std::string file = FileName("command");
    // a Cancel of a number ends the command before anything runs
    script.expectMessageBox("This Monte-Carlo routine", IDYES).expectInputCancel("number of simulations");
    Run(script, 296);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(fs::is_empty(Folder("command")));
    // a confidence level outside (0, 1) is refused before anything runs (1.5
    // named the limit files "lim1250.dat" and "lim-250.dat")
    const char* szLevel = "the confidence level must lie between 0 and 1";
    script.expectMessageBox("This Monte-Carlo routine", IDYES)
        .expectInput("number of simulations", "3")
        .expectInput("confidence level for display", "1.5")
        .expectMessageBox(szLevel, IDOK);
    Run(script, 296);
    script.expectMessageBox("It will not optimize at each step non-linear parameters", IDYES)
        .expectInput("number of simulations", "3")
        .expectInput("confidence level of regularization (P-value, recommended 0.68)", "0")
        .expectMessageBox(szLevel, IDOK);
    Run(script, 546);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(fs::is_empty(Folder("command")));
    EXPECT_EQ(ppMCDistributions, nullptr);

    seedRandomNumbers(1u);
    script.expectMessageBox("This Monte-Carlo routine", IDYES)
        .expectInput("number of simulations", "3")
        .expectInput("confidence level for display", "0.95")
        .expectSaveFile("select directory (keep dummy filename) for Distributions", file)
        .expectMessageBox("write distribution to file at each iteration?", IDYES)
        .expectInput("change confidence level", "1.5")
        .expectMessageBox(szLevel, IDOK)
        .expectInput("change confidence level", "0.68")
        .expectInputCancel("change confidence level");
    Run(script, 296);
    EXPECT_EQ(script.pending(), 0u);
    const std::string dir = Folder("command") + "/";
    for (const char* name : {"0.dat", "3.dat", "lim 25.dat", "lim975.dat", "lim160.dat", "lim840.dat", "mean.dat"})
        EXPECT_TRUE(fileThere(dir + name)) << name;
    EXPECT_FALSE(fileThere(dir + "lim1250.dat"));
    EXPECT_FALSE(fileThere(dir + "lim-250.dat"));
    EXPECT_TRUE(transcriptShows(script, "\"SET PREFERENCE\""));
    // ended: no rows, no limit curves, the distribution of the data shown
    EXPECT_EQ(ppMCDistributions, nullptr);
    EXPECT_EQ(pDistPlot->nCurves, nCurves);

    script.expectMessageBox("It will not optimize at each step non-linear parameters", IDYES)
        .expectInput("number of simulations", "3")
        .expectInput("confidence level of regularization (P-value, recommended 0.68)", "0.68")
        .expectInput("left integration limit (smin)", "1")
        .expectInput("right integration limit (smax)", "10")
        .expectSaveFile("select directory (keep dummy filename) for Distributions", FileName("command2"))
        .expectMessageBox("write distribution to file at each iteration?", IDNO)
        .expectMessageBox("average sw", IDOK)
        .expectMessageBox("other integration limits?", IDYES)
        .expectInput("left integration limit (smin)", "3")
        .expectInput("right integration limit (smax)", "5")
        .expectMessageBox("average sw", IDOK)
        .expectMessageBox("other integration limits?", IDNO);
    Run(script, 546);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bMCWeightAvgS, 1);
    EXPECT_FALSE(fileThere(Folder("command2") + "/0.dat"));
    EXPECT_EQ(ppMCDistributions, nullptr);
}
