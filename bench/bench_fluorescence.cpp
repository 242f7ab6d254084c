// The nonlinear-detection bracket of the fit road around one model
// evaluation: apply (transformed values shown), refresh the model copies,
// apply with the user's show choice. 100 fluorescence scans of 1000 points
// loaded into the main window (noise grid, data and residual plots), with the
// exponent unchanged between evaluations and with a new exponent at each one
// (a fit that floats it). The main rows redraw the window's data and
// residual plots at each transform, as the program does; the extra rows
// "WithoutPlots" measure the transform, the copies and the noise grid alone.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

#include "example_bench_scans.h"

namespace {

class FluorescenceBench {
public:
    FluorescenceBench()
    {
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_fluo_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const double omega = 50000.0 * 2.0 * M_PI / 60.0;
        std::string dir = folder.string();
        selection.assign(dir.begin(), dir.end());
        selection.push_back('\0');
        for (int k = 1; k <= 100; ++k) {
            char name[32];
            std::snprintf(name, sizeof(name), "A%05d.FI1", k);
            FILE* f = std::fopen((folder / name).c_str(), "w");
            const double t = 300.0 * k;
            std::fprintf(f, "bench Voltage: 600 Gain: 2 Range: 1\nF 1 20.0 50000 %.0f %.4e 488 1\n", t,
                         omega * omega * t);
            for (int i = 0; i < 1000; ++i) {
                const double r = 5.9 + 0.001 * i;
                const double c = 50.0 + 400.0 * 0.5 * std::erfc((6.2 + 0.0004 * k - r) / 0.02);
                std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", r, c, 1.0);
            }
            std::fclose(f);
            selection.insert(selection.end(), name, name + std::strlen(name));
            selection.push_back('\0');
        }
        selection.push_back('\0');
    }
    ~FluorescenceBench()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<char> selection;
};

void runBracket(benchmark::State& state, bool bChangeExponent, bool bPlots = true)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    static FluorescenceBench files;
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    if (loadBenchSelection(window, files.selection) != 100) {
        state.SkipWithError("load failed");
        return;
    }
    bNonlinearDetection = 1;
    bShowTransformedData = 0;
    fDetectionBaseline = 50.0f;
    // a model in the data's scale, as the evaluation leaves it
    for (int k = 1; k <= nScans; ++k)
        for (int i = 1; i <= pScanPoints[k]; ++i) ppFit[k][i] = 0.98f * ppSignal[k][i];
    CWINPlot* pShownData = pDataPlot;
    CWINPlot* pShownResiduals = pResidualsPlot;
    if (!bPlots) pDataPlot = pResidualsPlot = nullptr;
    int n = 0;
    for (auto _ : state) {
        fFloNonlinCoeff = bChangeExponent ? 1.1f + 0.0001f * static_cast<float>(n++ % 1000) : 1.1f;
        applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, true);
        refreshNonlinearDetectionCopies();
        applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData != 0);
    }
    pDataPlot = pShownData;
    pResidualsPlot = pShownResiduals;
    bNonlinearDetection = 0;
    freeScanData();
    state.counters["scans"] = 100;
}

void BM_FitRoadBracketUnchangedExponent(benchmark::State& state) { runBracket(state, false); }
BENCHMARK(BM_FitRoadBracketUnchangedExponent)->Unit(benchmark::kMillisecond);

void BM_FitRoadBracketChangedExponent(benchmark::State& state) { runBracket(state, true); }
BENCHMARK(BM_FitRoadBracketChangedExponent)->Unit(benchmark::kMillisecond);

void BM_FitRoadBracketUnchangedExponentWithoutPlots(benchmark::State& state) { runBracket(state, false, false); }
BENCHMARK(BM_FitRoadBracketUnchangedExponentWithoutPlots)->Unit(benchmark::kMillisecond);

void BM_FitRoadBracketChangedExponentWithoutPlots(benchmark::State& state) { runBracket(state, true, false); }
BENCHMARK(BM_FitRoadBracketChangedExponentWithoutPlots)->Unit(benchmark::kMillisecond);

}  // namespace
