// Normal equations on worker threads.
#include "distributions/neq_threads.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/neq_builders.h"
#include "distributions/neq_rows.h"
#include "distributions/normal_equations.h"
#include "numerics/nrutil.h"
#include "plot/key_polling.h"

MultiContiNEQThread* pNEQThreads = nullptr;
int nNEQRowCount = 0;
double* pNEQPartialSums = nullptr;

namespace {

// The build the workers serve, their count and their progress.
const CNERowJob* pJob = nullptr;
int nWorkers = 1;
std::unique_ptr<std::atomic<float>[]> workerProgress;

void debugLog(TXLAWindow* pWindow, const char* szText)
{
    if (pWindow) pWindow->DebugLog(szText);
}

}  // namespace

MultiContiNEQThread::MultiContiNEQThread() = default;

MultiContiNEQThread::~MultiContiNEQThread() = default;

int MultiContiNEQThread::Run()
{
    SetPriority(Highest);  // recorded only
    const int k = nThreadNumber;
    if (!pJob || k < 1) return 0;
    const CNERowJob& job = *pJob;
    CNERowScratch scratch(job);
    const double n = job.n;
    const bool bPartialSum = job.model != ENoiseModel::RI && pNEQPartialSums;
    // The means of the own grid points first: the centring of a row needs
    // its own point's means only. They are made whole also when a key stops
    // the rows (the fit from a solution reads them).
    for (int i = k; i <= nNEQRowCount; i += nWorkers) computeNEBasisMeansOfRow(job, i);
    // The own rows k, k + N, ... in blocks.
    int rows[nNERowBlock];
    for (int i1 = k; i1 <= nNEQRowCount; i1 += nWorkers * nNERowBlock) {
        int nRows = 0;
        for (int i = i1; i <= nNEQRowCount && nRows < nNERowBlock; i += nWorkers) rows[nRows++] = i;
        const double iLast = rows[nRows - 1];
        workerProgress[k].store(static_cast<float>(iLast * iLast / (n * n)), std::memory_order_relaxed);
        accumulateNERows(job, rows, nRows, scratch, (i1 == 1 && bPartialSum) ? &pNEQPartialSums[k] : nullptr,
                         [] { return bInterruptComputation.load() != 0; });
    }
    return 0;
}

void runNormalEquationsMT(TXLAWindow* pWindow)
{
    debugLog(pWindow, "\n\tnormal equations prep");
    // Preparation: the means of the data (those of the Lamm solutions are
    // the workers', each of its own rows).
    const CNERowJob job = makeNERowJob(noiseModelFromSwitches());
    const int N = nNEQThreads > 0 ? nNEQThreads : 1;
    nNEQRowCount = job.n;
    dSumSquaredData = 0.0;
    if (job.model != ENoiseModel::RI) pNEQPartialSums = dvector(1, N);
    computeNEDataMeans(job);

    pJob = &job;
    nWorkers = N;
    workerProgress = std::make_unique<std::atomic<float>[]>(static_cast<size_t>(N) + 1);
    for (int k = 0; k <= N; k++) workerProgress[k].store(0.0f);
    pNEQThreads = new MultiContiNEQThread[N + 1];
    debugLog(pWindow, ", allocated threads");
    for (int k = 1; k <= N; k++) pNEQThreads[k].nThreadNumber = k;
    for (int k = 1; k <= N; k++)
        if (!pNEQThreads[k].Start()) bInterruptComputation = 1;  // its rows stay cleared
    // Waiting polls the keyboard; the progress of the workers is drawn here.
    const bool bShowProgress = bWindowPainted != 0;
    for (int k = 1; k <= N; k++) {
        while (pNEQThreads[k].WaitForSelf(bShowProgress ? 100 : win::TThread::NoLimit) == win::WAIT_TIMEOUT)
            for (int w = 1; w <= N; w++) showWorkerNEProgress(w, workerProgress[w].load(std::memory_order_relaxed));
    }
    debugLog(pWindow, ", all done");
    delete[] pNEQThreads;
    pNEQThreads = nullptr;
    pJob = nullptr;
    workerProgress.reset();
    debugLog(pWindow, ", deleted");

    // Finish: mirror; the sum of the squared data.
    finishNormalEquations(job);
    if (job.model != ENoiseModel::RI) {
        double sum = 0.0;
        for (int k = 1; k <= N; k++) sum += pNEQPartialSums[k];
        dSumSquaredData = sum;
        free_dvector(pNEQPartialSums, 1, N);
        pNEQPartialSums = nullptr;
    }
    if (job.model == ENoiseModel::TIRI) showNormalEquationsProgress(1.0f);
    debugLog(pWindow, ", finished");
}

// ---------------------------------------------------------------- passes over the scans

MultiContiScanPassThread::MultiContiScanPassThread() = default;

MultiContiScanPassThread::~MultiContiScanPassThread() = default;

int MultiContiScanPassThread::Run()
{
    SetPriority(Highest);  // recorded only
    if (!pPass || nThreadNumber < 1) return 0;
    for (int p = nThreadNumber; p <= nPositions; p += nWorkers) (*pPass)(p);
    return 0;
}

void runScanPassMT(int nPositions, const std::function<void(int)>& pass)
{
    const int N = std::min(nNEQThreads > 0 ? nNEQThreads : 1, nPositions);
    if (N <= 1) {
        for (int p = 1; p <= nPositions; p++) pass(p);
        return;
    }
    std::unique_ptr<MultiContiScanPassThread[]> workers(new MultiContiScanPassThread[N + 1]);
    for (int k = 1; k <= N; k++) {
        workers[k].nThreadNumber = k;
        workers[k].nWorkers = N;
        workers[k].nPositions = nPositions;
        workers[k].pPass = &pass;
    }
    for (int k = 1; k <= N; k++)
        if (!workers[k].Start())
            for (int p = k; p <= nPositions; p += N) pass(p);
    for (int k = 1; k <= N; k++) workers[k].WaitQuietly();
}
