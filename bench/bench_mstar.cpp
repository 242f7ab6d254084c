// The M* computation of all sets, as every move of a marker on the M* screens
// runs it: six equilibrium scans of 1000 points (one species of 50 kDa at
// 8000 rpm, meniscus 6.2 cm, bottom 7.2 cm), at the screens' default
// settings.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

namespace {

// Six scan files in a folder of their own, removed at the end.
class EquilibriumFolder {
public:
    EquilibriumFolder()
    {
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_mstar_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const double rpm = 8000.0, m = 6.2;
        const double omega = rpm * 2.0 * M_PI / 60.0;
        const double k = (1.0 - 0.73 * 0.99823) * omega * omega / (2.0 * 8.31451e7 * 293.15);
        for (int s = 1; s <= 6; ++s) {
            char name[32];
            std::snprintf(name, sizeof name, "eq%d.RA1", s);
            names.push_back(name);
            FILE* f = std::fopen((folder / name).c_str(), "w");
            const double t = 100000.0 * s;
            std::fprintf(f, "bench equilibrium scan %d\nR 1 20.0 %.0f %.0f %.4e 280 1\n", s, rpm, t, omega * omega * t);
            for (int i = 0; i < 1000; ++i) {
                const double r = m + 0.001 * i;
                const double c = 0.05 * s * std::exp(k * 50000.0 * (r * r - m * m));
                std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", r, c, 0.01);
            }
            std::fclose(f);
        }
        const std::string dir = folder.string();
        selection.assign(dir.begin(), dir.end());
        selection.push_back('\0');
        for (const std::string& s : names) {
            selection.insert(selection.end(), s.begin(), s.end());
            selection.push_back('\0');
        }
        selection.push_back('\0');
    }
    ~EquilibriumFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<std::string> names;
    std::vector<char> selection;
};

void BM_MStarCompute6x1000(benchmark::State& state)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    EquilibriumFolder files;
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    window.Create();
    win::headless::processMessages();
    fMeniscus = pParamValue[13] = 6.2f;
    fBottom = pParamValue[14] = 7.2f;
    fFitLeftLim = 6.21f;
    fFitRightLim = 7.19f;
    bEquilibriumDataMode = 1;
    nLoadEveryNth = 1;
    bCheckTimeStamps = 0;
    std::vector<char> sel = files.selection;
    LoadAllData(&window, sel.data());
    mStarSetScreen(&window);
    if (nScans != 6 || !bMStarMode) state.SkipWithError("the screens did not open");
    for (auto _ : state) mStarCompute(&window);
    state.counters["Mwavg(1)"] = pMStarSets ? pMStarSets[1].mwAvg : 0.0;
    mStarFreeScreenPlots(&window);
    freeScanData();
}
BENCHMARK(BM_MStarCompute6x1000)->Unit(benchmark::kMillisecond);

}  // namespace
