// One non-ideal c(s) evaluation as Run starts it: 50 absorbance scans of 500
// points of one concentrated species (4 S, f/f0 1.3, 5 mg/ml at 0.2 signal
// per mg/ml, ks 0.02 and kd 0.005 ml/mg, simulated by the non-ideal solver,
// with noise) loaded into the main window; the non-ideal c(s) from 0.5 to
// 10 S with 100 grid points, the solver's 500-point sedimentation grid,
// second-derivative regularization at P = 0.68, the mean field by "best fit",
// on 1 or 2 threads (Lamm list and normal equations alike).
//
// Main rows: an evaluation on the stored mean field (one list, what every
// further Run and each step of a fit costs). Extra rows "first evaluation":
// the first Run on new data (the field extrapolated from the scans, a data
// pass, the field from its snapshots, the mean-field pass).
#include <benchmark/benchmark.h>

#include <unistd.h>

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
#include "distributions/hydrodynamics.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "example_bench_scans.h"
#include "lamm_bench_scans.h"
#include "lamm/lamm_globals.h"
#include "lamm/lamm_nonideal.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_loading.h"

namespace {

const float kLog10Ks = -1.69897f, kLog10Kd = -2.30103f;
const double kSignalPerMgMl = 0.2;

class NonidealFiles {
public:
    NonidealFiles()
    {
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_nonid_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const int nScansOut = 50, n = 500;
        std::vector<ScanHeader> headers = benchScanFileHeaders(nScansOut);
        float* r = vector(1, n);
        for (int i = 1; i <= n; ++i) r[i] = static_cast<float>(5.95 + 1.2 * (i - 1) / (n - 1));
        float** out = matrix(1, nScansOut, 1, n);
        fTemperatureK = 293.15f;
        VBAR = 0.73f;
        fBufferDensity = 1.0f;
        fVbarRho = VBAR;
        RELVISCOSITY = 1.0f;
        const double D = DFromSM(4.0f, CalculateMff02(4.0f, 1.3f), 20.0f);
        CLammNonIdeal L;
        L.SetSedimentationParams(4.0, D, 6.0, 7.2, 5.0 * kSignalPerMgMl, 6.01f, 7.1f);
        L.SetScanData(nullptr, nullptr, headers.data(), out, r, n, nullptr, nullptr, false, nullptr, nScansOut, 1,
                      true, true, false, 0, false, 0, false);
        L.SetSolverOptions(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3, 1.0,
                           1000, 1000, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
        L.SetNonidealParams(kLog10Ks, kLog10Kd, kSignalPerMgMl, false, false);
        L.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
        L.Solve();
        selection = writeNoisyScanSelection(folder, nScansOut, n, r, out, headers.data(), 0.0f, 20261209u);
        free_vector(r, 1, n);
        free_matrix(out, 1, nScansOut, 1, n);
    }
    ~NonidealFiles()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<char> selection;
};

void chooseNonidealCs()
{
    bModelContinuous = bModelNonidealCS = 1;
    bModelHinderedCS = 0;
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    fFitLeftLim = 6.05f;
    updateLeftFitLimit();
    fFitRightLim = 7.10f;
    updateRightFitLimit();
    bFitRINoise = bFitTINoise = 0;
    pParamValue[1] = 0.5f;
    pParamValue[nSpecies + 1] = 10.0f;
    pParamValue[2 * nSpecies + 1] = 100.0f;
    pParamValue[2] = 0.68f;
    pParamValue[11] = 1.3f;
    pParamValue[3] = 0.73f;
    pParamValue[7] = 1.0f;
    pParamValue[12] = 0.01002f;
    pParamValue[20] = fNonidealKs = kLog10Ks;
    pParamValue[21] = fNonidealKd = kLog10Kd;
    dSignalPerMgMl = kSignalPerMgMl;
    nNonidSedGridSize = 500;
    bMeanFieldFromData = bMeanFieldExternal = bMeanFieldFrozen = 0;
    bRegSecondDerivative = 1;
    bRegMaxEnt = bRegWeightedThirdDerivative = bRegBothShown = 0;
}

void BM_NonidealCs(benchmark::State& state)
{
    const int nThreads = static_cast<int>(state.range(0));
    const bool bFirst = state.range(1) == 1;
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    static NonidealFiles files;
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    if (loadBenchSelection(window, files.selection) != 50) {
        state.SkipWithError("load failed");
        return;
    }
    chooseNonidealCs();
    nLammThreads = nThreads;
    nNEQThreads = nThreads;
    bMultiThreaded = nThreads > 1 ? 1 : 0;
    if (!bFirst) RunContiSed(&window);  // the field the evaluations start from
    for (auto _ : state) {
        if (bFirst) {
            state.PauseTiming();
            delete pContiNonid;
            pContiNonid = nullptr;
            state.ResumeTiming();
        }
        RunContiSed(&window);
        benchmark::DoNotOptimize(pDistValues[10]);
    }
    double sum = 0, sumS = 0;
    for (int i = 1; i < nResolution; i++) {
        const double a = 0.5 * (pDistValues[i] + pDistValues[i + 1]) * (pDistAxisS[i + 1] - pDistAxisS[i]);
        sum += a;
        sumS += 0.5 * a * (pDistAxisS[i] + pDistAxisS[i + 1]);
    }
    state.counters["s_w"] = sum > 0 ? sumS / sum : 0.0;
    state.counters["rmsd"] = calcRmsd();
    state.SetLabel(std::string(bFirst ? "first evaluation, " : "") + std::to_string(nThreads) + " thread" +
                   (nThreads > 1 ? "s" : ""));
    clearDistributionResults();
    freeScanData();
    bModelContinuous = bModelNonidealCS = 0;
    nLammThreads = 2;
    nNEQThreads = 2;
    bMultiThreaded = 0;
    bRegSecondDerivative = 0;
    bRegMaxEnt = 1;
}

}  // namespace

BENCHMARK(BM_NonidealCs)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->ArgNames({"threads", "first"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
