// The blocked tridiagonal solve of the Lamm solver's static grid: a
// Crank-Nicolson-like matrix of n rows, factorised, and solved for the right
// matrix times a vector (as every step does) from the first row or from a
// first row a third of the way up. Four lanes (AVX2, where the processor has
// it) and two; the factorisation alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "lamm/tridiagonal_blocks.h"

namespace {

struct TSystem {
    int n;
    std::vector<double> lo, di, up, rl, rd, ru, c, x;
    explicit TSystem(int n) : n(n), lo(n + 2), di(n + 2), up(n + 2), rl(n + 2), rd(n + 2), ru(n + 2), c(n + 2), x(n + 2)
    {
        for (int i = 1; i <= n; i++) {
            const double d = 0.4 + 0.1 * std::sin(0.01 * i), a = 0.3 + 0.05 * std::cos(0.02 * i);
            lo[i] = -d - a;
            up[i] = -d + 0.5 * a;
            di[i] = 4.0 + 2 * d + 0.5 * a;
            rl[i] = d + a;
            ru[i] = d - 0.5 * a;
            rd[i] = 4.0 - 2 * d - 0.5 * a;
            c[i] = 1.0 / (1.0 + std::exp((600.0 - i) / 30.0));
        }
        lo[1] = rl[1] = up[n] = ru[n] = 0;
    }
};

// args: rows, first row as a fraction of n in percent, four lanes (1) or two (0)
void BM_TridiagonalSolve(benchmark::State& state)
{
    TSystem s((int)state.range(0));
    lamm::BlockTridiagonal B;
    const bool wide = B.useWideInstructions(state.range(2) != 0);
    if (state.range(2) != 0 && !wide) state.SkipWithError("no AVX2");
    B.factor(s.n, s.lo.data(), s.di.data(), s.up.data());
    const int first = 1 + (int)(s.n * state.range(1) / 100);
    for (auto _ : state) {
        B.solveProduct(s.rl.data(), s.rd.data(), s.ru.data(), s.c.data(), s.x.data(), first);
        benchmark::DoNotOptimize(s.x.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns/row"] = benchmark::Counter((double)state.iterations() * s.n, benchmark::Counter::kIsRate | benchmark::Counter::kInvert) ;
}
BENCHMARK(BM_TridiagonalSolve)->ArgsProduct({{600, 1200}, {0, 33}, {0, 1}});

void BM_TridiagonalFactor(benchmark::State& state)
{
    TSystem s((int)state.range(0));
    lamm::BlockTridiagonal B;
    B.useWideInstructions(state.range(1) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(B.factor(s.n, s.lo.data(), s.di.data(), s.up.data()));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TridiagonalFactor)->ArgsProduct({{600, 1200}, {0, 1}});

}  // namespace
