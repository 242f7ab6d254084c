// Lists of 100 Lamm equations as the c(s) model asks for them, at the
// program's default settings (lamm_bench_scans.h): s from 1 to 20 S evenly
// spaced and s from 1 to 200 S spaced logarithmically, D for a frictional
// ratio of 1.2, on 1, 2 and 8 worker threads.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "app/app_globals.h"
#include "lamm_bench_scans.h"
#include "plot/key_polling.h"

namespace {

struct ListCase {
    static constexpr int nEquations = 100;
    BenchScans scans;
    std::vector<float**> rows = std::vector<float**>(nEquations + 1, nullptr);
    double s[nEquations + 1], D[nEquations + 1];
    CLammIdeal tmpl;
    explicit ListCase(bool logarithmic)
    {
        for (int i = 1; i <= nEquations; i++) {
            const double x = (double)(i - 1) / (nEquations - 1);
            s[i] = logarithmic ? std::pow(200.0, x) : 1.0 + 19.0 * x;
            D[i] = benchD(s[i]);
            rows[i] = matrix(1, scans.nScans, 1, scans.nPoints);
        }
        tmpl.SetNonReactingModel();
        configureListSolver(tmpl, scans, 1.0, 1e-6);
    }
    ~ListCase()
    {
        for (int i = 1; i <= nEquations; i++) free_matrix(rows[i], 1, scans.nScans, 1, scans.nPoints);
    }
};

void runList(benchmark::State& state, bool logarithmic)
{
    ListCase c(logarithmic);
    const int saved = nLammThreads;
    nLammThreads = (int)state.range(0);
    for (auto _ : state) {
        bInterruptComputation = 0;
        const int result = c.tmpl.CLRunMTList(ListCase::nEquations, c.s, c.D, nullptr, c.rows.data(), c.scans.radii,
                                              c.scans.nPoints, nullptr, nullptr);
        if (result != 0) state.SkipWithError("list failed");
        benchmark::DoNotOptimize(c.rows[50][25][150]);
    }
    nLammThreads = saved;
}

void BM_LammList100(benchmark::State& state) { runList(state, false); }
void BM_LammList100Log200(benchmark::State& state) { runList(state, true); }

}  // namespace

BENCHMARK(BM_LammList100)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LammList100Log200)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
