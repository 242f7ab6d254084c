// Scan files of the benchmarks that go through the loaders: the example's
// numbered scans (not the grid file or the saved analysis a run leaves beside
// them) copied into a folder of a benchmark's own, or simulated scans written
// there; both as the multiple-file selection the loaders read: the folder,
// each name, and an empty string at the end, separated by NULs. And the load
// of such a selection into a new main window.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/xla_window.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_header.h"
#include "scandata/scan_loading.h"

inline std::vector<char> copyExampleScanSelection(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    std::string sel = folder.string();
    sel += '\0';
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(MORVEX_SOURCE_DIR "/examples/velocity")) {
        const std::string stem = e.path().stem().string();
        if (e.path().extension() != ".RA1" || stem.find_first_not_of("0123456789") != std::string::npos) continue;
        std::filesystem::copy_file(e.path(), folder / e.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) sel += n + '\0';
    sel += '\0';
    return std::vector<char>(sel.begin(), sel.end());
}

// The profiles out[k][1..n] on the radii r[1..n] (zero inside 6.0 cm, plus
// offset) with Gaussian noise of rms 0.004 from a fixed seed, written as
// 00001.RA1 ... with the headers[k] into folder; the selection of them.
inline std::vector<char> writeNoisyScanSelection(const std::filesystem::path& folder, int nScans, int n,
                                                 float* r, float** out, ScanHeader* headers, float offset,
                                                 unsigned seed)
{
    std::mt19937 gen(seed);
    std::normal_distribution<float> noise(0.0f, 0.004f);
    std::vector<float> y(static_cast<size_t>(n) + 1);
    std::string sel = folder.string();
    sel += '\0';
    for (int k = 1; k <= nScans; ++k) {
        for (int i = 1; i <= n; ++i) y[i] = offset + (r[i] < 6.0f ? 0.0f : out[k][i]) + noise(gen);
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        writeScanFile((folder / name).c_str(), n, r, y.data(), nullptr, nullptr, 1, &headers[k]);
        sel += std::string(name) + '\0';
    }
    sel += '\0';
    return std::vector<char>(sel.begin(), sel.end());
}

// The window created and the selection loaded, every scan; the number of
// scans loaded.
inline int loadBenchSelection(TXLAWindow& window, std::vector<char> selection)
{
    window.Create();
    nLoadEveryNth = 1;
    bCheckTimeStamps = 0;
    LoadAllData(&window, selection.data());
    return nScans;
}
