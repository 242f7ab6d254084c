#include <benchmark/benchmark.h>

#include "models/model_globals.h"

int main(int argc, char** argv)
{
    // what the program does at start, before anything else
    allocParameterVectors();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
