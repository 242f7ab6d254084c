// One c(s) Run as the user starts it: 50 absorbance scans of 500 points (one
// species of 4.3 S with noise) loaded into the main window, c(s) from 0 to
// 15 S with 100 grid points, f/f0 1.33, maximum entropy at P = 0.95, with
// radial-invariant noise (RI) or both systematic noises (TI+RI), on 1 or 2
// threads (Lamm list and normal equations alike). The whole run: the grid and
// its stores, the Lamm list, the normal equations, the non-negative solution
// and the entropy regularization, the fit and the plot. The counters give
// the share of each phase, measured once beside the timed runs.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/max_entropy.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "example_bench_scans.h"
#include "lamm_bench_scans.h"
#include "lamm/lamm_globals.h"
#include "lamm/lamm_ideal.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_loading.h"

namespace {

class ContiRunFiles {
public:
    ContiRunFiles()
    {
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_cs_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const int nScansOut = 50, n = 500;
        std::vector<ScanHeader> headers = benchScanFileHeaders(nScansOut);
        float* r = vector(1, n);
        for (int i = 1; i <= n; ++i) r[i] = static_cast<float>(5.95 + 1.2 * (i - 1) / (n - 1));
        float** out = matrix(1, nScansOut, 1, n);
        CLammIdeal L;
        L.SetNonReactingModel();
        L.SetSedimentationParams(4.3, 6.1e-7, 6.0, 7.2, 0.8, 6.01f, 7.1f);
        L.SetScanData(nullptr, nullptr, headers.data(), out, r, n, nullptr, nullptr, false, nullptr, nScansOut, 1, true,
                      true, false, 0, false, 0, false);
        L.SetSolverOptions(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3, 1.0,
                           1000, 1000, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
        L.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
        L.Solve();
        selection = writeNoisyScanSelection(folder, nScansOut, n, r, out, headers.data(), 0.02f, 20261207u);
        free_vector(r, 1, n);
        free_matrix(out, 1, nScansOut, 1, n);
    }
    ~ContiRunFiles()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<char> selection;
};

void chooseCs(bool bTiRi)
{
    bModelContinuous = bModelCS = 1;
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    fFitLeftLim = 6.05f;
    updateLeftFitLimit();
    fFitRightLim = 7.10f;
    updateRightFitLimit();
    bFitRINoise = 1;
    bFitTINoise = bTiRi ? 1 : 0;
    pParamValue[1] = 0.0f;
    pParamValue[nSpecies + 1] = 15.0f;
    pParamValue[2 * nSpecies + 1] = 100.0f;
    pParamValue[2] = 0.95f;
    pParamValue[11] = 1.33f;
    pParamValue[3] = 0.73f;
    pParamValue[7] = 1.0f;
    pParamValue[12] = 0.01002f;
    bRegMaxEnt = 1;
    bRegSecondDerivative = bRegWeightedThirdDerivative = bRegBothShown = 0;
}

double seconds(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The phases of one run, each on its own: the Lamm list into a new grid's
// store, the normal equations, the entropy regularization.
void phaseShares(TXLAWindow* w, benchmark::State& state)
{
    paramVectorToGlobals();
    setupSGrid();
    const int n = nResolution;
    std::vector<double> s(n + 1), D(n + 1), vbar(n + 1, VBAR);
    for (int i = 1; i <= n; i++) {
        setGridPointSD(w, i, 20.0f);
        s[i] = dLammS;
        D[i] = dLammD;
    }
    bMovingHat = 1;
    bClaverie = 0;
    auto t0 = std::chrono::steady_clock::now();
    RunSVContiSedList(w, n, s.data(), D.data(), vbar.data());
    state.counters["lamm_s"] = seconds(t0);
    t0 = std::chrono::steady_clock::now();
    buildNormalEquations(w, 1);
    state.counters["neq_s"] = seconds(t0);
    nNEQSize = n;
    t0 = std::chrono::steady_clock::now();
    regularizeMaxEntropy();
    state.counters["maxent_s"] = seconds(t0);
    freeLammSolutionStore(n);
    freeNormalArrays(n);
}

void BM_ContiRunCs(benchmark::State& state)
{
    const bool bTiRi = state.range(0) == 1;
    const int nThreads = static_cast<int>(state.range(1));
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    static ContiRunFiles files;
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    if (loadBenchSelection(window, files.selection) != 50) {
        state.SkipWithError("load failed");
        return;
    }
    chooseCs(bTiRi);
    nLammThreads = nThreads;
    nNEQThreads = nThreads;
    bMultiThreaded = nThreads > 1 ? 1 : 0;
    for (auto _ : state) {
        RunContiSed(&window);
        benchmark::DoNotOptimize(pDistValues[10]);
    }
    state.counters["rmsd"] = calcRmsd();
    phaseShares(&window, state);
    state.SetLabel(std::string(bTiRi ? "TI+RI" : "RI") + ", " + std::to_string(nThreads) + " thread" +
                   (nThreads > 1 ? "s" : ""));
    clearDistributionResults();
    freeScanData();
    bModelContinuous = bModelCS = 0;
    bFitRINoise = bFitTINoise = 0;
    nLammThreads = 2;
    nNEQThreads = 2;
    bMultiThreaded = 0;
}

}  // namespace

BENCHMARK(BM_ContiRunCs)
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
