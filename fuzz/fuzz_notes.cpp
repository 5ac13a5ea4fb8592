// libFuzzer target for the notes-file reader and writer. On top of the sanitizers' checks: reading
// takes linear time (1 MB well under a second); the table loaded is sound, no row naming a window;
// "exact" holds exactly when writing the table back gives the input's bytes; what is written
// reads back as the same table (a quote outside the note text as "'"), exactly; bytes appended
// to it leave its records as they were.
#include "store/notescodec.h"
#include "store/notetable.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_notes: property broken: %s\n", what);
        std::abort();
    }
}

double processorSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Reads into a table set up as start-up does; the stored columns of its rows.
QList<QStringList> read(QByteArrayView bytes, NoteTable &t, notescodec::ReadResult &r)
{
    t.setUp();
    r = notescodec::decode(bytes, t);
    QList<QStringList> rows;
    for (int row = 1; row < t.Rows(); ++row) {
        check(r.records == 0 || t.TextMatrix(row, Col::Slot).isEmpty(), "a loaded row names a window");
        rows << QStringList{t.TextMatrix(row, Col::Stamp), t.TextMatrix(row, Col::Text),
                            t.TextMatrix(row, Col::Alert), t.TextMatrix(row, Col::Alerted)};
    }
    check(rows.size() == qMax(1, r.records), "rows and records differ");
    return rows;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    NoteTable table, other, third;
    notescodec::ReadResult result, again;
    // Processor time, generous for a sanitized build, far below what a quadratic path costs on
    // the scaling pass's inputs of a megabyte.
    const double start = processorSeconds();
    const QList<QStringList> rows = read(input, table, result);
    check(processorSeconds() - start < 0.5 + 2.0 * double(size) / (1 << 20), "reading took too long");
    const QByteArray written = notescodec::encode(table);
    check(result.exact == (written == input), "exact does not match a write-back");
    if (size > 65536) // the scaling pass is there for the time check
        return 0;
    // A double quote read in a stamp, alert or flag is written as "'": the file has no other way.
    QList<QStringList> stored = rows;
    for (QStringList &r : stored)
        for (int c : {0, 2, 3})
            r[c].replace(u'"', u'\'');
    check(read(written, other, again) == stored && again.exact,
          "a written file does not read back the same, exactly");
    check(read(written + input.toByteArray(), third, again).mid(0, rows.size()) == stored,
          "appended bytes changed a record");
    return 0;
}
