// Scan files made by the scan-data tests, in a temporary folder of their own.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scandata/scan_header.h"

namespace scantest {

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Path of a file in the folder.
    std::string Path(const std::string& name) const;
    // The folder, without a trailing separator.
    std::string Dir() const;

private:
    std::filesystem::path folder;
};

void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);

struct ScanRecipe {
    std::string title = "synthetic scan";
    char letter = 'R';
    int cell = 1;
    float temperature = 20.0f;
    float rpm = 50000.0f;
    double time = 1000.0;
    double omega2t = 0.0;  // 0: constant speed over the whole time
    int wavelength = 280;
    int count = 1;
    int points = 100;
    float r0 = 6.0f;
    float dr = 0.001f;
    int columns = 3;
    std::function<float(int, float)> signal = [](int, float) { return 0.5f; };
};

// The text of a scan file of the recipe, points numbered from 1.
std::string scanText(const ScanRecipe& recipe);
// Writes it and returns the path.
std::string writeScan(const TempFolder& folder, const std::string& name, const ScanRecipe& recipe);

// A written scan file read back: its header, radii and signals (all empty
// when it cannot be read).
struct WrittenScan {
    ScanHeader h{};
    std::vector<float> r, s;
};
WrittenScan readWrittenScan(const std::string& path);

// A selection buffer: the directory, NUL, each name with its NUL, final NUL.
std::vector<char> selection(const std::string& dir, const std::vector<std::string>& names);

}  // namespace scantest
