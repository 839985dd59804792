// The benchmarks' entry: the local time zone is set up as the programs set it up, and the
// toolkit's application object exists (offscreen) for the painting and widget
// benchmarks.

#include "model/LDateTime.h"

#include <benchmark/benchmark.h>

#if KESTRANO_BENCH_HAS_QT
#include <QApplication>
#endif

int main(int argc, char** argv)
{
    LDateTime::InitializeLocalTime();
#if KESTRANO_BENCH_HAS_QT
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
