// Fuzz target: the dlsdat reader takes any bytes without reading or writing
// out of bounds, and what it returns is written and read back.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "plot/error_box.h"
#include "tools/dls/dls_data.h"

namespace {

std::string scratchPath(const char* szWhat)
{
    return "/tmp/morvex_fuzz_dls_" + std::to_string(getpid()) + szWhat;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The writer's warning box takes its default answer.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte chooses the keep-g(2)-1 flag and the writer's lag form.
    const bool bKeepG2 = data[0] & 1;
    const std::string in = scratchPath(".in");
    FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    DlsScanHeader h;
    int n = 0;
    float *pLags = nullptr, *pValues = nullptr;
    if (readDlsDatFile(in.c_str(), &h, &n, &pLags, &pValues, bKeepG2)) {
        volatile float sum = 0.0f;
        for (int j = 1; j <= n; ++j) sum = sum + pLags[j] + pValues[j];
        bDlsLinearLags = (data[0] >> 1) & 1;
        const std::string out = scratchPath(".out");
        if (writeDlsDatSet(out.c_str(), n, pLags, pValues, nullptr, &h)) {
            DlsScanHeader h2;
            int n2 = 0;
            float *pLags2 = nullptr, *pValues2 = nullptr;
            if (readDlsDatFile(out.c_str(), &h2, &n2, &pLags2, &pValues2, true)) {
                free_vector(pLags2, 1, n2);
                free_vector(pValues2, 1, n2);
            }
        }
        bDlsLinearLags = 0;
        free_vector(pLags, 1, n);
        free_vector(pValues, 1, n);
    }
    // The boxes shown (the writer's warning) are kept in lists: start each input afresh.
    clearShownErrorMessages();
    win::headless::reset();
    return 0;
}
