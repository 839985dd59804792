// The benchmarks' entry: the local time zone is set up as the programs set it up.

#include "model/LDateTime.h"

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    LDateTime::InitializeLocalTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
