#pragma once

#include "store/clock.h"
#include "store/noteswriter.h"
#include "store/savefile.h"

#include <QString>
#include <QStringList>

class NoteTable;

// The notes file "planifs.txt" of the data folder: loaded once, rewritten whole.
class NotesFile {
public:
    explicit NotesFile(const QString &folder = QString(), const Clock &clock = SystemClock::instance())
        : m_folder(folder), m_clock(clock)
    {}
    explicit NotesFile(const Clock &clock) : NotesFile(QString(), clock) {}

    void setFolder(const QString &folder) { m_folder = folder; }
    const QString &folder() const { return m_folder; }
    QString path() const;

    // Loads the file into a table freshly set up; returns the records loaded.
    // A file that the next write would not reproduce is first copied aside.
    // Temporary files left by writes that were killed long ago are removed.
    int charger_notes(NoteTable &table);

    // Replaces the file by the whole table, all or nothing: on failure the old file stays
    // as it was, and the result says why.
    SaveResult ecrire_notes(const NoteTable &table);

    // Before the table's bytes replace the file: a file that could not be read whole is copied aside.
    SaveResult prepareWrite();
    // The file's bytes as loaded, and what it was on disk just before.
    const QByteArray &loadedBytes() const { return m_loaded; }
    const FileStamp &loadedStamp() const { return m_loadedStamp; }

    void countWrite() { ++m_writes; }
    int writeCount() const { return m_writes; }
    const QString &keptCopy() const { return m_copy; }
    // Why the file found at start-up could not be read (then it is kept aside, see keptCopy).
    enum class ReadError { None, Refused, Folder };
    ReadError readError() const { return m_readError; }
    // Whole versions left by writes killed just before their rename, kept under visible names.
    const QStringList &recovered() const { return m_recovered; }

    // A name for a copy beside the file, "planifs-<kind>-<date>[-n].txt", that no file has and
    // that is not among `taken` (copies still to be made); none after 999 tries.
    QString freeName(const QString &kind, const QStringList &taken = {}) const;

    static QString fileName() { return QStringLiteral("planifs.txt"); }

private:
    bool keepCopy(bool mayMove);
    void removeStaleTemporaries();

    QString m_folder;
    const Clock &m_clock;
    bool m_copyPending = false;
    QString m_copy;
    QStringList m_recovered;
    ReadError m_readError = ReadError::None;
    int m_writes = 0;
    QByteArray m_loaded;
    FileStamp m_loadedStamp;
};
