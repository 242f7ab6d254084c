// Model autocorrelation of light-scattering data: the kernels of one
// distribution grid (200 diffusion coefficients) over 20 measurements of 200
// lags each, as a continuous-distribution run asks for them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

#include "distributions/lamm_solution_store.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"

namespace {

constexpr int nMeasurements = 20;
constexpr int nLags = 200;
constexpr int nGrid = 200;

// A light-scattering set held only as far as the kernels read it: records,
// time order, the common lag grid and one row of the solution store.
struct KernelSet {
    KernelSet()
    {
        nScans = nMeasurements;
        pDlsHeaders = new DlsScanHeader[nMeasurements + 1]();
        pScanTimeOrder = ivector(1, nMeasurements);
        for (int i = 1; i <= nMeasurements; ++i) {
            DlsScanHeader& h = pDlsHeaders[i];
            h.angle = 90.0f;
            h.refractiveIndex = 1.333f;
            h.wavelength = 632.8e-9f;
            h.fieldAcf = 1;
            h.nPoints = nLags;
            pScanTimeOrder[i] = i;
        }
        pNoiseGrid = vector(1, nLags);
        nNoiseGridPoints = nLags;
        for (int j = 1; j <= nLags; ++j) pNoiseGrid[j] = -7.0f + 6.0f * static_cast<float>(j - 1) / (nLags - 1);
        allocLammSolutionStore(1, nMeasurements, nLags);
        nLammSolutionSet = 1;
        bModelDlsRh = 1;
        dDlsKernelAmplitude = 1.0;
    }
    ~KernelSet()
    {
        freeLammSolutionStore(1);
        free_vector(pNoiseGrid, 1, nLags);
        pNoiseGrid = nullptr;
        nNoiseGridPoints = 0;
        free_ivector(pScanTimeOrder, 1, nMeasurements);
        pScanTimeOrder = nullptr;
        delete[] pDlsHeaders;
        pDlsHeaders = nullptr;
        nScans = 0;
        bModelDlsRh = 0;
    }
};

void BM_DlsModelAcfGrid(benchmark::State& state)
{
    KernelSet set;
    double dCheck = 0.0;
    for (auto _ : state) {
        // Stokes radii from 0.1 to 1000 nm, logarithmically: D from 2.1e-5
        // down to 2.1e-9 cm^2/s.
        for (int g = 0; g < nGrid; ++g) {
            dLammD = 2.14e-5 * std::pow(10.0, -4.0 * g / (nGrid - 1));
            calcDlsModelAcf();
        }
        dCheck += pLammSolutions[1][nMeasurements][nLags / 2];
    }
    benchmark::DoNotOptimize(dCheck);
    state.counters["kernels"] = nGrid * nMeasurements;
}
BENCHMARK(BM_DlsModelAcfGrid)->Unit(benchmark::kMillisecond);

}  // namespace
