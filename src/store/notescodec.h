#pragma once

#include <QByteArray>

class NoteTable;

// The notes file's bytes: one record per row, four quoted fields, Windows-1252, CR LF.
namespace notescodec {

QByteArray encode(const NoteTable &table);

struct ReadResult {
    int records = 0;   // complete records loaded
    bool exact = true; // writing the loaded table back gives the very same bytes
    bool cut = false;  // the bytes end inside a record: a file caught being written, or cut short
};

// Loads records into a table freshly set up (its row 1 is the placeholder row):
// the first record goes into row 1, each further one into an appended row.
// Only complete four-field records are loaded; anything after the last one is ignored.
ReadResult decode(QByteArrayView bytes, NoteTable &table);

} // namespace notescodec
