// Lists of 100 Lamm equations as the c(s) model asks for them, at the
// program's default settings (lamm_bench_scans.h): s from 1 to 20 S evenly
// spaced and s from 1 to 200 S spaced logarithmically, D for a frictional
// ratio of 1.2, on 1, 2 and 8 worker threads. Counters (computed once, outside
// the timing): the largest error of any of the 100 solutions over the fit
// range up to 0.1 cm from the base (err) and up to the last data radius
// (errEdge), in units of the loading, against the same list at converged
// settings (20 points per sigma, lower grid limit 8000, max dc/c 0.01).
#include <benchmark/benchmark.h>

#include <algorithm>
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

// The largest errors of the list at the defaults against the list at converged
// settings, once per kind of list.
void listErrors(bool logarithmic, double& fit, double& edge)
{
    static bool done[2] = {false, false};
    static double saved[2][2];
    const int k = logarithmic ? 1 : 0;
    if (!done[k]) {
        ListCase atDefaults(logarithmic), converged(logarithmic);
        configureListSolver(converged.tmpl, converged.scans, 1.0, 1e-6, 20.0f, 8000, 0.01);
        const int threads = nLammThreads;
        nLammThreads = 8;
        for (ListCase* c : {&atDefaults, &converged}) {
            bInterruptComputation = 0;
            c->tmpl.CLRunMTList(ListCase::nEquations, c->s, c->D, nullptr, c->rows.data(), c->scans.radii,
                                c->scans.nPoints, nullptr, nullptr);
        }
        nLammThreads = threads;
        double f = 0, e = 0;
        for (int q = 1; q <= ListCase::nEquations; q++)
            for (int j = 1; j <= atDefaults.scans.nScans; j++)
                for (int i = 1; i <= atDefaults.scans.nPoints; i++) {
                    const double d = std::fabs(atDefaults.rows[q][j][i] - converged.rows[q][j][i]);
                    if (atDefaults.scans.radii[i] <= 7.1f + 1e-6f) f = std::max(f, d);
                    e = std::max(e, d);
                }
        saved[k][0] = f;
        saved[k][1] = e;
        done[k] = true;
    }
    fit = saved[k][0];
    edge = saved[k][1];
}

void runList(benchmark::State& state, bool logarithmic)
{
    double fit, edge;
    listErrors(logarithmic, fit, edge);
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
    state.counters["err"] = fit;
    state.counters["errEdge"] = edge;
}

void BM_LammList100(benchmark::State& state) { runList(state, false); }
void BM_LammList100Log200(benchmark::State& state) { runList(state, true); }

}  // namespace

BENCHMARK(BM_LammList100)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LammList100Log200)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
