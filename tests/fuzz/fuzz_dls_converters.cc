// Fuzz target: every light-scattering converter's parser takes any bytes
// without reading or writing out of bounds. The first byte chooses the
// converter, the second the channel count the caller would have typed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/headless.h"
#include "plot/error_box.h"
#include "tools/dls/dls_converters.h"

namespace {

std::filesystem::path scratchFolder()
{
    static std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("morvex_fuzz_dlsconv_" + std::to_string(getpid()));
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    std::filesystem::create_directories(scratchFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const int nConverter = data[0] % 11;
    const int nChannels = data[1];
    const std::string in = (scratchFolder() / "input").string();
    FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);
    const std::string out = (scratchFolder() / "out" / "00001.dlsdat").string();
    std::filesystem::create_directories(scratchFolder() / "out");
    const char* i = in.c_str();
    const char* o = out.c_str();
    switch (nConverter) {
    case 0: convertAlvDls(i, o); break;
    case 1: convertDynamics7Dls(i, o, 20.0f, 1.333f, 0.01002f, 660e-9f, 90.0f); break;
    case 2: convertPS99v6Dls(i, o, 20.0f, 1.333f, 0.01002f, 824.7e-9f, 90.0f); break;
    case 3: convertPhotoCorDls(i, o); break;
    case 4: convertTwoColumnG2Dls(i, o, 1e-6f, 100000.0f, 20.0f, 1.0f, 1.0f, 1.333f, 0.01002f, 90.0f, 808.3e-9f); break;
    case 5: convertTwoColumnG2m1Dls(i, o, 25.0f, 1.0f, 1.333f, 0.01002f, 173.0f, 632.8e-9f); break;
    case 6: convertBicDls(i, o); break;
    case 7: convertOldDosBicDls(i, o); break;
    case 8: convertPSv4Dls(i, o, 20.0f, 1.333f, 0.01002f, 824.7e-9f, 90.0f, nChannels); break;
    case 9: convertPS99Dls(i, o, 0.01002f, 1.333f, nChannels); break;
    default: convertPS99v526Dls(i, o, 0.01002f, 1.333f, nChannels, data[1] & 1); break;
    }
    std::error_code ec;
    std::filesystem::remove_all(scratchFolder() / "out", ec);
    // The boxes shown (the writer's warning) are kept in lists: start each input afresh.
    clearShownErrorMessages();
    win::headless::reset();
    return 0;
}
