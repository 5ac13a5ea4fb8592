// The alert check at a quarter-hour tick over 100,000 notes: the walk alone, and the whole
// tick with its write of the notes file.
#include "alert/alertcheck.h"
#include "session/session.h"
#include "benchmain.h"
#include "notegen.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Windows that do nothing: the walk's own cost is measured.
class NoWindows : public NoteWindowMaker {
public:
    struct Window : NoteWindow {
        void activate() override {}
        void closeWindow() override {}
        void en_rouge() override {}
    };
    NoteWindow *makeWindow(int, int, Fill) override { return &window; }
    Window window;
};

const QDateTime kTick(benchdata::today(), QTime(10, 15, 1));

// A session of n notes, a hundred of them with their window open.
void setUp(Session &session, NoWindows &windows, int n)
{
    session.setWindowMaker(&windows);
    session.table.setUp();
    benchdata::fill(session.table, n);
    const int step = std::max(1, n / 100);
    for (int s = 1; s <= 100 && s * step < session.table.Rows(); ++s)
        session.ouvrir_fenetre(s * step, NoteWindowMaker::Fill::Existing);
}

// Puts back the rows a tick marked and the windows it opened, so that every pass finds the same
// work.
void unmark(Session &session, const QList<int> &due, const QList<QString> &openBefore)
{
    for (int r : due) {
        if (openBefore[r].isEmpty() && !session.table.TextMatrix(r, Col::Slot).isEmpty()) {
            session.slotTable.release(SlotTable::fromCell(session.table.TextMatrix(r, Col::Slot)));
            session.table.setTextMatrix(r, Col::Slot, QString());
        }
        session.table.setTextMatrix(r, Col::Alerted, QString());
    }
}

QList<QString> slotColumn(const NoteTable &table)
{
    QList<QString> openBefore;
    for (int r = 0; r < table.Rows(); ++r)
        openBefore << table.TextMatrix(r, Col::Slot);
    return openBefore;
}

void BM_AlertWalk(benchmark::State &state)
{
    Session session(SystemClock::instance());
    NoWindows windows;
    setUp(session, windows, int(state.range(0)));
    const QList<QString> openBefore = slotColumn(session.table);
    qint64 due = 0;
    for (auto _ : state) {
        const QList<int> rows = alert::walk(session, kTick);
        state.PauseTiming();
        due += rows.size();
        unmark(session, rows, openBefore);
        state.ResumeTiming();
    }
    state.counters["due"] = benchmark::Counter(double(due), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AlertWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The whole tick: the walk, then the notes file written and flushed to disk.
void BM_AlertTick(benchmark::State &state)
{
    QTemporaryDir dir;
    Session session(SystemClock::instance());
    session.file.setFolder(dir.path() + QLatin1Char('/'));
    NoWindows windows;
    setUp(session, windows, int(state.range(0)));
    const QList<QString> openBefore = slotColumn(session.table);
    for (auto _ : state) {
        const QList<int> rows = alert::check(session, kTick);
        state.PauseTiming();
        unmark(session, rows, openBefore);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AlertTick)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
