// The classical boundary analyses: a whole run of the ls-g*(s) area-fraction
// extrapolation on 40 scans of 500 points (sets of 3 scans, 100 grid points,
// 10 fractions, the default noise settings), and one evaluation of the
// moving-boundary model of 10 fraction lines on 30 scans (the objective of
// the direct fit).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

namespace {

// Scans of one diffusing boundary (5 S, 6e-7 cm^2/s, 50000 rpm) every 200 s
// from 1200 s, 500 points over 6.0..7.2 cm, in a folder of their own.
class BoundaryFolder {
public:
    explicit BoundaryFolder(int nScans)
    {
        folder = std::filesystem::temp_directory_path() /
                 ("morvex_bench_boundary_" + std::to_string(getpid()) + "_" + std::to_string(nScans));
        std::filesystem::create_directories(folder);
        const double rpm = 50000.0, m = 6.0, s = 5e-13, D = 6e-7;
        const double w2 = std::pow(rpm * 2.0 * M_PI / 60.0, 2);
        for (int k = 1; k <= nScans; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "b%03d.RA1", k);
            names.push_back(name);
            FILE* f = std::fopen((folder / name).c_str(), "w");
            const double t = 1200.0 + 200.0 * (k - 1);
            std::fprintf(f, "bench boundary scan %d\nR 1 20.0 %.0f %.0f %.4e 280 1\n", k, rpm, t, w2 * t);
            const double rb = m * std::exp(s * w2 * t), plateau = std::exp(-2.0 * s * w2 * t);
            for (int i = 0; i < 500; ++i) {
                const double r = m + 1.2 * i / 499.0;
                const double c = 0.5 * plateau * (1.0 + std::erf((r - rb) / (2.0 * std::sqrt(D * t))));
                std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", r, c, 0.01);
            }
            std::fclose(f);
        }
        const std::string dir = folder.string();
        selection.assign(dir.begin(), dir.end());
        selection.push_back('\0');
        for (const std::string& n : names) {
            selection.insert(selection.end(), n.begin(), n.end());
            selection.push_back('\0');
        }
        selection.push_back('\0');
    }
    ~BoundaryFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<std::string> names;
    std::vector<char> selection;
};

// The scans loaded into a window, with the cell and the fit limits set.
bool loadScans(TXLAWindow& window, BoundaryFolder& files, int nScans)
{
    window.Create();
    win::headless::processMessages();
    nLoadEveryNth = 1;
    bCheckTimeStamps = 0;
    std::vector<char> sel = files.selection;
    LoadAllData(&window, sel.data());
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    fFitLeftLim = 6.05f;
    fFitRightLim = 7.1f;
    updateLeftFitLimit();
    updateRightFitLimit();
    return ::nScans == nScans;
}

void selectExtrapolation(int nGrid, int nFractions, int nPerSet)
{
    bModelDiscreteSpecies = 0;
    bBoundaryAnalysisMode = bExtrapolateAreaFractions = bModelContinuous = 1;
    pParamValue[1] = 0.0f;
    pParamValue[5] = 10.0f;
    pParamValue[9] = static_cast<float>(nGrid);
    pParamValue[11] = static_cast<float>(nFractions);
    pParamValue[3] = static_cast<float>(nPerSet);
    pParamValue[2] = 0.68f;
    bShowExtrapolationPlot = 0;
    bFitBoundaryFractions = 0;
}

void BM_AreaFractionExtrapolation40x500(benchmark::State& state)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    BoundaryFolder files(40);
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    if (!loadScans(window, files, 40)) state.SkipWithError("the scans did not load");
    selectExtrapolation(100, 10, 3);
    bool bOk = true;
    for (auto _ : state) bOk = runAreaFractionExtrapolation(&window) && bOk;
    if (!bOk) state.SkipWithError("the run failed");
    state.counters["G(s) at fraction 5"] = pDistAxisS ? pDistAxisS[5] : 0.0;
    freeBoundaryAnalyses();
    freeScanData();
}
BENCHMARK(BM_AreaFractionExtrapolation40x500)->Unit(benchmark::kMillisecond);

void BM_MovingBoundaryModel10x30(benchmark::State& state)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    BoundaryFolder files(30);
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    if (!loadScans(window, files, 30)) state.SkipWithError("the scans did not load");
    selectExtrapolation(100, 10, 3);
    nBoundaryFractions = 10;
    dLsgOmega2 = std::pow(50000.0 * 2.0 * M_PI / 60.0, 2);
    fLoadingConcentration = 1.0f;
    allocAreaFractionArrays(10);
    float* pIntercepts = vector(1, 10);
    float* pSlopes = vector(1, 10);
    for (int c = 1; c <= 10; c++) {
        pIntercepts[c] = 4.5f + 0.1f * c;
        pSlopes[c] = 20.0f * (c - 5.5f);
    }
    float fRmsdSum = 0.0f;
    for (auto _ : state) fRmsdSum += calcSvsTime(pSlopes, pIntercepts);
    benchmark::DoNotOptimize(fRmsdSum);
    free_vector(pIntercepts, 1, 10);
    free_vector(pSlopes, 1, 10);
    freeBoundaryAnalyses();
    freeScanData();
}
BENCHMARK(BM_MovingBoundaryModel10x30)->Unit(benchmark::kMicrosecond);

}  // namespace
