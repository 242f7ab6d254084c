// One Monte-Carlo iteration of the example's c(s) (30 scans of 400 points,
// c(s) from 0 to 15 S on 100 points, f/f0 1.33, radial-invariant noise,
// maximum entropy at P = 0.95, fit limits 6.05-7.10 cm), as Statistics >
// Monte-Carlo for Distributions repeats it: new synthetic data onto the noise
// grid, the right side of the normal equations (on 1 thread, or on 2 worker
// threads) and the entropy regularization. The reference run is made once,
// outside the timing; the counter gives the share of the right side.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "example_bench_scans.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/monte_carlo.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/random.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

namespace {

// The example's numbered scans in a folder of the benchmark's own, loaded
// into a window, with the model and the reference of a Monte-Carlo run.
class MonteCarloScene {
public:
    MonteCarloScene()
    {
        win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_mc_" + std::to_string(getpid()));
        std::vector<char> selection = copyExampleScanSelection(folder);
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        nLoadEveryNth = 1;
        bCheckTimeStamps = 0;
        bWizardMessages = 0;
        LoadAllData(window.get(), selection.data());
        bModelContinuous = bModelCS = 1;
        fMeniscus = pParamValue[13] = 6.0f;
        fBottom = pParamValue[14] = 7.2f;
        fFitLeftLim = 6.05f;
        updateLeftFitLimit();
        fFitRightLim = 7.10f;
        updateRightFitLimit();
        bFitRINoise = 1;
        bFitTINoise = 0;
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
        paramVectorToGlobals();
        seedRandomNumbers(20261207u);
        bOk = nScans == 30 && beginMonteCarloRun(window.get(), 1000, (folder / "mc.dat").string().c_str(), 0);
    }
    ~MonteCarloScene()
    {
        if (bOk) finishMonteCarloRun(0, 0.95f);
        endMonteCarlo(window.get());
        clearDistributionResults();
        freeScanData();
        bModelContinuous = bModelCS = 0;
        bFitRINoise = 0;
        window.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::unique_ptr<TXLAWindow> window;
    bool bOk = false;
};

void BM_MonteCarloIteration(benchmark::State& state)
{
    const int nThreads = static_cast<int>(state.range(0));
    MonteCarloScene scene;
    if (!scene.bOk) {
        state.SkipWithError("the reference run failed");
        return;
    }
    bMultiThreaded = nThreads > 1 ? 1 : 0;
    nNEQThreads = nThreads;
    int k = 0;
    for (auto _ : state) {
        k = k % 1000 + 1;
        monteCarloIteration(scene.window.get(), k, 0);
        benchmark::DoNotOptimize(pDistValues[10]);
    }
    // the right side alone, over as many builds
    const int nBuilds = 20;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < nBuilds; i++) buildMonteCarloRightSides(scene.window.get());
    state.counters["right_side_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / nBuilds;
    state.SetLabel(std::to_string(nThreads) + " thread" + (nThreads > 1 ? "s" : ""));
    bMultiThreaded = 0;
    nNEQThreads = 2;
}

}  // namespace

BENCHMARK(BM_MonteCarloIteration)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
