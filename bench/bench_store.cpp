// The notes file: encoding and decoding in memory, and the whole read and write of the file
// in a data folder (the write ends with the flush to disk that QSaveFile makes on commit).
#include "notegen.h"
#include "session/session.h"
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "store/notetable.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

std::unique_ptr<NoteTable> filledTable(int n)
{
    auto table = std::make_unique<NoteTable>();
    table->setUp();
    benchdata::fill(*table, n);
    return table;
}

// Writing without the flush: the table to the file's bytes.
void BM_Encode(benchmark::State &state)
{
    const auto table = filledTable(int(state.range(0)));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray out = notescodec::encode(*table);
        bytes += out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_Encode)->Apply(sizes);

// Reading without the file: the bytes into a table freshly set up, as start-up loads it.
// The table's destruction is left out: the program never throws its table away.
void BM_Decode(benchmark::State &state)
{
    const QByteArray bytes = benchdata::notesFile(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<NoteTable>();
        state.ResumeTiming();
        table->setUp();
        const auto result = notescodec::decode(bytes, *table);
        benchmark::DoNotOptimize(result.records);
        state.PauseTiming();
        if (result.records != state.range(0) || !result.exact)
            state.SkipWithError("the notes did not read back exactly");
        table.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_Decode)->Apply(sizes);

// ecrire_notes: encode, write a temporary file, flush it to disk and rename it over the old one.
void BM_WriteFile(benchmark::State &state)
{
    QTemporaryDir dir;
    NotesFile file(dir.path() + QLatin1Char('/'));
    const auto table = filledTable(int(state.range(0)));
    for (auto _ : state) {
        if (!file.ecrire_notes(*table))
            state.SkipWithError("the notes file could not be written");
    }
}
BENCHMARK(BM_WriteFile)->Apply(sizes);

// charger_notes: read the file (from the page cache) and decode it into a fresh table.
void BM_ReadFile(benchmark::State &state)
{
    QTemporaryDir dir;
    NotesFile file(dir.path() + QLatin1Char('/'));
    {
        QFile out(file.path());
        if (!out.open(QIODevice::WriteOnly) || out.write(benchdata::notesFile(int(state.range(0)))) < 0)
            state.SkipWithError("the notes file could not be made");
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<NoteTable>();
        state.ResumeTiming();
        table->setUp();
        benchmark::DoNotOptimize(file.charger_notes(*table));
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadFile)->Apply(sizes);

// Another computer's version arrives: one note changed there, one added there at the top. The
// whole look on the window's thread: the file read, the merge, the table made the merged list.
void BM_MergeOutside(benchmark::State &state)
{
    QTemporaryDir dir;
    const int n = int(state.range(0));
    const QByteArray ours = benchdata::notesFile(n);
    NoteTable other;
    other.setUp();
    notescodec::decode(ours, other);
    other.setTextMatrix(n / 2, Col::Text, QStringLiteral("changé sur l'autre ordinateur"));
    const QByteArray theirs =
        "\"Le 08/12 \xe0 09:00\",\"de l'autre ordinateur\",\"\",\"\"\r\n" + notescodec::encode(other);
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>(SystemClock::instance());
        session->file.setFolder(dir.path() + QLatin1Char('/'));
        {
            QFile out(session->file.path());
            if (!out.open(QIODevice::WriteOnly) || out.write(ours) != ours.size())
                state.SkipWithError("the notes file could not be made");
        }
        session->table.setUp();
        session->file.charger_notes(session->table);
        session->watchFile();
        QFile out(session->file.path());
        if (!out.open(QIODevice::WriteOnly) || out.write(theirs) != theirs.size())
            state.SkipWithError("the other version could not be written");
        out.close();
        state.ResumeTiming();
        session->store.checkDisk(true);
        state.PauseTiming();
        if (session->table.Rows() != n + 2 ||
            session->table.TextMatrix(1, Col::Text) != "de l'autre ordinateur")
            state.SkipWithError("the other version was not merged");
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MergeOutside)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
