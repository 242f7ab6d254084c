// One Lamm equation solution: s = 5 S, D = 6e-7 cm^2/s, 50000 rpm, cell
// 6.0 - 7.2 cm, 50 scans up to 5000 s, sampled at 600 radii.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "lamm_bench_scans.h"
#include "lamm/lamm_ideal.h"
#include "numerics/nrutil.h"
#include "scandata/scan_header.h"

namespace {

struct Experiment {
    static constexpr int nScans = 50, nPoints = 600;
    std::vector<ScanHeader> headers;
    float* radii = vector(1, nPoints);
    float** out = matrix(1, nScans, 1, nPoints);
    Experiment()
    {
        fillBenchScans(headers, nScans, radii, nPoints);
    }
    ~Experiment()
    {
        free_vector(radii, 1, nPoints);
        free_matrix(out, 1, nScans, 1, nPoints);
    }
};

// gridPoints 0: the grid the solver sizes itself (default settings)
void solveOnce(Experiment& e, int gridPoints)
{
    CLammIdeal L;
    L.SetNonReactingModel();
    L.SetSedimentationParams(5.0, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L.SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false,
                  nullptr, e.nScans, 1, true, true, false, 0, false, 0, false);
    L.SetSolverOptions(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3, 1.0,
                       1000, 1000, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    L.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
    L.InitAcceleration();
    if (gridPoints > 0) {
        // a fixed equidistant grid on the static-grid engine
        L.bAutoDynamicGridSize = 0;
        L.bAutoFEAlgorithm = 0;
        L.nDefaultGridSize = gridPoints;
    }
    L.ChooseEngine();
    L.SetupGrid();
    L.SetInitialConcentration();
    L.RunTimeStepping();
    benchmark::DoNotOptimize(e.out[e.nScans][e.nPoints / 2]);
}

void BM_LammSolution(benchmark::State& state)
{
    Experiment e;
    const int n = (int)state.range(0);
    for (auto _ : state) solveOnce(e, n);
}

}  // namespace

BENCHMARK(BM_LammSolution)->Arg(0)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
