#pragma once

#include <QLocale>
#include <benchmark/benchmark.h>

// The body of a benchmark program's main() once its Qt application, if any, exists: French
// regional settings, as the alert days are spelt under them, then every benchmark asked for.
inline int runBenchmarks(int argc, char **argv)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
