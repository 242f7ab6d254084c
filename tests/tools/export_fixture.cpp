#include "tools/export_fixture.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

void ExportTest::TearDown()
{
    bEquilibriumDataMode = 0;
    bFluorescenceData = bInterferenceData = 0;
    DlsSetTest::TearDown();
}

std::vector<std::string> ExportTest::LoadScans(const std::string& folder, int n, const scantest::ScanRecipe& recipe,
                                               bool bEquilibrium)
{
    std::vector<std::string> paths;
    for (int k = 1; k <= n; ++k) {
        scantest::ScanRecipe r = recipe;
        r.time = recipe.time + 1000.0 * (k - 1);
        if (k > 1) r.title = "scan";
        char name[32];
        std::snprintf(name, sizeof name, "0000%d.RA1", k);
        paths.push_back(WriteScan(folder, name, r));
    }
    bEquilibriumDataMode = bEquilibrium ? 1 : 0;
    LoadPaths(paths);
    return paths;
}

void ExportTest::LoadPaths(const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    for (const std::string& p : paths) names.push_back(std::filesystem::path(p).filename().string());
    std::vector<char> sel =
        paths.size() == 1 ? std::vector<char>(paths[0].begin(), paths[0].end())
                          : scantest::selection(std::filesystem::path(paths[0]).parent_path().string(), names);
    if (paths.size() == 1) {
        sel.push_back('\0');
        sel.push_back('\0');
    }
    nLoadEveryNth = 1;
    LoadAllData(window.get(), sel.data());
    win::headless::processMessages();
}

void ExportTest::WriteFakeProgram(const std::string& path, const std::string& argsFile)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    scantest::writeText(path, "#!/bin/sh\necho \"$*\" >> '" + argsFile + "'\n");
    chmod(path.c_str(), 0755);
}

void ExportTest::ConfigureProgram(const std::string& name, const std::string& path)
{
    std::ofstream(work + "programs.ini", std::ios::app) << name << "=" << path << "\n";
}

std::vector<std::string> ExportTest::Lines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> ExportTest::WaitForLines(const std::string& path, size_t n)
{
    std::vector<std::string> lines = Lines(path);
    for (int i = 0; i < 500 && lines.size() < n; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = Lines(path);
    }
    return lines.size() < n ? std::vector<std::string>{} : lines;
}

std::string quoted(const std::string& text) { return win::headless::quote(text); }
