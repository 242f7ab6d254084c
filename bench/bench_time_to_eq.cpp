// One evaluation of the time-to-equilibrium objective at the tool's defaults:
// species 1 (M 65000, f/f0 1.4, vbar 0.73, water at 20 C), the column 6.75 -
// 7.2 cm, 15000 rpm, epsilon 0.001; the constant-speed time of 39 h
// simulated with a scan every 1800 s on radii every 0.002 cm, under the speed
// steps of the start vector (five exponential parameters of 1.0). A search
// takes hundreds of these.
#include <benchmark/benchmark.h>

#include "analyses/timetoeq/speed_step_optimizer.h"
#include "analyses/timetoeq/time_to_eq_params.h"

namespace {

void BM_AppEqObjective(benchmark::State& state)
{
    TimeToEqParams& tp = timeToEqParams;
    tp.fDensity = 0.99823f;
    tp.fViscosity = 0.001002f;
    tp.fVbar = tp.fVbar2 = 0.73f;
    completeTimeToEqSpecies(&tp);
    const float fr[] = {0, 1}, s[] = {0, tp.fS1}, D[] = {0, static_cast<float>(tp.dD1)};
    setOptimizationSpecies(39.0f * 3600.0f, 1, fr, s, D);
    for (auto _ : state) benchmark::DoNotOptimize(appEqObjective(tp.pParamVector, nullptr));
    releaseSpeedStepOptimizer();
    resetTimeToEqParams(&tp);
}
BENCHMARK(BM_AppEqObjective)->Unit(benchmark::kMillisecond);

}  // namespace
