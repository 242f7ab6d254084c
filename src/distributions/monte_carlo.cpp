// Monte-Carlo statistics of distributions (see monte_carlo.h).
#include "distributions/monte_carlo.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_finish.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/max_entropy.h"
#include "distributions/neq_builders.h"
#include "distributions/neq_rows.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/interpolate_grid.h"
#include "numerics/random.h"
#include "numerics/sorting_interpolation.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"

int nMCIterations = 0;
int nMCIteration = 0;
float fMCRmsd = 0.0f;
float** ppMCDistributions = nullptr;
float** ppMCMarginals = nullptr;
float* pMCMean = nullptr;
float* pMCLowerLimit = nullptr;
float* pMCUpperLimit = nullptr;
float** ppMCScanCopies = nullptr;
char szMCFileName[260] = "";
unsigned char bMCWeightAvgS = 0;
CVector* pMCUpperVector = nullptr;
CVector* pMCLowerVector = nullptr;
CCurve* pMCUpperCurve = nullptr;
CCurve* pMCLowerCurve = nullptr;
unsigned char bMCCurvesAdded = 0;
MCWeightAvgResults mcWeightAvgResults;

namespace {

// The blocks behind the rows and vectors, and their sizes.
float* pRowBlock = nullptr;      // (nMC + 1) x (nRow + 1) rows, then the mean
float* pMarginalBlock = nullptr;  // (nMC + 1) x (nResolution + 1)
float* pLimitBlock = nullptr;     // lower, then upper limit
int nRowsAllocated = 0;           // nMC + 1
int nRowLength = 0;               // n of the rows
int nLimitLength = 0;             // nResolution of the mean and limits
// The scans the copies were made for.
int nCopyScans = 0;
// The plot the limit curves were put into.
CWINPlot* pCurvesPlot = nullptr;

constexpr const char* szTitle = "Monte Carlo for Distributions";

template <class T>
void deleteAndNull(T*& p)
{
    delete p;
    p = nullptr;
}

void mcText(TXLAWindow* pWindow, int x, int y, const char* szText)
{
    if (!bWindowPainted || !pWindow) return;
    win::HDC dc = pWindow->GetDC();
    if (!dc) return;
    win::TextOut(dc, x, y, szText, static_cast<int>(std::strlen(szText)));
    pWindow->ReleaseDC(dc);
}

// Drive and directory of the run's file name, and a file there.
std::string mcFilePath(const char* szName)
{
    const ScanPathParts p = splitScanPath(szMCFileName);
    return p.drive + p.dir + szName + ".dat";
}

std::string iterationFilePath(int k)
{
    char sz[32];
    std::snprintf(sz, sizeof sz, "%d", k);
    return mcFilePath(sz);
}

// The distribution of the iteration in progress into its file: the curve of
// the one-dimensional models, the six columns of the two-dimensional ones.
void saveIterationFile()
{
    const std::string path = iterationFilePath(nMCIteration);
    if (isTwoDimensionalModel())
        saveDistributionFile(path.c_str());
    else if (pDistCurve)
        pDistCurve->SaveColumnsExp(path.c_str());
}

// pDistValues := the marginal of the two-dimensional values over f/f0.
void marginalIntoDistValues()
{
    const int n = nResolution;
    for (int j = 1; j <= n; j++) {
        float v = 0.0f;
        for (int p = 1; static_cast<float>(p) <= fFf0Resolution && (p - 1) * n + j <= nCsGridTotal; p++)
            v += pCsFf0Values[(p - 1) * n + j];
        pDistValues[j] = v;
    }
}

// The solution into the result (as densities) and into row k.
void storeSolution(int k)
{
    if (!isTwoDimensionalModel()) {
        for (int i = 1; i <= nResolution; i++) pDistValues[i] = static_cast<float>(pNESolution[i]);
        convertAmplitudesToDensity();
        std::memcpy(ppMCDistributions[k] + 1, pDistValues + 1, sizeof(float) * static_cast<size_t>(nResolution));
        return;
    }
    for (int j = 1; j <= nCsGridTotal; j++) pCsFf0Values[j] = static_cast<float>(pNESolution[j]);
    marginalIntoDistValues();
    convertAmplitudesToDensity();
    std::memcpy(ppMCDistributions[k] + 1, pCsFf0Values + 1, sizeof(float) * static_cast<size_t>(nCsGridTotal));
    std::memcpy(ppMCMarginals[k] + 1, pDistValues + 1, sizeof(float) * static_cast<size_t>(nResolution));
}

// The values of grid point j in rows 1..nMC (the marginal rows of the
// two-dimensional models).
float rowValue(int k, int j)
{
    return isTwoDimensionalModel() ? ppMCMarginals[k][j] : ppMCDistributions[k][j];
}

// The synthetic data of every scan onto the noise grid. A resampled grid
// (absorbance data, and every kind whose scans were resampled) takes them by
// interpolation; the shared grid of equal scans takes each synthetic vector
// as the scan's row, as it takes the scan's signal.
void synthesizeOntoNoiseGrid()
{
    for (int k = 1; k <= nScans; k++) {
        const int n = pScanPoints[k];
        const float* pCopy = ppMCScanCopies[k];
        float* y = ppModelPart[k];
        for (int p = 1; p <= n; p++) y[p] = static_cast<float>(pCopy[p] + gaussianRandom(fMCRmsd));
        if (bScanOnNoiseGridOwned) {
            float* row = ppScanOnNoiseGrid[k];
            for (int j = 1; j <= nNoiseGridPoints; j++) row[j] = 0.0f;
            interpolateOnGrid(nNoiseGridPoints, pNoiseGrid, row, n, ppRadius[k], y);
        } else {
            ppScanOnNoiseGrid[k] = y;
        }
    }
}

// The regularization of one iteration at the restored confidence level.
void regularizeIteration()
{
    if (!isTwoDimensionalModel() && (bRegMaxEnt || bRegBothShown))
        regularizeMaxEntropy();
    else
        regularizeDistribution();
}

// ---------------------------------------------------------------- right sides

// The build in progress of the workers.
const CNERowJob* pMCJob = nullptr;
int nMCWorkers = 1;
double* pMCPartialSums = nullptr;

bool hasPartialSums(const CNERowJob& job) { return job.model != ENoiseModel::RI; }

// Prepare: the means of the synthetic data (the Lamm solutions' means are
// the reference's), y'y cleared.
void prepareRightSides(const CNERowJob& job)
{
    dSumSquaredData = 0.0;
    computeNEDataMeans(job);
}

// Finish: y'y of the radial-invariant model from the centred data.
void finishRightSides(const CNERowJob& job)
{
    if (job.model == ENoiseModel::RI) dSumSquaredData = riSumSquaredData(job);
}

// Rows first, first + step, ... in blocks; y'y with the block of row 1.
template <class Stop>
void rightSidesOfRows(const CNERowJob& job, int nFirst, int nStep, double* pdSumSquares, Stop&& stop)
{
    CNERowScratch scratch(job);
    int rows[nNERowBlock];
    for (int i1 = nFirst; i1 <= job.n; i1 += nStep * nNERowBlock) {
        int nRows = 0;
        for (int i = i1; i <= job.n && nRows < nNERowBlock; i += nStep) rows[nRows++] = i;
        accumulateRightSides(job, rows, nRows, scratch, (i1 == 1 && hasPartialSums(job)) ? pdSumSquares : nullptr,
                             stop);
    }
}

void singleThreadedRightSides(ENoiseModel model)
{
    const CNERowJob job = makeNERowJob(model);
    prepareRightSides(job);
    auto stop = [] {
        if (bInterruptComputation.load()) return true;
        if (keyPressed()) {
            bInterruptComputation = 1;
            return true;
        }
        return false;
    };
    rightSidesOfRows(job, 1, 1, &dSumSquaredData, stop);
    finishRightSides(job);
}

void threadedRightSides(TXLAWindow* pWindow)
{
    const CNERowJob job = makeNERowJob(noiseModelFromSwitches());
    const int N = nNEQThreads > 0 ? nNEQThreads : 1;
    prepareRightSides(job);
    std::vector<double> partial(static_cast<size_t>(N) + 1, 0.0);
    pMCPartialSums = hasPartialSums(job) ? partial.data() : nullptr;
    pMCJob = &job;
    nMCWorkers = N;
    std::unique_ptr<MCMultiContiNEQThread[]> threads(new MCMultiContiNEQThread[N + 1]);
    for (int k = 1; k <= N; k++) threads[k].nThreadNumber = k;
    for (int k = 1; k <= N; k++)
        if (!threads[k].Start()) bInterruptComputation = 1;  // its rows stay unfinished
    for (int k = 1; k <= N; k++) threads[k].WaitForSelf(win::TThread::NoLimit);
    threads.reset();
    pMCJob = nullptr;
    pMCPartialSums = nullptr;
    finishRightSides(job);
    if (hasPartialSums(job)) {
        double sum = 0.0;
        for (int k = 1; k <= N; k++) sum += partial[static_cast<size_t>(k)];
        dSumSquaredData = sum;
    }
    (void)pWindow;
}

}  // namespace

// ---------------------------------------------------------------- right sides

MCMultiContiNEQThread::MCMultiContiNEQThread() = default;

MCMultiContiNEQThread::~MCMultiContiNEQThread() = default;

int MCMultiContiNEQThread::Run()
{
    SetPriority(Highest);  // recorded only
    const int k = nThreadNumber;
    if (!pMCJob || k < 1) return 0;
    // the grid points i with i mod N = k - 1
    const int nFirst = k > 1 ? k - 1 : nMCWorkers;
    rightSidesOfRows(*pMCJob, nFirst, nMCWorkers, pMCPartialSums ? &pMCPartialSums[k] : nullptr,
                     [] { return bInterruptComputation.load() != 0; });
    return 0;
}

void mcRightSidePlain() { singleThreadedRightSides(ENoiseModel::Plain); }
void mcRightSideBaseline() { singleThreadedRightSides(ENoiseModel::Baseline); }
void mcRightSideTI() { singleThreadedRightSides(ENoiseModel::TI); }
void mcRightSideRI() { singleThreadedRightSides(ENoiseModel::RI); }
void mcRightSideTIRI() { singleThreadedRightSides(ENoiseModel::TIRI); }

void buildMonteCarloRightSides(TXLAWindow* pWindow)
{
    if (bMultiThreaded) {
        threadedRightSides(pWindow);
        return;
    }
    switch (noiseModelFromSwitches()) {
    case ENoiseModel::TIRI: mcRightSideTIRI(); break;
    case ENoiseModel::TI: mcRightSideTI(); break;
    case ENoiseModel::RI: mcRightSideRI(); break;
    case ENoiseModel::Baseline: mcRightSideBaseline(); break;
    default: mcRightSidePlain(); break;
    }
}

// ---------------------------------------------------------------- storage

bool allocMonteCarloArrays(int nMC)
{
    freeMonteCarloArrays();
    if (nMC < 1) return false;
    const bool b2D = isTwoDimensionalModel();
    const int n = b2D ? nCsGridTotal : nResolution;
    const int nRes = nResolution;
    if (n < 1 || nRes < 1) return false;
    const size_t nRows = static_cast<size_t>(nMC) + 1;
    const size_t nRow = static_cast<size_t>(n) + 1, nRowRes = static_cast<size_t>(nRes) + 1;
    pRowBlock = new (std::nothrow) float[nRows * nRow + nRowRes]();
    ppMCDistributions = new (std::nothrow) float*[nRows]();
    pLimitBlock = new (std::nothrow) float[2 * nRowRes]();
    if (b2D) {
        pMarginalBlock = new (std::nothrow) float[nRows * nRowRes]();
        ppMCMarginals = new (std::nothrow) float*[nRows]();
    }
    if (!pRowBlock || !ppMCDistributions || !pLimitBlock || (b2D && (!pMarginalBlock || !ppMCMarginals))) {
        freeMonteCarloArrays();
        return false;
    }
    for (size_t k = 0; k < nRows; k++) {
        ppMCDistributions[k] = pRowBlock + k * nRow;
        if (b2D) ppMCMarginals[k] = pMarginalBlock + k * nRowRes;
    }
    pMCMean = pRowBlock + nRows * nRow;
    pMCLowerLimit = pLimitBlock;
    pMCUpperLimit = pLimitBlock + nRowRes;
    nRowsAllocated = static_cast<int>(nRows);
    nRowLength = n;
    nLimitLength = nRes;
    nMCIterations = nMC;
    return true;
}

void freeMonteCarloArrays()
{
    // the limit curves view the limit vectors
    clearMonteCarloPlots();
    delete[] pRowBlock;
    delete[] ppMCDistributions;
    delete[] pMarginalBlock;
    delete[] ppMCMarginals;
    delete[] pLimitBlock;
    pRowBlock = pMarginalBlock = pLimitBlock = nullptr;
    ppMCDistributions = ppMCMarginals = nullptr;
    pMCMean = pMCLowerLimit = pMCUpperLimit = nullptr;
    nRowsAllocated = nRowLength = nLimitLength = 0;
}

bool allocMonteCarloScanCopies()
{
    freeMonteCarloScanCopies();
    if (nScans < 1 || !pScanPoints) return false;
    ppMCScanCopies = new (std::nothrow) float*[static_cast<size_t>(nScans) + 1]();
    if (!ppMCScanCopies) return false;
    nCopyScans = nScans;
    for (int k = 1; k <= nScans; k++) {
        ppMCScanCopies[k] = new (std::nothrow) float[static_cast<size_t>(pScanPoints[k]) + 1]();
        if (!ppMCScanCopies[k]) {
            freeMonteCarloScanCopies();
            return false;
        }
    }
    return true;
}

void freeMonteCarloScanCopies()
{
    if (ppMCScanCopies)
        for (int k = 1; k <= nCopyScans; k++) delete[] ppMCScanCopies[k];
    delete[] ppMCScanCopies;
    ppMCScanCopies = nullptr;
    nCopyScans = 0;
}

void createMonteCarloPlots()
{
    clearMonteCarloPlots();
    if (!pDistCurve || !pDistCurve->pX || !pMCUpperLimit || !pMCLowerLimit || nLimitLength < 1) return;
    pMCUpperVector = new CVector;
    pMCUpperVector->Attach(pMCUpperLimit, static_cast<unsigned>(nLimitLength), 1);
    pMCLowerVector = new CVector;
    pMCLowerVector->Attach(pMCLowerLimit, static_cast<unsigned>(nLimitLength), 1);
    pMCUpperCurve = new CCurve(pDistCurve->pX, pMCUpperVector);
    pMCLowerCurve = new CCurve(pDistCurve->pX, pMCLowerVector);
}

void clearMonteCarloPlots()
{
    // Only the curves this run put in, and only from the plot they went into
    // (a plot built since holds none of them).
    if (bMCCurvesAdded && pDistPlot && pDistPlot == pCurvesPlot && pDistPlot->nCurves > 1 && !bSerialFitRunning) {
        const int n = pDistPlot->nCurves;
        if (pDistPlot->pCurves[n - 1] == pMCLowerCurve && pDistPlot->pCurves[n - 2] == pMCUpperCurve) {
            pDistPlot->RemoveLastCurve();
            pDistPlot->RemoveLastCurve();
        }
    }
    bMCCurvesAdded = 0;
    pCurvesPlot = nullptr;
    deleteAndNull(pMCUpperCurve);
    deleteAndNull(pMCLowerCurve);
    deleteAndNull(pMCUpperVector);
    deleteAndNull(pMCLowerVector);
}

void endMonteCarlo(TXLAWindow* pWindow)
{
    freeMonteCarloArrays();
    clearMonteCarloPlots();
    // the current distribution again, when a run left its equations
    if (pNESolution && pNEMatrix && pLammSolutions && pDistValues) finishContiSed(pWindow);
}

// ---------------------------------------------------------------- statistics

void monteCarloRanks(float P, int nCount, int* pnLow, int* pnHigh)
{
    const float fTail = (1.0f - P) / 2.0f;
    const double dLow = std::floor(static_cast<double>(fTail * static_cast<float>(nCount)));
    const double dHigh = std::floor(static_cast<double>((fTail + P) * static_cast<float>(nCount)));
    // Ranks outside the values are held to the smallest and the largest.
    auto hold = [nCount](double d) { return static_cast<int>(d < 1.0 ? 1.0 : d > nCount ? nCount : d); };
    *pnLow = hold(dLow);
    *pnHigh = hold(dHigh);
}

void plotMonteCarloLimits(float P)
{
    const int nMC = nMCIterations;
    const int n = nResolution;
    if (!ppMCDistributions || !pMCMean || nMC < 1 || n != nLimitLength || !pDistValues) return;
    int kLow = 1, kHigh = 1;
    monteCarloRanks(P, nMC, &kLow, &kHigh);
    std::vector<float> scratch(static_cast<size_t>(nMC) + 1);
    for (int j = 1; j <= n; j++) {
        double dSum = 0.0;
        for (int k = 1; k <= nMC; k++) {
            scratch[static_cast<size_t>(k)] = rowValue(k, j);
            dSum += scratch[static_cast<size_t>(k)];
        }
        pMCMean[j] = static_cast<float>(dSum / nMC);
        pMCLowerLimit[j] = selectKthSmallest(kLow, nMC, scratch.data());
        pMCUpperLimit[j] = selectKthSmallest(kHigh, nMC, scratch.data());
    }
    // The files through the distribution curve, whose y is pDistValues.
    auto write = [n](const float* pValues, const char* szName) {
        std::memcpy(pDistValues + 1, pValues + 1, sizeof(float) * static_cast<size_t>(n));
        if (pDistCurve) pDistCurve->SaveColumnsExp(mcFilePath(szName).c_str());
    };
    const float fTail = (1.0f - P) / 2.0f;
    char sz[40];
    std::snprintf(sz, sizeof sz, "lim%3.0f", static_cast<double>((fTail + P) * 1000.0f));
    write(pMCUpperLimit, sz);
    std::snprintf(sz, sizeof sz, "lim%3.0f", static_cast<double>(fTail * 1000.0f));
    write(pMCLowerLimit, sz);
    write(pMCMean, "mean");
    if (pDistPlot) {
        pDistPlot->Rescale();
        pDistPlot->Draw();
    }
}

namespace {

// Mean, standard deviation (about the mean, over the count) and the limits
// at the two ranks of values[1..count] (rearranged).
void sampleStatistics(std::vector<float>& v, int nCount, float P, float* pfMean, float* pfSd, float* pfLow,
                      float* pfHigh)
{
    double dSum = 0.0;
    for (int k = 1; k <= nCount; k++) dSum += v[static_cast<size_t>(k)];
    const double dMean = dSum / nCount;
    double dSq = 0.0;
    for (int k = 1; k <= nCount; k++) {
        const double d = v[static_cast<size_t>(k)] - dMean;
        dSq += d * d;
    }
    int kLow = 1, kHigh = 1;
    monteCarloRanks(P, nCount, &kLow, &kHigh);
    *pfMean = static_cast<float>(dMean);
    *pfSd = static_cast<float>(std::sqrt(dSq / nCount));
    *pfLow = selectKthSmallest(kLow, nCount, v.data());
    *pfHigh = selectKthSmallest(kHigh, nCount, v.data());
}

}  // namespace

void monteCarloWeightAvgS(TXLAWindow* pWindow, float smin, float smax, float P)
{
    const int nMC = nMCIterations;
    if (!ppMCDistributions || nMC < 1 || !pDistValues || nResolution != nLimitLength) return;
    std::vector<float> c(1), sw(1);
    const std::vector<float> shown(pDistValues, pDistValues + nResolution + 1);
    for (int k = 1; k <= nMC; k++) {
        const float* pRow = isTwoDimensionalModel() ? ppMCMarginals[k] : ppMCDistributions[k];
        std::memcpy(pDistValues + 1, pRow + 1, sizeof(float) * static_cast<size_t>(nResolution));
        float fArea = 0.0f, fMean = 0.0f;
        integrateDistribution(smin, smax, &fArea, &fMean, nullptr, nullptr, nullptr, nullptr);
        c.push_back(fArea);
        // a row without signal in the range has no weight-average s
        if (fArea > 0.0f) sw.push_back(fMean);
    }
    std::memcpy(pDistValues, shown.data(), sizeof(float) * shown.size());
    const int m = static_cast<int>(sw.size()) - 1;
    MCWeightAvgResults r;
    if (m > 0) sampleStatistics(sw, m, P, &r.fMeanS, &r.fSdS, &r.fLowerS, &r.fUpperS);
    sampleStatistics(c, nMC, P, &r.fMeanC, &r.fSdC, &r.fLowerC, &r.fUpperC);
    if (bSerialFitRunning) {
        mcWeightAvgResults = r;
        return;
    }
    char sz[600];
    std::snprintf(sz, sizeof sz,
                  "average sw = %.6f\n %.3f %% confidence interval from %.6f to %.6f\navg error = %.6f\n(simple stddev "
                  "of all values = %.6f, assuming Gaussian distributed error)\naverage c = %.4f, confidence interval "
                  "from %.6f to %.6f",
                  r.fMeanS, 100.0 * P, r.fLowerS, r.fUpperS, (r.fUpperS - r.fLowerS) / 2.0, r.fSdS, r.fMeanC,
                  r.fLowerC, r.fUpperC);
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, sz, szTitle, win::MB_OK);
}

void runMonteCarloWeightAvgS(TXLAWindow* pWindow, int nMC, float P, float smin, float smax, const char* szFileName,
                             int bSaveEach)
{
    runMonteCarloDistributions(pWindow, nMC, P, szFileName, bSaveEach);
    monteCarloWeightAvgS(pWindow, smin, smax, P);
}

// ---------------------------------------------------------------- the driver

namespace {

// The reference left normal equations to work on.
bool referenceBuilt()
{
    if (bInterruptComputation || !pNEMatrix || !pNERightSide || !pNESolution || !pLammSolutions) return false;
    const int n = isTwoDimensionalModel() ? nCsGridTotal : nResolution;
    double dTrace = 0.0;
    for (int i = 1; i <= n; i++) dTrace += pNEMatrix[i][i];
    return dTrace > 0.0;
}

void endFailedRun()
{
    bMonteCarloRun = 0;
    bInterruptComputation = 0;
    freeMonteCarloScanCopies();
    freeMonteCarloArrays();
    nMCIterations = 0;
}

}  // namespace

bool beginMonteCarloRun(TXLAWindow* pWindow, int nMC, const char* szFileName, int bSaveEach)
{
    const bool b2D = isTwoDimensionalModel();
    // 3.
    bMonteCarloRun = 1;
    nMCIteration = 0;
    bUseScanRadii = 0;
    bSkipRegularization = 1;
    copyToBuffer(szMCFileName, sizeof szMCFileName, szFileName ? szFileName : "");
    if (!setupSGrid() || !allocMonteCarloArrays(nMC) || !allocMonteCarloScanCopies()) {
        endFailedRun();
        return false;
    }
    // 4.
    if (!bSerialFitRunning) {
        createMonteCarloPlots();
        if (pDistPlot && pMCUpperCurve && pMCLowerCurve) {
            pDistPlot->AddCurve(pMCUpperCurve);
            pDistPlot->AddCurve(pMCLowerCurve);
            pDistPlot->SetCurveColor(pDistPlot->nCurves - 2, win::RGB(255, 0, 0));
            pDistPlot->SetCurveColor(pDistPlot->nCurves - 1, win::RGB(0, 0, 255));
            bMCCurvesAdded = 1;
            pCurvesPlot = pDistPlot;
        }
    }
    // 5. The reference, unregularized.
    const float fP = fConfidenceLevel;
    fConfidenceLevel = 0.0f;
    bInterruptComputation = 0;
    RunContiSed(pWindow);
    fConfidenceLevel = fP;
    if (!referenceBuilt()) {
        endFailedRun();
        return false;
    }
    // 6.
    const int n = b2D ? nCsGridTotal : nResolution;
    if (!b2D) {
        for (int i = 1; i <= nResolution; i++) pDistValues[i] = static_cast<float>(pNESolution[i]);
    } else {
        for (int j = 1; j <= nCsGridTotal; j++) pCsFf0Values[j] = static_cast<float>(pNESolution[j]);
        marginalIntoDistValues();
    }
    convertAmplitudesToDensity();
    CalculateppAFit();
    // 7.
    for (int k = 1; k <= nScans; k++)
        std::memcpy(ppMCScanCopies[k] + 1, ppFit[k] + 1, sizeof(float) * static_cast<size_t>(pScanPoints[k]));
    fMCRmsd = calcRmsd();
    // 8. The reference in row 1 (iteration 1 takes its place).
    if (!b2D) {
        std::memcpy(ppMCDistributions[1] + 1, pDistValues + 1, sizeof(float) * static_cast<size_t>(n));
    } else {
        std::memcpy(ppMCDistributions[1] + 1, pCsFf0Values + 1, sizeof(float) * static_cast<size_t>(n));
        std::memcpy(ppMCMarginals[1] + 1, pDistValues + 1, sizeof(float) * static_cast<size_t>(nResolution));
    }
    if (bSaveEach) saveIterationFile();
    return true;
}

bool monteCarloIteration(TXLAWindow* pWindow, int k, int bSaveEach)
{
    nMCIteration = k;
    char sz[60];
    std::snprintf(sz, sizeof sz, "Monte-Carlo distribution #%d   ", k);
    mcText(pWindow, 10, 70, sz);
    synthesizeOntoNoiseGrid();
    buildMonteCarloRightSides(pWindow);
    if (bInterruptComputation) return false;
    regularizeIteration();
    storeSolution(k);
    if (bSaveEach) saveIterationFile();
    return true;
}

void finishMonteCarloRun(int nDone, float P)
{
    // A key ends the run: the statistics take the iterations completed.
    bInterruptComputation = 0;
    nMCIterations = nDone;
    // 10.
    bMonteCarloRun = 0;
    setupNoiseRadialGrid();
    // 11.
    if (!bSerialFitRunning && nDone >= 1) {
        if (isTwoDimensionalModel()) {
            for (int j = 1; j <= nCsGridTotal; j++) {
                float v = 0.0f;
                for (int k = 1; k <= nDone; k++) v += ppMCDistributions[k][j];
                pCsFf0Values[j] = v;
            }
            marginalIntoDistValues();
            saveDistributionFile(mcFilePath("_sum").c_str());
        }
        plotMonteCarloLimits(P);
    }
    // 12.
    freeMonteCarloScanCopies();
}

void runMonteCarloDistributions(TXLAWindow* pWindow, int nMC, float P, const char* szFileName, int bSaveEach)
{
    // 1. - 2.
    if (bRegBothShown && !bSerialFitRunning && pWindow)
        win::MessageBox(pWindow->HWindow, "only calculating for maximum entropy regularization", szTitle, win::MB_OK);
    if (!pWindow || nScans < 1 || nMC < 2) return;
    // 3. - 8.
    if (!beginMonteCarloRun(pWindow, nMC, szFileName, bSaveEach)) return;
    // 9.
    int nDone = 0;
    for (int k = 1; k <= nMC; k++) {
        if (!monteCarloIteration(pWindow, k, bSaveEach)) break;
        nDone = k;
        if (bInterruptComputation) break;
    }
    // 10. - 12.
    finishMonteCarloRun(nDone, P);
}
