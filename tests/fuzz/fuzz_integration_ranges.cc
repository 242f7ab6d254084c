// Fuzz target: "integratrangefile.txt" and the ranges file it names, of any
// bytes, are loaded into the ranges table and reported over a distribution,
// without reading or writing out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/data_file_paths.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/peak_information.h"
#include "models/model_globals.h"
#include "platform/headless.h"

namespace {

std::string scratchStem()
{
    static std::string stem = "/tmp/morvex_fuzz_ranges_" + std::to_string(getpid());
    return stem;
}

bool writeFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    std::snprintf(szIntegrRangeFilePath, sizeof szIntegrRangeFilePath, "%s", (scratchStem() + "_list.txt").c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte: which file the bytes go to, and the distribution.
    const uint8_t mode = data[0];
    const std::string ranges = scratchStem() + "_ranges.dat";
    if (mode & 1) {
        // the ranges file of any bytes, named properly
        if (!writeFile(szIntegrRangeFilePath, reinterpret_cast<const uint8_t*>(ranges.data()), ranges.size()))
            return 0;
        if (!writeFile(ranges, data + 1, size - 1)) return 0;
    } else {
        // the list file of any bytes after the scratch folder's name (dots
        // taken out, so that no path leaves it)
        std::string text = scratchStem() + "_";
        for (size_t i = 1; i < size; i++) text.push_back(data[i] == '.' ? '_' : static_cast<char>(data[i]));
        if (!writeFile(szIntegrRangeFilePath, reinterpret_cast<const uint8_t*>(text.data()), text.size())) return 0;
    }

    bModelContinuous = 1;
    bModelCS = 1;
    const int n = 2 + ((mode >> 1) & 63);
    allocDistributionVectors(n);
    for (int i = 1; i <= n; i++) {
        pDistAxisS[i] = 0.2f * static_cast<float>(i - 1);
        pDistAxisM[i] = 0.0f;
        pDistValues[i] = (mode & 128) ? 1.0f : static_cast<float>(i % 7);
        pDistValues2[i] = 0.0f;
    }

    if (loadIntegrationRangesFile()) {
        std::string report;
        std::vector<IntegrationRangeRow> rows;
        integrationRangesReport(&report, &rows);
        if (static_cast<int>(rows.size()) != nIntegrationRanges) __builtin_trap();
    }
    freeIntegrationRanges();
    bDistPlotBuilt = 0;
    clearDistributionResults();
    nResolution = 0;
    win::headless::reset();
    return 0;
}
