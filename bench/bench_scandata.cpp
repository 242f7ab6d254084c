// Loading scan data: 500 scan files of 1000 points each into the scan data
// set with its plot update (and, as an extra row, with the paint of the
// window that follows), the reader alone on those 500 files, and the reader
// on one such file.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_loading.h"

namespace {

// A folder of n absorbance scans of 1000 points, made once per run.
class BenchFolder {
public:
    explicit BenchFolder(int n) {
        folder = std::filesystem::temp_directory_path() / ("morvex_bench_scans_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        for (int k = 1; k <= n; ++k) {
            char name[32];
            std::snprintf(name, sizeof(name), "%05d.RA1", k);
            names.push_back(name);
            FILE* f = std::fopen((folder / name).c_str(), "w");
            double t = 300.0 * k;
            double omega = 50000.0 * 2.0 * M_PI / 60.0;
            std::fprintf(f, "bench scan %d\nR 1 20.0 50000 %.0f %.4e 280 1\n", k, t, omega * omega * (t - 100.0));
            for (int i = 0; i < 1000; ++i) {
                double r = 5.9 + 0.001 * i;
                double c = 0.5 * std::erfc((6.2 + 0.0004 * k - r) / 0.02);
                std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", r, c, 0.01);
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
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    std::vector<std::string> names;
    std::vector<char> selection;
};

BenchFolder& files() {
    static BenchFolder f(500);
    return f;
}

// The load with the plot update it makes itself (the data plot's curves
// built, autoscaled and drawn); with bPaint also the paint of the window that
// the load asks for (extra row).
void loadAllData500(benchmark::State& state, bool bPaint) {
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    BenchFolder& f = files();
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    window.Create();
    nLoadEveryNth = 1;
    // The reading of the files, without the time-stamp check's questions.
    bCheckTimeStamps = 0;
    for (auto _ : state) {
        std::vector<char> sel = f.selection;
        LoadAllData(&window, sel.data());
        if (nScans != 500) state.SkipWithError("load failed");
        if (bPaint) window.UpdateWindow();
    }
    freeScanData();
    state.counters["scans"] = 500;
}

void BM_LoadAllData500Scans(benchmark::State& state) { loadAllData500(state, false); }
BENCHMARK(BM_LoadAllData500Scans)->Unit(benchmark::kMillisecond);

void BM_LoadAllData500ScansAndPaint(benchmark::State& state) { loadAllData500(state, true); }
BENCHMARK(BM_LoadAllData500ScansAndPaint)->Unit(benchmark::kMillisecond);

// What the load cannot do faster: reading the same 500 files.
void BM_Read500ScanFiles(benchmark::State& state) {
    BenchFolder& f = files();
    std::vector<std::string> paths;
    for (const std::string& name : f.names) paths.push_back((f.folder / name).string());
    for (auto _ : state) {
        for (const std::string& path : paths) {
            ScanHeader h;
            int n = 0;
            float *r = nullptr, *s = nullptr, *t = nullptr;
            readScanFile(path.c_str(), &h, &n, &r, &s, &t, nullptr, 0.0f);
            free_vector(r, 1, n);
            free_vector(s, 1, n);
            free_vector(t, 1, n);
        }
    }
}
BENCHMARK(BM_Read500ScanFiles)->Unit(benchmark::kMillisecond);

void BM_ReadOneScanFile(benchmark::State& state) {
    BenchFolder& f = files();
    std::string path = (f.folder / f.names[0]).string();
    for (auto _ : state) {
        ScanHeader h;
        int n = 0;
        float *r = nullptr, *s = nullptr, *t = nullptr;
        readScanFile(path.c_str(), &h, &n, &r, &s, &t, nullptr, 0.0f);
        free_vector(r, 1, n);
        free_vector(s, 1, n);
        free_vector(t, 1, n);
    }
}
BENCHMARK(BM_ReadOneScanFile)->Unit(benchmark::kMicrosecond);

}  // namespace
