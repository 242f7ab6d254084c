// The normal equations on worker threads against the single-threaded build,
// and the fit of every scan from a solution on workers against the serial loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_app.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/conti_scene.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/neq_rows.h"
#include "distributions/neq_threads.h"
#include "distributions/normal_equations.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"

using namespace contitest;

namespace {

void addBytes(std::vector<unsigned char>& v, const void* p, size_t bytes)
{
    const auto* c = static_cast<const unsigned char*>(p);
    v.insert(v.end(), c, c + bytes);
}

// The means of the Lamm solutions, as bytes.
std::vector<unsigned char> basisMeans()
{
    std::vector<unsigned char> v;
    for (int i = 1; i <= nResolution; i++) {
        addBytes(v, pNEMeanBasisRI[i] + 1, sizeof(double) * nScans);
        addBytes(v, pNEMeanBasisTI[i] + 1, sizeof(double) * nNoiseGridPoints);
    }
    addBytes(v, pNEMeanBasis + 1, sizeof(double) * nResolution);
    return v;
}

// Everything a build writes, as bytes.
std::vector<unsigned char> buildResult()
{
    const int n = nResolution;
    std::vector<unsigned char> v = basisMeans();
    auto add = [&v](const void* p, size_t bytes) { addBytes(v, p, bytes); };
    for (int i = 1; i <= n; i++) add(pNEMatrix[i] + 1, sizeof(double) * n);
    add(pNERightSide + 1, sizeof(double) * n);
    add(pNEMeanDataRI + 1, sizeof(double) * nScans);
    add(pNEMeanDataTI + 1, sizeof(double) * nNoiseGridPoints);
    for (const double* d : {&dSumSquaredData, &dNESumData, &dNEPointCount, &fNEMeanData}) add(d, sizeof(double));
    return v;
}

// A, b and the means of the Lamm solutions overwritten, so that a build
// must write them all.
void clearEquations()
{
    const int n = nResolution;
    for (int i = 1; i <= n; i++) {
        std::memset(pNEMatrix[i] + 1, 0xff, sizeof(double) * n);
        std::memset(pNEMeanBasisRI[i] + 1, 0xff, sizeof(double) * nScans);
        std::memset(pNEMeanBasisTI[i] + 1, 0xff, sizeof(double) * nNoiseGridPoints);
        pNERightSide[i] = pNEMeanBasis[i] = -1.0;
    }
}

struct NoiseSwitches {
    const char* name;
    unsigned char ti, ri, baseline;
};
const NoiseSwitches kModels[] = {
    {"plain", 0, 0, 0}, {"baseline", 0, 0, 1}, {"TI", 1, 0, 0}, {"RI", 0, 1, 0}, {"TI+RI", 1, 1, 0}};

void scene(int nGrid, int nScansWanted, int nPoints)
{
    SceneOptions o;
    o.nGrid = nGrid;
    o.nScans = nScansWanted;
    o.nPoints = nPoints;
    o.nFirstFitted = 4;
    o.nLastFitted = nPoints - 3;
    installScene(o);
    fillStepBases(sValues(nGrid, 0.5, 16.0));
    std::vector<double> c(nGrid + 1);
    for (int g = 1; g <= nGrid; g += 3) c[g] = 0.1 * g;
    unsigned state = 3;
    setData(
        c, [](double r) { return 0.01 * r * r; }, [](int k) { return 0.002 * k; },
        [&state](int, int) { return 0.004 * gaussian(state); });
}

}  // namespace

// Bit for bit the single-threaded result for every noise model and any
// number of workers, also more workers than rows.
TEST(NormalEquationThreads, EqualToTheSingleThreadedBuildBitForBit)
{
    scene(7, 5, 90);
    fBaseline = 0.02f;
    for (const NoiseSwitches& m : kModels) {
        SCOPED_TRACE(m.name);
        bFitTINoise = m.ti;
        bFitRINoise = m.ri;
        bAlgebraicBaseline = m.baseline;
        bMultiThreaded = 0;
        clearEquations();
        buildNormalEquations(nullptr, 1);
        const std::vector<unsigned char> single = buildResult();
        for (int N : {1, 2, 3, 8, 10}) {
            SCOPED_TRACE(N);
            bMultiThreaded = 1;
            nNEQThreads = N;
            clearEquations();
            buildNormalEquations(nullptr, 1);
            EXPECT_TRUE(single == buildResult());
            EXPECT_EQ(pNEQThreads, nullptr);
            EXPECT_EQ(pNEQPartialSums, nullptr);
        }
    }
}

// A key pressed while the workers build: every worker stops within one scan
// (at most the one block of rows in progress partly summed, its later rows
// cleared), the flag stays set, the data and the store are unchanged, and the
// means of the Lamm solutions (the workers take those of their rows) are
// whole: the fit from a solution reads them.
TEST(NormalEquationThreads, AKeyStopsEveryWorkerWithinOneScan)
{
    scene(200, 20, 600);
    bFitTINoise = bFitRINoise = 1;
    bMultiThreaded = 0;
    buildNormalEquations(nullptr, 1);
    const int n = nResolution;
    std::vector<std::vector<double>> reference(n + 1);
    for (int i = 1; i <= n; i++) {
        reference[i].assign(pNEMatrix[i] + 1, pNEMatrix[i] + i + 1);
        reference[i].push_back(pNERightSide[i]);
    }
    const std::vector<float> data = dataSnapshot(), store = storeSnapshot();
    const std::vector<unsigned char> means = basisMeans();
    for (int i = 1; i <= n; i++) pNEMeanBasis[i] = pNEMeanBasisRI[i][1] = pNEMeanBasisTI[i][1] = -1.0;

    const int N = 3;
    bMultiThreaded = 1;
    nNEQThreads = N;
    win::headless::Script script;
    script.pressKey('X');
    buildNormalEquations(nullptr, 1);
    EXPECT_EQ(bInterruptComputation.load(), 1);
    EXPECT_TRUE(data == dataSnapshot());
    EXPECT_TRUE(store == storeSnapshot());
    EXPECT_TRUE(means == basisMeans());
    for (int k = 1; k <= N; k++) {
        SCOPED_TRACE(k);
        int nPartial = 0;
        bool bStopped = false;
        for (int i = k; i <= n; i += N) {
            std::vector<double> row(pNEMatrix[i] + 1, pNEMatrix[i] + i + 1);
            row.push_back(pNERightSide[i]);
            if (!bStopped && row == reference[i]) continue;
            bStopped = true;
            bool bZero = true;
            for (double v : row) bZero = bZero && v == 0.0;
            if (!bZero) nPartial++;
        }
        EXPECT_TRUE(bStopped) << "worker " << k << " finished all its rows";
        EXPECT_LE(nPartial, nNERowBlock);
    }
    bInterruptComputation = 0;
}

namespace {

// What the fit from a solution writes, as bytes: every scan's fit and model
// part, the noise, the baseline.
std::vector<unsigned char> fitResult()
{
    std::vector<unsigned char> v;
    for (int k = 1; k <= nScans; k++) {
        addBytes(v, ppFit[k] + 1, sizeof(float) * pScanPoints[k]);
        addBytes(v, ppModelPart[k] + 1, sizeof(float) * pScanPoints[k]);
    }
    addBytes(v, pTINoiseSaved + 1, sizeof(float) * nNoiseGridPoints);
    addBytes(v, pRINoiseSaved + 1, sizeof(float) * nScans);
    addBytes(v, &fBaseline, sizeof fBaseline);
    addBytes(v, &pParamValue[15], sizeof(float));
    return v;
}

void clearFits()
{
    for (int k = 1; k <= nScans; k++) {
        std::memset(ppFit[k] + 1, 0xff, sizeof(float) * pScanPoints[k]);
        std::memset(ppModelPart[k] + 1, 0xff, sizeof(float) * pScanPoints[k]);
    }
    std::memset(pTINoiseSaved + 1, 0xff, sizeof(float) * nNoiseGridPoints);
    std::memset(pRINoiseSaved + 1, 0xff, sizeof(float) * nScans);
    fBaseline = pParamValue[15] = 0.5f;
}

}  // namespace

// The fit of every scan from a solution, shared out over the workers by scan,
// is the serial loop's to the bit for every noise model (the buffer signal of
// fixed amplitude folded in too) and any number of workers, more workers than
// scans included. The wait for them leaves the queue alone, as the serial
// loop does: a key pressed meanwhile stays queued and stops nothing.
TEST(NormalEquationThreads, TheFitOfEveryScanIsTheSerialOneBitForBit)
{
    scene(9, 7, 120);
    struct Case {
        const char* name;
        unsigned char ti, ri, baseline, buffer;
    };
    const Case kCases[] = {{"plain", 0, 0, 0, 0}, {"baseline", 0, 0, 1, 0}, {"TI", 1, 0, 0, 0},
                           {"RI", 0, 1, 0, 0},    {"TI+RI", 1, 1, 0, 0},    {"TI+RI fixed", 1, 1, 0, 1}};
    for (const Case& m : kCases) {
        SCOPED_TRACE(m.name);
        bFitTINoise = m.ti;
        bFitRINoise = m.ri;
        bAlgebraicBaseline = m.baseline;
        bBufferMismatch = m.buffer;
        bFitBufferSignal = 0;
        dBufferSignal = 1.0;
        fBaseline = 0.02f;
        bMultiThreaded = 0;
        buildNormalEquations(nullptr, 1);
        ASSERT_EQ(bBufferMismatchInNEQ, m.buffer);
        for (int g = 1; g <= nResolution; g++) pNESolution[g] = g == 1 && m.buffer ? 1.0 : 0.03 * g;
        clearFits();
        fBaseline = 0.02f;  // the plain model's
        CalculateppAFit();
        const std::vector<unsigned char> serial = fitResult();
        for (int N : {1, 2, 3, 5, 8, 10}) {
            SCOPED_TRACE(N);
            bMultiThreaded = 1;
            nNEQThreads = N;
            clearFits();
            fBaseline = 0.02f;
            CalculateppAFit();
            EXPECT_TRUE(serial == fitResult());
        }
    }
    bBufferMismatch = bBufferMismatchInNEQ = 0;

    win::headless::Script script;
    script.pressKey('K');
    bInterruptComputation = 0;
    nNEQThreads = 3;
    CalculateppAFit();
    EXPECT_EQ(bInterruptComputation.load(), 0);
    EXPECT_TRUE(keyPressed());
}

namespace {

// What the test runs at the first poll of the user-interface thread's wait
// for the workers, while the build's progress line is up.
std::function<void()> onFirstWaitPoll;
win::WaitPollFunction pKeyPoll = nullptr;

void waitPollOfTheTest()
{
    if (onFirstWaitPoll) {
        const std::function<void()> f = std::move(onFirstWaitPoll);
        onFirstWaitPoll = nullptr;
        f();
    }
    if (pKeyPoll) pKeyPoll();
}

}  // namespace

// How far a build has got. The single-threaded build without a progress line
// writes it at (10, 50): at the end every row is summed, 100 percent. With
// workers the user-interface thread draws what they report on the progress
// line, also when there is only one: half the rows reported fill half the
// line.
TEST_F(ContiRunTest, NormalEquationBuildsShowHowFarTheyHaveGot)
{
    ASSERT_TRUE(bWindowPainted);
    pMainWindow = window.get();  // as the application's window is
    scene(20, 5, 120);
    bMultiThreaded = 0;
    const win::RECT textBand = {0, 44, 700, 72};
    WhiteOut(textBand);
    buildNormalEquations(nullptr, 1);
    const std::vector<win::COLORREF> shown = PixelsOf(textBand);
    WhiteOut(textBand);
    TextAt(10, 50, "calculating normal equations (100 percent done - hit any key to interrupt...)");
    EXPECT_TRUE(PixelsOf(textBand) == shown);

    // the line stands at (10, 65), 100 pixels long and four rows high
    const win::RECT lineBand = {0, 60, 200, 72};
    auto count = [](const std::vector<win::COLORREF>& pixels, win::COLORREF colour) {
        return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
    };
    int nHalf = -1, nWhole = -1;
    onFirstWaitPoll = [&] {
        showWorkerNEProgress(1, 0.5f);
        const std::vector<win::COLORREF> half = PixelsOf(lineBand);
        showWorkerNEProgress(1, 1.0f);
        const std::vector<win::COLORREF> whole = PixelsOf(lineBand);
        const win::COLORREF line = whole[static_cast<size_t>(5 * 200 + 10)];  // (10, 65)
        nHalf = count(half, line);
        nWhole = count(whole, line);
    };
    pKeyPoll = win::GetWaitPoll();
    win::SetWaitPoll(&waitPollOfTheTest);
    bMultiThreaded = 1;
    nNEQThreads = 1;
    buildNormalEquations(window.get(), 1);
    win::SetWaitPoll(pKeyPoll);
    onFirstWaitPoll = nullptr;
    EXPECT_EQ(nWhole, 400);
    EXPECT_EQ(nHalf, 200);
}
