// The alert check at a quarter-hour tick over 100,000 notes: the walk alone, and the whole
// tick with its write of the notes file.
#include "alert/alertcheck.h"
#include "benchmain.h"
#include "notegen.h"
#include "session/session.h"

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
    NoteWindow *makeWindow(int row, int slot, Fill) override
    {
        windows[slot].f_pos = row;
        windows[slot].f_monindice = slot;
        return &windows[slot];
    }
    std::array<Window, 101> windows;
};

const QDateTime kTick(benchdata::today(), QTime(10, 15, 1));

// A session of n notes, a hundred of them with their window open.
void setUp(Session &session, NoWindows &windows, int n)
{
    session.windows.setMaker(&windows);
    session.table.setUp();
    benchdata::fill(session.table, n);
    const int step = std::max(1, n / 100);
    for (int s = 1; s <= 100 && s * step < session.table.Rows(); ++s)
        session.windows.ouvrir_fenetre(s * step, NoteWindowMaker::Fill::Existing);
}

// Puts back the rows a tick marked and the windows it opened, so that every pass finds the same
// work.
void unmark(Session &session, const QList<int> &due, const QList<bool> &openBefore)
{
    for (int r : due) {
        if (NoteWindow *w = openBefore[r] ? nullptr : session.windows.windowOfRow(r))
            session.windows.closed(*w);
        session.table.setTextMatrix(r, Col::Alerted, QString());
    }
}

QList<bool> openRows(const Session &session)
{
    QList<bool> openBefore;
    for (int r = 0; r < session.table.Rows(); ++r)
        openBefore << (r > 0 && session.windows.windowOfRow(r));
    return openBefore;
}

void BM_AlertWalk(benchmark::State &state)
{
    Session session(SystemClock::instance());
    NoWindows windows;
    setUp(session, windows, int(state.range(0)));
    const QList<bool> openBefore = openRows(session);
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
    const QList<bool> openBefore = openRows(session);
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
