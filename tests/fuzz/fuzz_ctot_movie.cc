// Fuzz target: any bytes as a ".ctot" file. The reader either loads a movie
// whose arrays hold what the header says, or leaves an empty one; it never
// allocates more than the file could fill.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "distributions/ctot_movie.h"
#include "platform/headless.h"

namespace {

std::string scratchPath()
{
    static std::string path = "/tmp/morvex_fuzz_ctot_" + std::to_string(getpid());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(scratchPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CCtotMovie m;
    if (m.Read(scratchPath().c_str())) {
        if (m.nFrames < 1 || m.nPoints < 1 || 2.0 * m.nFrames * m.nPoints > static_cast<double>(size))
            __builtin_trap();
        volatile float sum = 0.0f;
        for (int i = 1; i <= m.nFrames; i++) sum = sum + m.pTimes[i] + m.ppCtot[i][m.nPoints] + m.ppCtot[i][1];
        for (int j = 1; j <= m.nPoints; j++) sum = sum + m.pRadii[j];
        // written and read again, it is the same movie
        const std::string copy = scratchPath() + ".copy";
        if (!m.SaveAs(copy.c_str())) __builtin_trap();
        CCtotMovie b;
        if (!b.Read(copy.c_str()) || b.nFrames != m.nFrames || b.nPoints != m.nPoints) __builtin_trap();
        std::remove(copy.c_str());
    } else if (m.bLoaded || m.ppCtot || m.pRadii || m.pTimes) {
        __builtin_trap();
    }
    return 0;
}
