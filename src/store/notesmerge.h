#pragma once

#include "store/notetable.h"

#include <QByteArrayView>
#include <QHashFunctions>
#include <QList>
#include <QSet>
#include <QString>

#include <array>
#include <optional>

// Records (notesmerge::Record below) in sets and hashes.
inline size_t qHash(const std::array<QString, 4> &r, size_t seed = 0) noexcept
{
    return qHashMulti(seed, r[0], r[1], r[2], r[3]);
}

// Three versions of the notes reconciled: the last version that came from outside (base), the
// version another program left now (theirs), and the table (ours). The base is what the other
// side is known to have had: a version from another computer may never have seen this program's
// last writes, so it is taken to have removed or changed only what it had. Records that this
// program wrote or had from an earlier version, and that theirs holds, were seen there too: they
// count as known, so an old version brought back is no change made there.
//
// A note is recognised across versions by its whole record first (stamp, text, alert, mark),
// then by its creation stamp: the same stamp with other content is that note changed. Records
// are paired in file order, so that among equal ones position decides. A record that pairs with
// nothing was added on that side; a base record that nothing pairs with was removed there.
namespace notesmerge {

// A note as the file stores it: creation stamp, text, alert, alerted mark. Its strings share
// the table's, so that sets of records cost no copies.
using Record = std::array<QString, 4>;

// One note of the merged list: a row of ours, as it is or with theirs's content, or a note of
// theirs alone.
struct Entry {
    int ours = -1;                 // index in ours, or -1: a note of theirs
    std::optional<Record> content; // set when it does not hold ours's record
};

struct Result {
    QList<Entry> entries;  // the merged list, in order
    int conflicts = 0;     // notes changed on both sides (or changed on one, removed on the other)
    bool asTheirs = false; // the merged list is theirs, in its order: nothing to write back
};

// What this program knows beyond the three versions.
struct Known {
    QSet<Record> own; // the records written here, or known from earlier versions
    QList<bool> keep; // per record of ours: never removed (its window is open)
    // Theirs is the file: when the merge brings nothing of ours to it, the list takes theirs's
    // order, so that two computers settle on one file.
    bool takeOrder = true;
};

Result merge(const QList<Record> &base, const QList<Record> &ours, const QList<Record> &theirs,
             const Known &known = {});

// A version that may be partial or stale (a sync engine's conflict copy, a file cut short) into
// ours: it brings only the records this program has never had (in ours, the base or `own`),
// after the note they follow there, and removes nothing. Another version of a note of ours
// replaces it where ours is the base's, else goes after it (a conflict).
Result addUnknown(const QList<Record> &base, const QList<Record> &ours, const QList<Record> &theirs,
                  const QSet<Record> &own);

// The records of a notes file's bytes, as the reader loads them; a file of one blank record
// (what an empty list is written as) holds no note.
// `cut`: set when the bytes end inside a record.
QList<Record> records(QByteArrayView bytes, bool *cut = nullptr);
// The records of a table's rows (the header row first), the same way.
QList<Record> records(const QList<NoteTable::Row5> &rows);
inline QList<Record> records(const NoteTable &table)
{
    return records(table.rows());
}

} // namespace notesmerge
