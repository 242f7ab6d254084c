// The example's numbered scans (not the grid file or the saved analysis a run
// leaves beside them) copied into a folder of a benchmark's own, as the
// multiple-file selection the loaders read: the folder, each name, and an
// empty string at the end, separated by NULs.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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
