// Fuzz target: a distribution file of any bytes becomes the current
// distribution with its Lamm-solution store and normal equations sized from
// the file, without reading or writing out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "distributions/conti_globals.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

namespace {

std::string scratchPath()
{
    static std::string path = "/tmp/morvex_fuzz_dist_" + std::to_string(getpid());
    return path;
}

// nScans scans of nPoints points each (the store's sizes come from scan 1).
void installScans(int n, int nPoints)
{
    freeScanData();
    if (n < 1) return;
    pScanHeaders = new ScanHeader[n + 1]();
    pScanPoints = ivector(1, n);
    ppRadius = new float*[n + 1]();
    for (int i = 1; i <= n; i++) {
        pScanPoints[i] = nPoints;
        ppRadius[i] = vector(1, nPoints);
    }
    nScans = n;
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
    if (size < 1) return 0;
    // The first byte: the model family, the normalisation and the scans.
    const uint8_t mode = data[0];
    bModelCS = mode & 1;
    bModelElectrophoresisCV = (mode >> 1) & 1;
    bSyntheticDistNormalized = (mode >> 2) & 1;
    installScans((mode >> 3) & 3, 1 + ((mode >> 5) & 7) * 7);

    FILE* f = std::fopen(scratchPath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    if (loadDistributionFromFile(scratchPath().c_str())) {
        volatile float sum = 0.0f;
        for (int i = 1; i <= nResolution; i++) sum = sum + pDistAxisS[i] + pDistAxisM[i] + pDistValues[i];
        // every vector of the store is there to write
        for (int g = 1; g <= nLammSolutionStoreRows; g++)
            for (int k = 1; k <= nScans; k++) pLammSolutions[g][k][pScanPoints[1]] = 1.0f;
        for (int i = 1; i <= nResolution; i++) pNEMatrix[i][nResolution] = pNERightSide[i] = 1.0;
    }
    bDistPlotBuilt = 0;
    clearDistributionResults();
    freeLammSolutionStore(nLammSolutionStoreRows);
    freeNormalArrays(nResolution);
    freeScanData();
    win::headless::reset();
    return 0;
}
