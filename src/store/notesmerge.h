#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// Three versions of the notes reconciled: the file as this program last read or wrote it (base),
// the file on disk now, written by another program (theirs), and the table (ours).
//
// A note is recognised across versions by its whole record first (stamp, text, alert, mark),
// then by its creation stamp: the same stamp with other content is that note changed. Records
// are paired in file order, so that among equal ones position decides. A record that pairs with
// nothing was added on that side; a base record that nothing pairs with was removed there.
namespace notesmerge {

// A note as the file stores it: creation stamp, text, alert, alerted mark.
using Record = std::array<QString, 4>;

// One note of the merged list: a row of ours, as it is or with theirs's content, or a note of
// theirs alone.
struct Entry {
    int ours = -1;                 // index in ours, or -1: a note of theirs
    std::optional<Record> content; // set when it does not hold ours's record
};

struct Result {
    QList<Entry> entries; // the merged list, in order
    int conflicts = 0;    // notes changed on both sides (or changed on one, removed on the other)
};

Result merge(const QList<Record> &base, const QList<Record> &ours, const QList<Record> &theirs);

// The records of a notes file's bytes, as the reader loads them; a file of one blank record
// (what an empty list is written as) holds no note.
QList<Record> records(QByteArrayView bytes);

} // namespace notesmerge
