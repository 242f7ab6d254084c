// One species on the global grid of 1000 points: s = 5 S, D = 6e-7 cm^2/s,
// 50000 rpm, cell 6.0 - 7.2 cm, 50 scans up to 5000 s sampled at 500 radii,
// with the Claverie propagator (the Lamm settings' defaults: the active
// window on) and with the moving hat (its default: whole natural steps). The
// extra row "NoWindow" is Claverie with the truncation switched off.
// A monomer-dimer (4 and 6 S, 6e-7 and 4.5e-7 cm^2/s, log10 Ka 0) on the same
// grid and scans, with the static grid of reacting systems and with the moving
// hat of interacting species (the Lamm settings' defaults: max dc/c 1, the
// automatic s grid).
// The same species and scans in the external loading cell (oil 0.01 ml, the
// element integrals by quadrature made anew every time) and with a
// sedimenting co-solute (the ideal co-solute on its grid of 50 points); the
// buffer signal of both sides (a meniscus mismatch) over the same scans.
#include <benchmark/benchmark.h>

#include <cmath>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/element_quadrature.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/loading_cell.h"
#include "fegrid/interacting_coefficients.h"
#include "fegrid/propagators.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"

namespace {

struct GridBenchScans {
    static constexpr int nScansWanted = 50, nPoints = 500;
    GridBenchScans()
    {
        nScans = nScansWanted;
        pScanHeaders = new ScanHeader[nScans + 1]();
        ppRadius = new float*[nScans + 1]();
        ppFit = new float*[nScans + 1]();
        ppModelPart = new float*[nScans + 1]();
        pScanPoints = ivector(1, nScans);
        pScanTimeOrder = ivector(1, nScans);
        const double w = 50000 * 2 * M_PI / 60;
        for (int k = 1; k <= nScans; k++) {
            ScanHeader& h = pScanHeaders[k];
            h.time = h.timeWritten = h.timeRead = 100.0 * k;
            h.rpm = 50000;
            h.temperature = 20;
            h.omega2t = w * w * h.time;
            pScanPoints[k] = nPoints;
            pScanTimeOrder[k] = k;
            ppRadius[k] = vector(1, nPoints);
            ppFit[k] = vector(1, nPoints);
            ppModelPart[k] = vector(1, nPoints);
            for (int j = 1; j <= nPoints; j++) ppRadius[k][j] = float(6.0 + 1.2 * (j - 1) / (nPoints - 1));
        }
        fMeniscus = 6.0f;
        fBottom = 7.2f;
        fFitLeftLim = 6.05f;
        fFitRightLim = 7.15f;
        bAbsorbanceData = 1;
        bRampRotorSpeed = 0;
    }
    ~GridBenchScans()
    {
        for (int k = 1; k <= nScans; k++) {
            free_vector(ppRadius[k], 1, nPoints);
            free_vector(ppFit[k], 1, nPoints);
            free_vector(ppModelPart[k], 1, nPoints);
        }
        delete[] ppRadius;
        delete[] ppFit;
        delete[] ppModelPart;
        delete[] pScanHeaders;
        free_ivector(pScanPoints, 1, nScans);
        free_ivector(pScanTimeOrder, 1, nScans);
        ppRadius = ppFit = ppModelPart = nullptr;
        pScanHeaders = nullptr;
        pScanPoints = pScanTimeOrder = nullptr;
        nScans = 0;
        freeRadialGridArrays();
    }
};

// The time set-up of the model evaluation and a constant loading.
void startRun()
{
    dLammS = 5.0;
    dLammD = 6e-7;
    dOmega = dOmegaNow = 50000;
    bRotorAccelerating = 0;
    nSimSpeciesIndex = 1;
    nSimOutputMode = 1;
    nSimScanIndex = 1;
    dSimTime = 0;
    nTimeStepCount = 0;
    dNextScanTime = dStepTargetTime = pScanHeaders[1].time;
    bStepToScanTime = 1;
    dTimeStep = 1.0;
    dMaxDcOverCWork = dMaxDcOverC;
    dMaxDcOverCLow = 0.05 * dMaxDcOverCWork;
    dMaxDcOverCHigh = 0.2 * dMaxDcOverCWork;
    bSimulationRunning = 1;
    setupRadialGrid();
    for (int i = 1; i <= nGridPointsAllocated; i++) pGridConc[i] = 1.0;
}

void layOut(bool bHat)
{
    freeRadialGridArrays();
    bMovingHat = bHat ? 1 : 0;
    bClaverie = bHat ? 0 : 1;
    nGridPoints = 1000;
    allocRadialGridArrays();
}

void BM_ClaverieGlobalGrid(benchmark::State& state)
{
    GridBenchScans scans;
    const unsigned char bTruncateSaved = bTruncateGrid;
    bTruncateGrid = state.range(0) ? 1 : 0;
    layOut(false);
    for (auto _ : state) {
        startRun();
        propagateLammStatic();
        benchmark::DoNotOptimize(ppFit[nScans][250]);
    }
    bTruncateGrid = bTruncateSaved;
}

void BM_MovingHatGlobalGrid(benchmark::State& state)
{
    GridBenchScans scans;
    const double dSGridSaved = dSGrid;
    const unsigned char bFixedSaved = bFixedTimestep;
    layOut(true);
    for (auto _ : state) {
        startRun();
        propagateLammMovingHatLogGrid();
        updateMovingGridRadii();
        benchmark::DoNotOptimize(ppFit[nScans][250]);
    }
    dSGrid = dSGridSaved;
    bFixedTimestep = bFixedSaved;
}

// The monomer-dimer's grid (with the non-ideal block) and parameters; the
// model flag and the settings the moving hat changes are restored at the end.
struct MonomerDimerBench {
    unsigned char bModelSaved = bModelMonomerDimer, bFixedSaved = bFixedTimestep, bAutoSaved = bAutoSGrid;
    double dSGridSaved = dSGrid;
    explicit MonomerDimerBench(bool bHat)
    {
        bModelMonomerDimer = 1;
        bFixedTimestep = 0;
        bAutoSGrid = 1;
        fSAMonomerS = 4;
        fSAOligomerS = 6;
        fSAMonomerMorD = 6e-7f;
        fSAOligomerMorD = 4.5e-7f;
        fSALog10Ka = 0;
        layOut(bHat);
    }
    ~MonomerDimerBench()
    {
        freeRadialGridArrays();
        bModelMonomerDimer = bModelSaved;
        bFixedTimestep = bFixedSaved;
        bAutoSGrid = bAutoSaved;
        dSGrid = dSGridSaved;
    }
};

void BM_MonomerDimerStaticGrid(benchmark::State& state)
{
    GridBenchScans scans;
    MonomerDimerBench md(false);
    for (auto _ : state) {
        startRun();
        propagateLammB();
        benchmark::DoNotOptimize(ppFit[nScans][250]);
    }
}

void BM_MonomerDimerMovingHat(benchmark::State& state)
{
    GridBenchScans scans;
    MonomerDimerBench md(true);
    for (auto _ : state) {
        startRun();
        propagateLammMovingHat();
        updateMovingGridRadii();
        benchmark::DoNotOptimize(ppFit[nScans][250]);
    }
}

void BM_LoadingCellGlobalGrid(benchmark::State& state)
{
    GridBenchScans scans;
    const float fOilSaved = fElcOilVolume;
    bGeometryExternalLoadingCell = 1;
    fElcOilVolume = state.range(0) / 1000.0f;
    layOut(false);
    for (auto _ : state) {
        freeGeometryElementRows();  // the quadrature every time
        startRun();
        propagateLammStatic();
        benchmark::DoNotOptimize(ppFit[nScans][250]);
    }
    bGeometryExternalLoadingCell = 0;
    fElcOilVolume = fOilSaved;
    freeGeometryElementRows();
}

void BM_ClaverieSedimentingCosolute(benchmark::State& state)
{
    GridBenchScans scans;
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = 0;
    nCosoluteGridSize = 50;
    layOut(false);
    for (auto _ : state) {
        startRun();
        propagateLammStatic();
        benchmark::DoNotOptimize(ppFit[nScans][250]);
    }
    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 0;
    bCompressibleSolvent = 1;
    freeInhomogeneousSolventArrays();
    freeSolverWorkBlock();
}

void BM_SimulateBufferSignal(benchmark::State& state)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    if (!pParamValue) allocParameterVectors();  // as the program does at start
    GridBenchScans scans;
    TXLAWindow window(nullptr, "Sedimentation Analysis");
    window.Create();
    bInterferenceData = 1;
    bAbsorbanceData = 0;
    bModelDiscreteSpecies = 1;
    bBufferMismatch = 1;
    bBufferMeniscusMismatch = 1;
    dBufferMeniscusDiff = 0.02;
    fRT = 2.436002e10f;
    for (auto _ : state) {
        dBufferSignal = 30;
        window.SimulateBufferSignal();
        benchmark::DoNotOptimize(ppFit[nScans][250]);
    }
    bInterferenceData = 0;
    bBufferMismatch = bBufferMeniscusMismatch = bModelDiscreteSpecies = 0;
    freeBufferGridArrays();
}

}  // namespace

BENCHMARK(BM_SimulateBufferSignal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadingCellGlobalGrid)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadingCellGlobalGrid)->Name("BM_LoadingCellGlobalGrid/NoOil")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClaverieSedimentingCosolute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonomerDimerStaticGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonomerDimerMovingHat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClaverieGlobalGrid)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClaverieGlobalGrid)->Name("BM_ClaverieGlobalGrid/NoWindow")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingHatGlobalGrid)->Unit(benchmark::kMillisecond);
