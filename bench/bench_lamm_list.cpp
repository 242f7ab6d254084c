// A list of 100 Lamm equations as the c(s) model asks for them: s from 1 to
// 20 S (D from a frictional ratio of 1.2 at vbar 0.73), 50000 rpm, cell
// 6.0 - 7.2 cm, 50 scans up to 5000 s, 300 noise-grid radii, default settings,
// on 1, 2 and 8 worker threads.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "lamm_bench_scans.h"
#include "app/app_globals.h"
#include "lamm/lamm_ideal.h"
#include "numerics/nrutil.h"
#include "plot/key_polling.h"
#include "scandata/scan_header.h"

namespace {

struct ListCase {
    static constexpr int nScans = 50, nPoints = 300, nEquations = 100;
    std::vector<ScanHeader> headers;
    float* radii = vector(1, nPoints);
    std::vector<float**> rows = std::vector<float**>(nEquations + 1, nullptr);
    double s[nEquations + 1], D[nEquations + 1];
    CLammIdeal tmpl;
    ListCase()
    {
        fillBenchScans(headers, nScans, radii, nPoints);
        // D of a compact protein of ratio 1.2 from s: D = k s^(-1/2) (about 6e-7 at 5 S)
        for (int i = 1; i <= nEquations; i++) {
            s[i] = 1.0 + 19.0 * (i - 1) / (nEquations - 1);
            D[i] = 1.34e-6 / std::sqrt(s[i]);
            rows[i] = matrix(1, nScans, 1, nPoints);
        }
        tmpl.SetNonReactingModel();
        tmpl.SetSedimentationParams(1.0, 1e-6, 6.0, 7.2, 1.0, 6.1f, 7.1f);
        tmpl.SkipAccelerationCheck();
        tmpl.SetScanData(nullptr, nullptr, headers.data(), rows[1], radii, nPoints, nullptr, nullptr, false, nullptr,
                         nScans, 1, true, true, false, 0, false, 0, false);
        tmpl.SetSolverOptions(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3,
                              1.0, 1000, 1000, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
        tmpl.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
    }
    ~ListCase()
    {
        free_vector(radii, 1, nPoints);
        for (int i = 1; i <= nEquations; i++) free_matrix(rows[i], 1, nScans, 1, nPoints);
    }
};

void BM_LammList100(benchmark::State& state)
{
    ListCase c;
    const int saved = nLammThreads;
    nLammThreads = (int)state.range(0);
    for (auto _ : state) {
        bInterruptComputation = 0;
        const int result = c.tmpl.CLRunMTList(ListCase::nEquations, c.s, c.D, nullptr, c.rows.data(), c.radii,
                                              ListCase::nPoints, nullptr, nullptr);
        if (result != 0) state.SkipWithError("list failed");
        benchmark::DoNotOptimize(c.rows[50][25][150]);
    }
    nLammThreads = saved;
}

}  // namespace

BENCHMARK(BM_LammList100)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
