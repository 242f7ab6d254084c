// Fuzz target: any bytes as "morvexlammparams.ini", then the global grid
// allocated with the settings read. No setting may become a size that is not
// finite or not above 0, and the grid is either refused or laid out with
// finite radii, non-decreasing up to ten million points.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/data_file_paths.h"
#include "fegrid/global_grid.h"
#include "models/lamm_settings.h"
#include "models/model_globals.h"
#include "platform/headless.h"

namespace {

// The settings file and the grid back to the start of the program.
void restoreStartSettings()
{
    fAutoAlgorithmNormS = 5.0f;
    bShutOffBackDiffusion = 1;
    dBackDiffusionLevel = 1e-4;
    bAutoDynamicGridSize = 1;
    nDefaultGridSize = 1000;
    fPointsPerSigma = 5.0f;
    nDynGridUpperLimit = 2000;
    nDynGridLowerLimit = 75;
    bTimesFromW2t = 0;
    bAutoFEAlgorithm = 1;
    bFixedTimestep = 0;
    bClaverie = 0;
    bMovingHat = 1;
    bAutoSGrid = 1;
    dSGrid = 0.0;
    fTolerance = 0.01f;
    dMaxDcOverC = 1.0;
    fAutoAlgorithmNormSOptimized = 60.0f;
    bOptimizeGridSpacing = 1;
    bExperimentalInitialDistribution = 0;
    bTruncateGrid = 1;
    dTruncateLevel = 1e-6;
    bSimTimeResolution = 0;
    bSimRadialResolution = 0;
    fScanVelocity = 2.43f;
    fConvolutionRange = 0.008f;
    bCheckRotorAcceleration = 1;
    dSpeedStepDShutoff = 10.0;
    bRampRotorSpeed = 1;
}

void check(bool bOk, const char* szWhat)
{
    if (bOk) return;
    std::fprintf(stderr, "fuzz_lamm_settings: %s\n", szWhat);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    const std::string path = "/tmp/morvex_fuzz_lamm_" + std::to_string(getpid()) + ".ini";
    std::snprintf(szLammParamsIniPath, sizeof szLammParamsIniPath, "%s", path.c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    restoreStartSettings();
    std::FILE* f = std::fopen(szLammParamsIniPath, "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    ReadLammEqParameterPreferences(nullptr);

    check(nDefaultGridSize > 0, "grid size not above 0");
    check(nDynGridUpperLimit > 0 && nDynGridLowerLimit > 0, "grid limit not above 0");
    check(std::isfinite(fPointsPerSigma) && fPointsPerSigma > 0, "points per sigma");
    for (float x : {fAutoAlgorithmNormS, fTolerance, fAutoAlgorithmNormSOptimized, fScanVelocity, fConvolutionRange})
        check(std::isfinite(x), "a setting is not finite");
    for (double x : {dBackDiffusionLevel, dSGrid, dMaxDcOverC, dSpeedStepDShutoff})
        check(std::isfinite(x), "a setting is not finite");
    check(std::isfinite(dTruncateLevel) && dTruncateLevel > 0, "truncation level");
    check(bRampRotorSpeed == !bTimesFromW2t, "ramp and times from w2t");

    // The grid with the size read: refused (beyond the memory) or laid out.
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    nGridPoints = nDefaultGridSize;
    if (allocRadialGridArrays()) {
        check(nGridPointsAllocated == nDefaultGridSize, "allocated size");
        for (int i = 1; i <= nGridPointsAllocated; ++i) check(std::isfinite(pGridRadius[i]), "radius not finite");
        // (On tens of millions of points the rounding of the geometric
        // progression of the moving hat outgrows its last step.)
        if (nGridPointsAllocated < 10000000)
            for (int i = 2; i <= nGridPointsAllocated; ++i)
                check(pGridRadius[i] >= pGridRadius[i - 1], "radii not increasing");
    }
    freeRadialGridArrays();
    std::remove((std::string(szLammParamsIniPath) + ".new").c_str());
    win::headless::reset();
    return 0;
}
