#include "scandata/scan_test_files.h"

#include <atomic>
#include <cmath>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "numerics/nrutil.h"
#include "scandata/scan_file.h"

namespace scantest {

TempFolder::TempFolder() {
    static std::atomic<int> n{0};
    folder = std::filesystem::temp_directory_path() /
             ("morvex_scantest_" + std::to_string(getpid()) + "_" + std::to_string(n++));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

std::string TempFolder::Path(const std::string& name) const { return (folder / name).string(); }

std::string TempFolder::Dir() const { return folder.string(); }

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string scanText(const ScanRecipe& s) {
    char line[256];
    std::string text = s.title + "\n";
    double w2t = s.omega2t;
    if (w2t == 0.0) {
        double omega = s.rpm * 2.0 * M_PI / 60.0;
        w2t = omega * omega * s.time;
    }
    std::snprintf(line, sizeof(line), "%c %d %.1f %.0f %.0f %.6e %d %d\n", s.letter, s.cell, s.temperature,
                  s.rpm, s.time, w2t, s.wavelength, s.count);
    text += line;
    for (int i = 1; i <= s.points; ++i) {
        float r = s.r0 + (i - 1) * s.dr;
        if (s.columns == 2)
            std::snprintf(line, sizeof(line), "%.4f %.6e\n", r, s.signal(i, r));
        else
            std::snprintf(line, sizeof(line), "%.4f %.6e %.6e\n", r, s.signal(i, r), 0.01);
        text += line;
    }
    return text;
}

std::string writeScan(const TempFolder& folder, const std::string& name, const ScanRecipe& recipe) {
    std::string path = folder.Path(name);
    writeText(path, scanText(recipe));
    return path;
}

std::vector<char> selection(const std::string& dir, const std::vector<std::string>& names) {
    std::vector<char> buf(dir.begin(), dir.end());
    buf.push_back('\0');
    for (const std::string& n : names) {
        buf.insert(buf.end(), n.begin(), n.end());
        buf.push_back('\0');
    }
    buf.push_back('\0');
    buf.push_back('\0');
    return buf;
}

WrittenScan readWrittenScan(const std::string& path)
{
    WrittenScan w;
    int n = 0;
    float *r = nullptr, *s = nullptr;
    if (!readScanFile(path.c_str(), &w.h, &n, &r, &s, nullptr, nullptr, 0.0f)) return w;
    w.r.assign(r + 1, r + n + 1);
    w.s.assign(s + 1, s + n + 1);
    free_vector(r, 1, n);
    free_vector(s, 1, n);
    return w;
}

}  // namespace scantest
