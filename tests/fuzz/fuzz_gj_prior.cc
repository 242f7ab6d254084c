// Fuzz target: a prior file of the peak-table ("GJT") layout of any bytes is
// read over a distribution grid of any size and spacing into the prior
// probabilities and the discrete-species prior, without reading or writing
// out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "models/model_globals.h"
#include "platform/headless.h"

namespace {

std::string scratchPath()
{
    static std::string path = "/tmp/morvex_fuzz_gjprior_" + std::to_string(getpid());
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
    if (size < 2) return 0;
    // The first two bytes: the grid (its size, spacing and repeated points)
    // and the model.
    const int n = data[0] & 63;
    const float ds = 0.05f * static_cast<float>(1 + (data[0] >> 6) * 3);
    bModelContinuous = 1;
    bModelCS = 1;
    bModelLsgs = (data[1] & 1) ? 1 : 0;
    bModelZone = (data[1] & 2) ? 1 : 0;
    if (n > 0) {
        allocDistributionVectors(n);
        float s = 0.1f * static_cast<float>(data[1] >> 3);
        for (int i = 1; i <= n; i++) {
            pDistAxisS[i] = s;
            if (!((data[1] & 4) && i % 5 == 0)) s += ds;  // some points twice
        }
    }

    FILE* f = std::fopen(scratchPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);

    if (importGJPriorFile(scratchPath().c_str())) {
        volatile double sum = 0.0;
        for (int i = 1; i <= nResolution; i++) sum = sum + pPriorProbability[i];
        for (int i = 1; i <= nPriorDiscreteSpecies; i++)
            sum = sum + pPriorDiscreteSpecies[i] + pPriorDiscreteSpeciesValues[i];
    }
    bDistPlotBuilt = 0;
    clearDistributionResults();
    nResolution = 0;
    freePriorDiscreteSpecies();
    bModelLsgs = bModelZone = 0;
    win::headless::reset();
    return 0;
}
