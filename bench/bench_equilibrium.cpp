// One evaluation of the single-species equilibrium fit's objective, as every
// step of its simplex runs it: 100 interference scans at 100 rotor speeds
// with 500 points inside the fit limits (kernels, normal equations with TI
// and RI noise eliminated, the non-negative amplitudes, the rmsd).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/equilibrium/single_species.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

namespace {

constexpr int kScans = 100;

// The scan files in a folder of their own, removed at the end: one species of
// 50 kDa, amplitudes and speeds that differ from scan to scan.
class ScanFolder {
public:
    ScanFolder()
    {
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_eqfit_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const std::string dir = folder.string();
        selection.assign(dir.begin(), dir.end());
        selection.push_back('\0');
        for (int s = 1; s <= kScans; ++s) {
            char name[32];
            std::snprintf(name, sizeof name, "%05d.IP1", s);
            FILE* f = std::fopen((folder / name).c_str(), "w");
            const double rpm = 8000.0 + 100.0 * s, t = 3600.0 * s;
            const double omega = rpm * 2.0 * M_PI / 60.0;
            const double k = 13564.6 * omega * omega / (2.0 * 8.314472e7 * 293.15);
            std::fprintf(f, "bench equilibrium scan %d\nP 1 20.0 %.0f %.0f %.4e 660 1\n", s, rpm, t, omega * omega * t);
            for (int i = 0; i < 520; ++i) {
                const double r = 6.5 + 0.001 * i;
                const double c = (0.2 + 0.01 * s) * std::exp(k * (r * r - 6.75 * 6.75)) + 0.01 * std::sin(20 * r);
                std::fprintf(f, "   %1.4f  %1.5e \n", r, c);
            }
            std::fclose(f);
            selection.insert(selection.end(), name, name + std::strlen(name));
            selection.push_back('\0');
        }
        selection.push_back('\0');
    }
    ~ScanFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<char> selection;
};

void BM_EquilibriumObjective100x500(benchmark::State& state)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    ScanFolder files;
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    window.Create();
    win::headless::processMessages();
    fMeniscus = pParamValue[13] = 6.45f;
    fBottom = pParamValue[14] = 7.1f;
    fFitLeftLim = 6.5095f;
    fFitRightLim = 7.0095f;
    bEquilibriumDataMode = 1;
    nLoadEveryNth = 1;
    LoadAllData(&window, files.selection.data());
    bUseMolarMass = 1;
    VBAR = 0.73f;
    fBufferDensity = 0.99823f;
    fVbarRho = VBAR * fBufferDensity;
    pParamFloat[1] = 1;
    pSpeciesMw[1] = pParamValue[1] = 50000.0f;
    if (nScans != kScans || !allocEquilibriumArrays()) {
        state.SkipWithError("the scans did not load");
        return;
    }
    float vertex[2] = {0.0f, 50000.0f};
    float fRmsdSeen = 0.0f;
    for (auto _ : state) {
        fRmsdSeen = equilibriumObjective(vertex, &window);
        benchmark::DoNotOptimize(fRmsdSeen);
    }
    state.counters["window"] = nNoiseGridLast - nNoiseGridFirst + 1;
    state.counters["rmsd"] = fRmsdSeen;
    freeLammSolutionStore(nScans);
    freeNormalArrays(nScans);
    freeScanData();
}
BENCHMARK(BM_EquilibriumObjective100x500)->Unit(benchmark::kMillisecond);

}  // namespace
