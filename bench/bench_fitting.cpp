// The c(s) fit of the example data set as the unattended run does it (meniscus
// from 5.98 cm and f/f0 from 1.2 floated, radial-invariant noise, 100 grid
// points, maximum entropy, fit limits 6.05-7.10 cm): one evaluation of its
// objective (one unregularized distribution: the Lamm list, the normal
// equations, the non-negative solution and the fit of every scan) on 1, 2 and
// 8 threads, and the whole fit on 2 and on 8 threads (Lamm lists and normal
// equations). The counters give the number of
// evaluations and where the fit ended. And one Marquardt-Levenberg iteration
// of that fit (n + 1 = 3 evaluations: the trial point and one per parameter)
// from the state the first iteration leaves.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "example_bench_scans.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "fitting/marquardt.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

namespace {

// The example's numbered scans in a folder of the benchmark's own (a
// distribution run writes its grid file beside them), loaded into a window.
class ExampleScene {
public:
    explicit ExampleScene(int nThreads)
    {
        win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_fit_" + std::to_string(getpid()));
        selection = copyExampleScanSelection(folder);
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        nLoadEveryNth = 1;
        bCheckTimeStamps = 0;
        bWizardMessages = 0;
        LoadAllData(window.get(), selection.data());
        nLammThreads = nNEQThreads = nThreads;
        bMultiThreaded = 1;
        window->EvCommand(275, nullptr, 0);  // Continuous c(s) Distribution
        window->EvCommand(295, nullptr, 0);  // maximum entropy
        paramVectorToGlobals();
        pParamValue[9] = 100;
        fFitLeftLim = 6.05f;
        updateLeftFitLimit();
        fFitRightLim = 7.10f;
        updateRightFitLimit();
        bFitRINoise = 1;
        fixUpModelDefaults();
        globalsToParamVector();
        fMinMeniscus = 5.96f;
        fMaxMeniscus = 6.03f;
        fMinBottom = 7.15f;
        fMaxBottom = 7.25f;
        bUserMeniscusBottomRange = 1;
    }
    ~ExampleScene()
    {
        window.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    // The start of the fit: meniscus 5.98 and f/f0 1.2, both floating.
    void start()
    {
        pParamValue[13] = fMeniscus = 5.98f;
        pParamValue[14] = fBottom = 7.2f;
        pParamValue[11] = fFrictionalRatio = 1.2f;
        pParamFloat[13] = pParamFloat[11] = 1;
        paramVectorToGlobals();
    }
    std::filesystem::path folder;
    std::vector<char> selection;
    std::unique_ptr<TXLAWindow> window;
};

void contiSimplexSimEvaluation(benchmark::State& state)
{
    ExampleScene scene(static_cast<int>(state.range(0)));
    if (nScans != 30) state.SkipWithError("load failed");
    scene.start();
    if (!setupSGrid()) state.SkipWithError("no grid");
    bFitRunning = 1;
    float v[3] = {};
    if (getContiParameters(2, v) != 2) state.SkipWithError("not two floating parameters");
    float fResult = 0;
    for (auto _ : state) {
        bStopFit = 0;
        fResult = ContiSimplexSim(v, scene.window.get());
        benchmark::DoNotOptimize(fResult);
    }
    bFitRunning = 0;
    state.counters["rmsd"] = fResult;
}

void contiFitOfTheExample(benchmark::State& state)
{
    ExampleScene scene(static_cast<int>(state.range(0)));
    if (nScans != 30) state.SkipWithError("load failed");
    int nEvaluations = 0;
    for (auto _ : state) {
        scene.start();
        contiFit(scene.window.get());
        nEvaluations = nSimCount;
    }
    state.counters["evaluations"] = nEvaluations;
    state.counters["meniscus"] = fMeniscus;
    state.counters["ff0"] = fFrictionalRatio;
    state.counters["rmsd"] = calcRmsd();
}

void marquardtIterationOfTheExample(benchmark::State& state)
{
    ExampleScene scene(static_cast<int>(state.range(0)));
    if (nScans != 30) state.SkipWithError("load failed");
    scene.start();
    if (!setupSGrid()) state.SkipWithError("no grid");
    const int n = getContiParameters(0, nullptr);
    if (n != 2 || !allocMLArrays(n)) {
        state.SkipWithError("not two floating parameters");
        return;
    }
    CMLFitVectors fit(n);
    contiSetParameterSteps();
    getContiParameters(n, fit.v);
    fit.Start();
    bFitRunning = 1;
    double chisq = 0, lambda = -1;
    Contimlmin(scene.window.get(), fit.a, fit.ia, n, &chisq, &lambda);
    // every iteration starts from this state
    const std::vector<double> a0(fit.a, fit.a + n + 1);
    std::vector<double> alpha0, beta0(pMLBeta, pMLBeta + n + 1);
    for (int j = 1; j <= n; ++j) alpha0.insert(alpha0.end(), pMLAlpha[j] + 1, pMLAlpha[j] + n + 1);
    const double chisq0 = chisq, lambda0 = lambda, oldChisq0 = mlContiCore.dOldChisq;
    int nEvaluations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(a0.begin(), a0.end(), fit.a);
        std::copy(beta0.begin(), beta0.end(), pMLBeta);
        for (int j = 1; j <= n; ++j) std::copy(alpha0.begin() + (j - 1) * n, alpha0.begin() + j * n, pMLAlpha[j] + 1);
        chisq = chisq0;
        lambda = lambda0;
        mlContiCore.dOldChisq = oldChisq0;
        bStopFit = 0;
        const int nBefore = nSimCount;
        state.ResumeTiming();
        Contimlmin(scene.window.get(), fit.a, fit.ia, n, &chisq, &lambda);
        nEvaluations = nSimCount - nBefore;
    }
    bFitRunning = 0;
    state.counters["evaluations"] = nEvaluations;
}

}  // namespace

// Wall time, and the CPU time of the whole process (the workers' included).
BENCHMARK(contiSimplexSimEvaluation)
    ->Arg(1)
    ->Arg(2)
    ->Arg(8)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(contiFitOfTheExample)->Arg(2)->Arg(8)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(marquardtIterationOfTheExample)->Arg(2)->Arg(8)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();
