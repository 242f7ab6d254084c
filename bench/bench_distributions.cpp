// The distribution solvers: the normal equations with noise elimination on 1,
// 2 and 8 threads (wall time and the CPU time of the whole process), the
// regularized non-negative solution (n = 500, and the two-dimensional stress
// case of 1000 variables), and the two regularizations at n = 100 on a
// c(s)-like problem.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/max_entropy.h"
#include "distributions/neq_builders.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"

namespace {

// A velocity experiment on the noise grid: nScans scans of nPoints radii from
// 6.05 to 7.15 cm at 50000 rpm, grid points of s from 1 to 15 S (with
// nSlices frictional ratios for the two-dimensional grid), and data from a
// two-peak distribution plus a radial profile, scan offsets and noise.
struct TBenchScene {
    int nGrid, nSlices;

    TBenchScene(int nS, int nSlicesWanted, int nScansWanted, int nPoints) : nGrid(nS * nSlicesWanted), nSlices(nSlicesWanted)
    {
        nScans = nScansWanted;
        nNoiseGridPoints = nPoints;
        pNoiseGrid = vector(1, nPoints);
        for (int j = 1; j <= nPoints; j++) pNoiseGrid[j] = static_cast<float>(6.05 + 1.1 * (j - 1) / (nPoints - 1));
        ppScanOnNoiseGrid = new float*[nScans + 1]();
        for (int k = 1; k <= nScans; k++) ppScanOnNoiseGrid[k] = vector(1, nPoints);
        nNoiseGridFirst = 1;
        nNoiseGridLast = nPoints;
        nResolution = nS;
        nNEQSize = nS;
        nCsGridTotal = nGrid;
        fFf0Resolution = static_cast<float>(nSlicesWanted);
        allocLammSolutionStore(nGrid, nScans, nPoints);
        allocNormalArrays(nGrid, nScans, nPoints);
        const double w2 = std::pow(50000.0 * 2.0 * M_PI / 60.0, 2);
        std::vector<double> truth(nGrid + 1);
        for (int slice = 1; slice <= nSlicesWanted; slice++)
            for (int i = 1; i <= nS; i++) {
                const int g = (slice - 1) * nS + i;
                const double s = 1.0 + 14.0 * (i - 1) / std::max(nS - 1, 1);
                const double D = 6e-7 * std::sqrt(4.0 / s) * (1.0 + 0.5 * (slice - 1) / std::max(nSlicesWanted, 1));
                truth[g] = (std::exp(-std::pow((s - 4.0) / 0.4, 2)) + 0.5 * std::exp(-std::pow((s - 9.0) / 0.6, 2))) *
                           (slice == (nSlicesWanted + 1) / 2 ? 1.0 : 0.0);
                for (int k = 1; k <= nScans; k++) {
                    const double t = 600.0 + 3000.0 * (k - 1) / std::max(nScans - 1, 1);
                    const double e = w2 * s * 1e-13 * t;
                    const double rb = 6.0 * std::exp(e), width = std::sqrt(4.0 * D * t);
                    for (int j = 1; j <= nPoints; j++)
                        pLammSolutions[g][k][j] =
                            static_cast<float>(std::exp(-2.0 * e) * 0.5 * std::erfc((rb - pNoiseGrid[j]) / width));
                }
            }
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0.0, 0.005);
        for (int k = 1; k <= nScans; k++)
            for (int j = 1; j <= nPoints; j++) {
                double y = 0.02 * std::sin(9.0 * pNoiseGrid[j]) + 0.003 * k + noise(rng);
                for (int g = 1; g <= nGrid; g++)
                    if (truth[g] != 0.0) y += truth[g] * pLammSolutions[g][k][j];
                ppScanOnNoiseGrid[k][j] = static_cast<float>(y);
            }
    }

    ~TBenchScene()
    {
        freeNormalArrays(nGrid);
        freeLammSolutionStore(nGrid);
        for (int k = 1; k <= nScans; k++) free_vector(ppScanOnNoiseGrid[k], 1, nNoiseGridPoints);
        delete[] ppScanOnNoiseGrid;
        ppScanOnNoiseGrid = nullptr;
        free_vector(pNoiseGrid, 1, nNoiseGridPoints);
        pNoiseGrid = nullptr;
        nScans = 0;
        bModelCSFf0 = 0;
    }
};

void setNoiseModel(int model)
{
    // 0 plain, 1 baseline, 2 TI, 3 RI, 4 TI+RI
    bFitTINoise = model == 2 || model == 4;
    bFitRINoise = model == 3 || model == 4;
    bAlgebraicBaseline = model == 1;
}

// 100 grid points over 50 scans of 500 radii; counts the n(n+1)/2 x points
// multiply-adds of the matrix.
void BM_NormalEquations(benchmark::State& state)
{
    const int model = static_cast<int>(state.range(0));
    const int nThreads = static_cast<int>(state.range(1));
    TBenchScene scene(100, 1, 50, 500);
    setNoiseModel(model);
    bMultiThreaded = nThreads > 1;
    nNEQThreads = nThreads;
    for (auto _ : state) {
        buildNormalEquations(nullptr, 1);
        benchmark::DoNotOptimize(pNEMatrix[50][50]);
    }
    const double madds = 100.0 * 101.0 / 2.0 * 50.0 * 500.0;
    state.counters["madd_per_s_per_thread"] =
        benchmark::Counter(madds / nThreads, benchmark::Counter::kIsIterationInvariantRate);
    static const char* const names[] = {"plain", "baseline", "TI", "RI", "TI+RI"};
    state.SetLabel(names[model]);
    bMultiThreaded = 0;
    setNoiseModel(0);
}

// The regularized non-negative solution at the weight the regularization
// finds for P = 0.95 (second derivative): n = 500 grid points, and 100 s
// points x 10 frictional ratios.
void BM_RegularizedNNLS(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const bool b2D = n == 1000;
    TBenchScene scene(b2D ? 100 : n, b2D ? 10 : 1, 30, 150);
    bModelCSFf0 = b2D;
    fFf0RegularizationFactor = 1.0f;
    bRegMaxEnt = 0;
    bRegSecondDerivative = 1;
    setNoiseModel(4);
    bMultiThreaded = 1;
    nNEQThreads = 2;
    buildNormalEquations(nullptr, 1);
    bMultiThreaded = 0;
    // A weight of the size the regularization chooses for such data.
    double trace = 0.0;
    for (int i = 1; i <= scene.nGrid; i++) trace += pNEMatrix[i][i];
    addRegularization(0.01 * trace / (6.0 * scene.nGrid - 12.0));
    bool bOk = true;
    for (auto _ : state) {
        bOk = nnlsNormalEquations();
        benchmark::DoNotOptimize(pNESolution[1]);
    }
    int nPositive = 0;
    for (int i = 1; i <= scene.nGrid; i++) nPositive += pNESolution[i] > 0.0;
    state.counters["positive"] = nPositive;
    state.counters["solved"] = bOk;
    bRegSecondDerivative = 0;
    bRegMaxEnt = 1;
    setNoiseModel(0);
}

// regularizeDistribution (second derivative) and regularizeMaxEntropy at
// n = 100, P = 0.95, on 30 scans of 150 radii with TI and RI noise.
void BM_Regularize(benchmark::State& state)
{
    const bool bMaxEnt = state.range(0) == 1;
    TBenchScene scene(100, 1, 30, 150);
    setNoiseModel(4);
    buildNormalEquations(nullptr, 1);
    bRegMaxEnt = bMaxEnt;
    bRegSecondDerivative = !bMaxEnt;
    fConfidenceLevel = 0.95f;
    for (auto _ : state) {
        if (bMaxEnt)
            regularizeMaxEntropy();
        else
            regularizeDistribution();
        benchmark::DoNotOptimize(pNESolution[1]);
    }
    state.counters["chi2_ratio"] = dChiSquare / dChiSquareUnreg;
    state.counters["target"] = fTargetChisqRatio;
    state.SetLabel(bMaxEnt ? "maximum entropy" : "second derivative");
    bRegSecondDerivative = 0;
    bRegMaxEnt = 1;
    setNoiseModel(0);
}

}  // namespace

BENCHMARK(BM_NormalEquations)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {1, 2, 8}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_RegularizedNNLS)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Regularize)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
