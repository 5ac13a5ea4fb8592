// libFuzzer target for the notes-file reader and writer.
//
// Checked on every input, on top of the sanitizers' own checks:
//  - the reader finishes in time (linear work: 1 MB well under a second);
//  - what it loads is a sound table: every row read, the window-slot column empty;
//  - "exact" is true exactly when writing the table back gives the input's very bytes;
//  - the table written and read again is the same table, and that file reads back exactly;
//  - that file cut anywhere loads every record whole before the cut, unchanged, and no other;
//  - anything appended to that file leaves its records as they were.
#include "store/notescodec.h"
#include "store/notetable.h"

#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kStored[] = {Col::Stamp, Col::Text, Col::Alert, Col::Alerted};

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_notes: property broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void check(bool ok, const char *what)
{
    if (!ok)
        fail(what);
}

NoteTable freshTable()
{
    NoteTable t;
    t.setUp();
    return t;
}

bool sameRow(const NoteTable &a, int ra, const NoteTable &b, int rb)
{
    for (int c : kStored)
        if (a.TextMatrix(ra, c) != b.TextMatrix(rb, c))
            return false;
    return true;
}

// Where each record of a written file ends: four quoted fields, three commas, CR LF,
// one byte per character, and each CR LF of the text written as one "~".
QList<qsizetype> recordEnds(const NoteTable &t)
{
    QList<qsizetype> ends;
    qsizetype at = 0;
    for (int r = 1; r < t.Rows(); ++r) {
        const QString &text = t.TextMatrix(r, Col::Text);
        at += 13 + t.TextMatrix(r, Col::Stamp).size() + text.size() - text.count(QStringLiteral("\r\n")) +
              t.TextMatrix(r, Col::Alert).size() + t.TextMatrix(r, Col::Alerted).size();
        ends.append(at);
    }
    return ends;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));

    // The reader: no hang. The budget is generous for a sanitized build but far below
    // what a quadratic path costs on the large inputs of the scaling pass.
    NoteTable t1 = freshTable();
    // Processor time, not wall time: a busy machine must not look like a slow reader.
    timespec from{}, to{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &from);
    const notescodec::ReadResult r1 = notescodec::decode(input, t1);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &to);
    const double secs = double(to.tv_sec - from.tv_sec) + double(to.tv_nsec - from.tv_nsec) / 1e9;
    check(secs < 0.5 + 2.0 * double(size) / (1 << 20), "reading took too long");

    // A sound table.
    check(r1.records >= 0, "negative record count");
    if (r1.records == 0) {
        check(t1.Rows() == 2, "nothing read but rows added");
        check(t1.TextMatrix(1, Col::Slot) == QStringLiteral("-1"), "placeholder row lost");
    } else {
        check(t1.Rows() == r1.records + 1, "rows and records differ");
        for (int r = 1; r < t1.Rows(); ++r)
            check(t1.TextMatrix(r, Col::Slot).isEmpty(), "a loaded row names a window");
    }

    // "exact" says whether the next write gives the same bytes.
    const QByteArray written = notescodec::encode(t1);
    check(r1.exact == (written == input), "exact does not match a write-back");

    // Inputs this large come from the scaling pass, which is there for the time check.
    if (size > 65536)
        return 0;

    // Written and read again: the same table, and the file is read back exactly.
    NoteTable t2 = freshTable();
    const notescodec::ReadResult r2 = notescodec::decode(written, t2);
    check(r2.exact, "a written file does not read back exactly");
    check(t2.Rows() == t1.Rows(), "row count changed through a write");
    for (int r = 1; r < t1.Rows(); ++r)
        check(sameRow(t1, r, t2, r), "a row changed through a write");

    // The written file cut short: whole records survive, the cut one is dropped or whole.
    const QList<qsizetype> ends = recordEnds(t1);
    check(!ends.isEmpty() && ends.last() == written.size(), "records do not add up to the file");
    const qsizetype cut = qsizetype((size * 2654435761u + (size ? data[0] : 0)) % size_t(written.size() + 1));
    NoteTable t3 = freshTable();
    const notescodec::ReadResult r3 = notescodec::decode(QByteArrayView(written).first(cut), t3);
    int whole = 0;
    while (whole < ends.size() && ends[whole] <= cut)
        ++whole;
    check(r3.records >= whole, "a whole record before the cut was lost");
    check(r3.records <= whole + 1 && r3.records < t1.Rows(), "a cut file gave more records");
    for (int r = 1; r <= r3.records; ++r)
        check(sameRow(t1, r, t3, r), "a record before the cut changed");
    check(r3.exact == (whole > 0 && ends[whole - 1] == cut),
          "a cut file is exact unless cut between records");

    // Whatever follows the last record does not touch the records before it. Checked on
    // one input in four: the reader is sequential, and the fuzzer's speed matters too.
    if (cut % 4 != 0)
        return 0;
    NoteTable t4 = freshTable();
    const notescodec::ReadResult r4 = notescodec::decode(written + input.toByteArray(), t4);
    check(r4.records >= t1.Rows() - 1, "appended bytes lost a record");
    for (int r = 1; r < t1.Rows(); ++r)
        check(sameRow(t1, r, t4, r), "appended bytes changed a record");
    return 0;
}
