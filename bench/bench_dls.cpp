// Model autocorrelation of light-scattering data: the kernels of one
// distribution grid (200 diffusion coefficients) over 20 measurements of 200
// lags each, as a continuous-distribution run asks for them; and the
// maximum-entropy regularization of an I(D) distribution of noise-free
// decays, whose chi-square is all rounding.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/max_entropy.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
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

// 100 grid points of D from 1e-8 to 1e-5 cm^2/s over 3 measurements of 200
// lags; the data are the model of one decay at 5e-7 cm^2/s, without noise.
void BM_DlsRegularizeNoiseFree(benchmark::State& state)
{
    constexpr int nD = 100, nMeas = 3;
    KernelSet set;
    // the kernel set's measurements, cut to three
    nScans = nMeas;
    freeLammSolutionStore(1);
    allocLammSolutionStore(nD + 1, nMeas, nLags);
    for (int g = 1; g <= nD + 1; ++g) {
        nLammSolutionSet = g;
        dLammD = g <= nD ? std::pow(10.0, -8.0 + 3.0 * (g - 1) / (nD - 1)) : 5e-7;
        calcDlsModelAcf();
    }
    ppScanOnNoiseGrid = new float*[nMeas + 1]();
    for (int k = 1; k <= nMeas; ++k) {
        ppScanOnNoiseGrid[k] = vector(1, nLags);
        for (int j = 1; j <= nLags; ++j) ppScanOnNoiseGrid[k][j] = pLammSolutions[nD + 1][k][j];
    }
    nNoiseGridFirst = 1;
    nNoiseGridLast = nLags;
    nResolution = nNEQSize = nD;
    bDLSData = 1;
    allocNormalArrays(nD, nMeas, nLags);
    buildNormalEquations(nullptr, 1);
    bRegMaxEnt = 1;
    fConfidenceLevel = 0.95f;
    for (auto _ : state) {
        regularizeMaxEntropy();
        benchmark::DoNotOptimize(pNESolution[1]);
    }
    state.counters["chi2_ratio"] = dChiSquare / dChiSquareUnreg;
    state.counters["target"] = fTargetChisqRatio;
    freeNormalArrays(nD);
    for (int k = 1; k <= nMeas; ++k) free_vector(ppScanOnNoiseGrid[k], 1, nLags);
    delete[] ppScanOnNoiseGrid;
    ppScanOnNoiseGrid = nullptr;
    freeLammSolutionStore(nD + 1);
    allocLammSolutionStore(1, nMeasurements, nLags);  // for the kernel set's own release
    nScans = nMeasurements;
    bDLSData = 0;
}
BENCHMARK(BM_DlsRegularizeNoiseFree)->Unit(benchmark::kMillisecond);

}  // namespace
