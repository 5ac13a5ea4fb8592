// libFuzzer target for the notes-file reader and writer. Checked on every input, on top of the
// sanitizers' own checks: the reader finishes in time (linear work: 1 MB well under a second);
// it loads a sound table, every window-slot cell empty; "exact" is true exactly when writing
// the table back gives the input's very bytes; the table written and read again is the same
// table, and that file reads back exactly; anything appended to it leaves its records as they were.
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

// Reads into a table set up as start-up does; the stored columns of its rows.
QList<QStringList> read(QByteArrayView bytes, notescodec::ReadResult *result = nullptr)
{
    NoteTable t;
    t.setUp();
    const notescodec::ReadResult r = notescodec::decode(bytes, t);
    if (result)
        *result = r;
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
    // Processor time, generous for a sanitized build but far below what a quadratic path costs
    // on the scaling pass's inputs of a megabyte.
    timespec from{}, to{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &from);
    NoteTable table;
    table.setUp();
    const notescodec::ReadResult result = notescodec::decode(input, table);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &to);
    const double secs = double(to.tv_sec - from.tv_sec) + double(to.tv_nsec - from.tv_nsec) / 1e9;
    check(secs < 0.5 + 2.0 * double(size) / (1 << 20), "reading took too long");
    const QByteArray written = notescodec::encode(table);
    check(result.exact == (written == input), "exact does not match a write-back");
    if (size > 65536) // the scaling pass is there for the time check
        return 0;
    notescodec::ReadResult again;
    const QList<QStringList> rows = read(input);
    check(read(written, &again) == rows && again.exact, "a written file does not read back the same, exactly");
    check(read(written + input.toByteArray()).mid(0, rows.size()) == rows, "appended bytes changed a record");
    return 0;
}
