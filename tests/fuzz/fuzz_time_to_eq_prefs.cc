// Fuzz target: the preferences file of the time-to-equilibrium tool and its
// two side files take any bytes; what is read either runs the tool or leaves
// the record as it was, and nothing is read or written out of bounds.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analyses/timetoeq/time_to_eq_params.h"
#include "platform/headless.h"
#include "plot/error_box.h"
#include "scandata/rotor_speed_profile.h"

namespace {

std::string scratchFolder()
{
    static std::string folder = "/tmp/morvex_fuzz_tte_" + std::to_string(getpid()) + "/";
    return folder;
}

void writeBytes(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    const std::string cmd = "mkdir -p " + scratchFolder();
    if (std::system(cmd.c_str()) != 0) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Two bytes give the lengths of the main file and the duration file; the
    // rest is the speed-steps file. Bit 0 of the first byte drops the side
    // files (they are then missing).
    if (size < 2) return 0;
    const bool bSideFiles = (data[0] & 1) != 0;
    size_t nMain = data[0] * 8u + data[1];
    size_t nRest = size - 2;
    if (nMain > nRest) nMain = nRest;
    const uint8_t* main = data + 2;
    size_t nDuration = nRest - nMain > 0 ? (data[1] % 32u) : 0;
    if (nDuration > nRest - nMain) nDuration = nRest - nMain;
    const uint8_t* duration = main + nMain;
    const uint8_t* steps = duration + nDuration;
    const size_t nSteps = nRest - nMain - nDuration;

    const std::string path = scratchFolder() + "morvexsimappeqparams.ini";
    const std::string durationPath = scratchFolder() + "morvexsimappeqparams_iniduration.ini";
    const std::string stepsPath = scratchFolder() + "morvexsimappeqparams_speedsteps.ini";
    writeBytes(path, main, nMain);
    std::remove(durationPath.c_str());
    std::remove(stepsPath.c_str());
    std::remove((stepsPath + "_fixed").c_str());
    if (bSideFiles) {
        writeBytes(durationPath, duration, nDuration);
        writeBytes(stepsPath, steps, nSteps);
    }

    float before[nTimeToEqFileValues], after[nTimeToEqFileValues];
    timeToEqParamsToValues(timeToEqParams, before);
    const bool bRead = LoadSimAppEqParameterPreferences(nullptr, path.c_str());
    timeToEqParamsToValues(timeToEqParams, after);
    bool bChanged = false;
    for (int k = 0; k < nTimeToEqFileValues; ++k) bChanged = bChanged || before[k] != after[k];
    // values are taken only from a file that can run the tool; a failing
    // side file comes after they were taken
    if (bChanged && !timeToEqValuesUsable(after)) std::abort();
    if (!bRead && bChanged && !timeToEqParams.bHistory) std::abort();
    if (bRead) {
        const TimeToEqParams& p = timeToEqParams;
        // an accepted file runs the tool: a column with room, positive rates
        // and tolerance, counts it can use
        if (!(p.fBottom > p.fMeniscus && p.fMeniscus > 0 && p.fEpsilon > 0 && p.fGridStep > 0 &&
              p.fAccelerationRate > 0 && p.fDecelerationRate > 0 && p.fFinalRpm > 0 && p.nRepeats >= 1 &&
              p.nParams >= (p.bExponential ? 2 : 1) && p.fM1 > 0))
            std::abort();
        if (p.bHistory && (!p.pHistoryProfile || p.pHistoryProfile->nSteps < 1 || !std::isfinite(p.fHistoryDuration)))
            std::abort();
    }
    resetTimeToEqParams(&timeToEqParams);
    win::headless::reset();
    clearShownErrorMessages();
    return 0;
}
