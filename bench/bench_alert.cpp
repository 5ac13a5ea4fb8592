// The alert check at a quarter-hour tick over 100,000 notes: the walk alone, and the whole
// tick with its write of the notes file.
#include "alert/alertcheck.h"
#include "app/session.h"
#include "benchmain.h"
#include "notegen.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Windows that only count what they are asked to do.
class CountingWindows : public alert::AlertWindows {
public:
    bool openRed(int) override
    {
        ++opened;
        return true;
    }
    void turnRed(int) override { ++turned; }
    int opened = 0;
    int turned = 0;
};

const QDateTime kTick(benchdata::today(), QTime(10, 15, 1));

// A session of n notes, a hundred of them with their window open.
void setUp(Session &session, int n)
{
    session.table.setUp();
    benchdata::fill(session.table, n);
    const int step = std::max(1, n / 100);
    for (int s = 1; s <= 100 && s * step < session.table.Rows(); ++s)
        session.table.setTextMatrix(s * step, Col::Slot, QString::number(s));
}

// Puts back the rows a tick marked, so that every pass finds the same work.
void unmark(NoteTable &table, const QList<int> &due)
{
    for (int r : due)
        table.setTextMatrix(r, Col::Alerted, QString());
}

void BM_AlertWalk(benchmark::State &state)
{
    Session session;
    setUp(session, int(state.range(0)));
    CountingWindows windows;
    qint64 due = 0;
    for (auto _ : state) {
        const QList<int> rows = alert::walk(session.table, kTick, windows);
        state.PauseTiming();
        due += rows.size();
        unmark(session.table, rows);
        state.ResumeTiming();
    }
    state.counters["due"] = benchmark::Counter(double(due), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AlertWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The whole tick: the walk, then the notes file written and flushed to disk.
void BM_AlertTick(benchmark::State &state)
{
    QTemporaryDir dir;
    Session session;
    session.file.setFolder(dir.path() + QLatin1Char('/'));
    setUp(session, int(state.range(0)));
    CountingWindows windows;
    for (auto _ : state) {
        const QList<int> rows = alert::check(session, kTick, windows);
        state.PauseTiming();
        unmark(session.table, rows);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AlertTick)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
