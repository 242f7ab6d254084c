// One Lamm equation solution at the program's default settings, as the c(s)
// list asks for it (lamm_bench_scans.h), for the species of the accuracy
// tests: the time per solution, and as counters the nodes of the grid it ends
// with (engine 1: the most it had), the time steps and the largest error over the fit range up to 0.1 cm
// from the base (err) and up to the last data radius (errEdge), in units of
// the loading, against the solver's own converged solution (20 points per
// sigma, lower grid limit 8000, max dc/c 0.01). Extra rows: fixed grids of the
// static grid (named), and the concentration-dependent solvers in their ideal
// limits and away from them (20 S).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "lamm/lamm_nonideal.h"
#include "lamm_bench_scans.h"

namespace {

struct Species {
    double s, D, rpm;
};

const Species kCases[] = {{0.5, 8e-7, 50000}, {1, 1e-6, 50000},     {5, 6e-7, 50000},     {20, 2e-7, 50000},
                          {22, 2.86e-7, 50000}, {40, 1.5e-7, 50000}, {100, 1.5e-7, 50000}, {300, 1e-7, 50000},
                          {1000, 5e-8, 50000}, {0.5, 8e-7, 3000},   {5, 6e-7, 3000},      {0.5, 8e-7, 15000},
                          {5, 6e-7, 15000}};

using Rows = std::vector<float>;

Rows rowsOf(const BenchScans& e)
{
    Rows r;
    for (int k = 1; k <= e.nScans; k++) r.insert(r.end(), e.out[k] + 1, e.out[k] + 1 + e.nPoints);
    return r;
}

// kind 0: ideal; 1: non-ideal with ks = kd = 1e-30 mL/mg (log10 -30); 2: monomer - dimer with K = 1e-30;
// 3: non-ideal with ks = 0.03, kd = 0.02 mL/mg (log10 -1.5, -1.7); 4: monomer - dimer with K = 10.
int solveOnce(BenchScans& e, const Species& c, int kind, float pps, int lower, double dc, int* nodes, int* steps)
{
    CLammNonIdeal nonideal;
    CLammIdeal ideal;
    const bool nonIdeal = kind == 1 || kind == 3, dimer = kind == 2 || kind == 4;
    CLammIdeal& L = nonIdeal ? nonideal : ideal;
    if (!nonIdeal) L.SetNonReactingModel();
    configureListSolver(L, e, c.s, c.D, pps, lower, dc);
    if (nonIdeal) nonideal.SetNonidealParams(kind == 3 ? -1.5f : -30.0f, kind == 3 ? -1.7f : -30.0f, 1.0, false, false);
    if (dimer) {
        static double load[3] = {0, 1.0, 1.0}, s[3], D[3];
        s[1] = c.s;
        s[2] = 1.6 * c.s;
        D[1] = c.D;
        D[2] = 0.8 * c.D;
        L.bNonReacting = 0;
        L.SetSelfAssociation(false, true, true, false, false, 2, load, s, D, nullptr, -8.0f, -8.0f, true, true, 1.0,
                             false, false, c.s, c.D, 1.0);
        L.SetAssociationConstant(2, kind == 4 ? 10.0 : 1e-30);
    }
    const int result = L.Solve();
    if (nodes) *nodes = L.bEngineMovingGrid ? L.nMovingGridPeakNodes : L.nGridPoints;
    if (steps) *steps = L.nStepCount;
    return result;
}

void largest(const Rows& a, const Rows& b, const BenchScans& e, double& fit, double& edge)
{
    fit = edge = 0;
    for (int k = 0; k < e.nScans; k++)
        for (int i = 1; i <= e.nPoints; i++) {
            const double d = std::fabs(a[(size_t)k * e.nPoints + i - 1] - b[(size_t)k * e.nPoints + i - 1]);
            if (e.radii[i] <= 7.1f + 1e-6f) fit = std::max(fit, d);
            edge = std::max(edge, d);
        }
}

// The reference: the ideal species (kind 0) at max dc/c 0.01, or the model
// itself at max dc/c refDc.
void solutionAtDefaults(benchmark::State& state, int kind, int refKind = 0, double refDc = 0.01)
{
    const Species c = kCases[state.range(0)];
    BenchScans e(c.rpm);
    solveOnce(e, c, refKind, 20.0f, 8000, refDc, nullptr, nullptr);
    const Rows ref = rowsOf(e);
    int nodes = 0, steps = 0;
    for (auto _ : state) {
        if (solveOnce(e, c, kind, 5.0f, 75, 1.0, &nodes, &steps) != 0) state.SkipWithError("solve failed");
        benchmark::DoNotOptimize(e.out[e.nScans][e.nPoints / 2]);
    }
    double fit, edge;
    largest(rowsOf(e), ref, e, fit, edge);
    state.counters["s"] = c.s;
    state.counters["rpm"] = c.rpm;
    state.counters["nodes"] = nodes;
    state.counters["steps"] = steps;
    state.counters["err"] = fit;
    state.counters["errEdge"] = edge;
}

void BM_LammSolution(benchmark::State& state) { solutionAtDefaults(state, 0); }
void BM_LammNonIdealLimit(benchmark::State& state) { solutionAtDefaults(state, 1); }
void BM_LammReactingLimit(benchmark::State& state) { solutionAtDefaults(state, 2); }
// Away from the limits, against the model's own converged solution at max dc/c
// 0.1 (within 1.2e-5 of the loading of the one at 0.01 for these).
void BM_LammNonIdeal(benchmark::State& state) { solutionAtDefaults(state, 3, 3, 0.1); }
void BM_LammReacting(benchmark::State& state) { solutionAtDefaults(state, 4, 4, 0.1); }

// Extra rows: 5 S on a plain static grid of a fixed size (automatic grid size
// and engine choice off), as the settings may ask.
void BM_LammSolutionFixedGrid(benchmark::State& state)
{
    BenchScans e;
    for (auto _ : state) {
        CLammIdeal L;
        L.SetNonReactingModel();
        configureListSolver(L, e, 5.0, 6e-7);
        L.bAutoDynamicGridSize = 0;
        L.bAutoFEAlgorithm = 0;
        L.bEngineMovingGrid = 0;
        L.bEngineStaticGrid = 1;
        L.nDefaultGridSize = (int)state.range(0);
        if (L.Solve() != 0) state.SkipWithError("solve failed");
        benchmark::DoNotOptimize(e.out[e.nScans][e.nPoints / 2]);
    }
}

}  // namespace

BENCHMARK(BM_LammSolution)->DenseRange(0, (int)(sizeof kCases / sizeof kCases[0]) - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LammNonIdealLimit)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LammReactingLimit)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LammNonIdeal)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LammReacting)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LammSolutionFixedGrid)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
