// The Print text of the whole list.
#include "notegen.h"
#include "print/printtext.h"

#include <QLocale>
#include <benchmark/benchmark.h>

namespace {

void BM_PrintText(benchmark::State &state)
{
    NoteTable table;
    table.setUp();
    benchdata::fill(table, int(state.range(0)));
    for (auto _ : state) {
        const QString text = composer_impression(table, benchdata::today());
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK(BM_PrintText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
