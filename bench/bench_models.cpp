// Model evaluation: CalcModel of the discrete-species model with three
// species (2, 5 and 10 S) on 50 scans of 500 points at the default Lamm
// settings, loadings fixed (the Run of a user); as an extra row the same with
// the loadings solved linearly and time- and radial-invariant noise (one
// iteration of a fit).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

namespace {

// 50 absorbance scans of 500 points, every 300 s from 600 s at 50000 rpm.
class ModelBenchScans {
public:
    ModelBenchScans()
    {
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_models_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const double w = 50000.0 * 2.0 * M_PI / 60.0;
        for (int k = 1; k <= 50; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "%05d.RA1", k);
            names.push_back(name);
            FILE* f = std::fopen((folder / name).c_str(), "w");
            const double t = 600.0 + 300.0 * (k - 1);
            std::fprintf(f, "bench scan %d\nR 1 20.0 50000 %.0f %.4e 280 1\n", k, t, w * w * t);
            for (int i = 0; i < 500; ++i) {
                const double r = 5.95 + 1.2 * i / 499.0;
                std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", r, 0.5 * std::erfc((6.3 + 0.002 * k - r) / 0.02), 0.01);
            }
            std::fclose(f);
        }
        std::string dir = folder.string();
        selection.assign(dir.begin(), dir.end());
        selection.push_back('\0');
        for (const std::string& s : names) {
            selection.insert(selection.end(), s.begin(), s.end());
            selection.push_back('\0');
        }
        selection.push_back('\0');
    }
    ~ModelBenchScans()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<std::string> names;
    std::vector<char> selection;
};

void calcModelThreeSpecies(benchmark::State& state, bool bLinearParts)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    if (!pParamValue) allocParameterVectors();  // as the program does at start
    ModelBenchScans scans;
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    window.Create();
    nLoadEveryNth = 1;
    bCheckTimeStamps = 0;
    std::vector<char> sel = scans.selection;
    LoadAllData(&window, sel.data());
    if (nScans != 50) state.SkipWithError("load failed");
    window.CmModelDiscreteSpecies();
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    keepFitLimitsInsideCell();
    const float s[4] = {0, 2.0f, 5.0f, 10.0f}, D[4] = {0, 8.0f, 5.5f, 4.0f}, c[4] = {0, 0.9f, 0.3f, 0.3f};
    for (int k = 1; k <= 3; ++k) {
        pSpeciesIncluded[k] = 1;
        pSpeciesS[k] = s[k];
        pSpeciesMw[k] = D[k];
        pSpeciesConc[k] = c[k];
    }
    bFitTINoise = bFitRINoise = bLinearParts ? 1 : 0;
    bAlgebraicConcentrations = bLinearParts ? 1 : 0;
    bAlgebraicBaseline = bLinearParts ? 1 : 0;
    globalsToParamVector();
    allocExtraNoiseArrays();
    bRepaintAfterCalc = 0;
    // the model of the last scan: the plateau of all three species
    window.CalcModel();
    if (!(ppFit[pScanTimeOrder[50]][450] > 0.2f)) state.SkipWithError("no model values");
    for (auto _ : state) {
        window.CalcModel();
        if (!bModelComputed) state.SkipWithError("no model");
    }
    freeScanData();
    state.counters["scans"] = 50;
    state.counters["points"] = 500;
}

void BM_CalcModelThreeSpecies(benchmark::State& state) { calcModelThreeSpecies(state, false); }
BENCHMARK(BM_CalcModelThreeSpecies)->Unit(benchmark::kMillisecond);

void BM_CalcModelThreeSpeciesLinearPartsAndNoise(benchmark::State& state) { calcModelThreeSpecies(state, true); }
BENCHMARK(BM_CalcModelThreeSpeciesLinearPartsAndNoise)->Unit(benchmark::kMillisecond);

}  // namespace
