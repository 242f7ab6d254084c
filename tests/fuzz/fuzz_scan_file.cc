// Fuzz target: the radial scan file reader and the list file reader take any
// bytes without reading or writing out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_list.h"

namespace {

std::string scratchPath() {
    static std::string path = "/tmp/morvex_fuzz_scan_" + std::to_string(getpid());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Any box the list reader shows takes its default answer.
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the reader's settings.
    const uint8_t mode = data[0];
    bElectrophoresisData = mode & 1;
    bDontLoadSpikes = (mode >> 1) & 1;
    bSetNColumns = (mode >> 2) & 1;
    nDataColumns = (mode >> 3) & 7;
    const float fResolution = (mode & 0x40) ? 0.001f * ((mode >> 4) & 3) : 0.0f;
    const bool bThird = mode & 0x80;

    FILE* f = std::fopen(scratchPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    ScanHeader h;
    int n = 0;
    float *r = nullptr, *s = nullptr, *t = nullptr;
    unsigned char ts = 0;
    if (readScanFile(scratchPath().c_str(), &h, &n, &r, &s, bThird ? &t : nullptr, &ts, fResolution)) {
        // Every returned point is there to read.
        volatile float sum = 0.0f;
        for (int i = 1; i <= n; ++i) sum = sum + r[i] + s[i] + (t ? t[i] : 0.0f);
        free_vector(r, 1, n);
        free_vector(s, 1, n);
        free_vector(t, 1, n);
    }

    if (readScanListFile(nullptr, scratchPath().c_str())) {
        volatile size_t len = 0;
        for (int i = 1; i <= nPendingFiles; ++i) len = len + std::string(ppPendingFileName[i]).size();
    }
    freeScanFileList();
    // The boxes of the list reader go to the transcript; start each input afresh.
    win::headless::reset();
    bElectrophoresisData = bDontLoadSpikes = bSetNColumns = 0;
    return 0;
}
