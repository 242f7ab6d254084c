// Fuzz target: the M(s) table "mofs.dat" of any bytes is read and
// interpolated at any s without reading out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/data_file_paths.h"
#include "distributions/hydrodynamics.h"
#include "platform/headless.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    std::snprintf(szMofsPath, sizeof szMofsPath, "/tmp/morvex_fuzz_mofs_%d", static_cast<int>(getpid()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first four bytes: an s at which to interpolate besides a fixed set.
    float fS = 0.0f;
    if (size >= 4) std::memcpy(&fS, data, 4);
    const size_t nSkip = size >= 4 ? 4 : size;
    FILE* f = std::fopen(szMofsPath, "wb");
    if (!f) return 0;
    std::fwrite(data + nSkip, 1, size - nSkip, f);
    std::fclose(f);
    if (readMofSTable()) {
        volatile float sum = 0.0f;
        for (float s : {fS, -5.0f, 0.0f, 0.5f, 3.0f, 10.0f, 1e6f}) sum = sum + mOfSInterpolate(s);
        for (int i = 1; i <= nMofSTablePoints; i++) sum = sum + static_cast<float>(pMofSTableS[i] + pMofSTableM[i]);
    }
    freeMofSTable();
    win::headless::reset();
    return 0;
}
