#pragma once

#include "store/clock.h"
#include "store/notesfile.h"
#include "store/notetable.h"
#include "store/noteswriter.h"
#include "session/notewindows.h"
#include "store/singlecopy.h"

#include <QFileSystemWatcher>
#include <QTimer>

#include <functional>

// Program-wide switches shared by the main window and the note windows.
struct Flags {
    bool autosave = true;     // note-window actions may write the notes file
    bool textChanged = false; // a note's text changed since the last write
    bool quitting = false;    // a quit command has begun
};

// The program-wide state that the main window owns and lends to every window: the note table,
// the flags, the notes file and the open note windows. The notes file is written on a
// thread of its own, and what another program writes to it is merged into the table.
class Session {
public:
    explicit Session(const Clock &clock);

    NoteTable table;
    Flags flags;
    NoteWindows windows{table}; // the open note windows, their rows and slots
    NotesFile file;
    SingleCopy *guard = nullptr; // none where no single copy runs (tests)
    bool loaded = false;         // the notes file has been read

    // Told once when writes start failing, and again only after one has worked since.
    std::function<void(const SaveResult &)> writeFailed;
    // Told once per merge that kept notes changed on both sides twice, with where the version
    // found on disk is copied.
    std::function<void(int notes, const QString &copy)> keptBoth;

    // A note window's close handler: the notes written while autosave is on, then the window
    // told closed.
    void windowClosed(const NoteWindow &window);

    // Writes the whole table: what another program wrote is merged first, then the bytes go to
    // the writer thread, unless the file holds them already. The text-changed flag is cleared,
    // and set again when the write fails, so that the next tick tries again; the file is only
    // written under the guard. The result here is the guard's and the checks'; the write's own
    // comes back later.
    SaveResult ecrire_notes();
    // Waits for the writes handed over so far, until the deadline; the failure of the last one,
    // or that they did not end in time.
    SaveResult flushWrites(QDeadlineTimer deadline);
    // The end of the run: the table written, anything merged meanwhile too, and waited for.
    SaveResult saveAndWait(QDeadlineTimer deadline);
    static constexpr int kEndWaitMs = 10000;

    // From now on, notices within two seconds when another program changes the file loaded.
    void watchFile();
    // Merges the file on disk into the table if another program changed it since the last read
    // or write: a stat, and a read only when that changed.
    void checkDisk();
    NotesWriter &writer() { return m_writer; }
    // Takes the results of the writes that have ended, as their signal does: the text-changed
    // flag and the failure message follow them.
    void takeWrites();

private:
    void noteResult(const SaveResult &result);
    void merge(const QByteArray &theirs);
    void rewatch(quint64 inode);

    const Clock &m_clock;
    bool m_lastWriteFailed = false;
    SaveResult m_lastResult;

    NotesWriter m_writer;
    QByteArray m_base;                              // the file's bytes as last read or written here
    FileStamp m_known;                              // the file on disk as last read or written here
    QByteArray m_lastSubmitted;                     // what the file holds once the writes handed over end
    bool m_outstanding = false;                     // writes handed over whose results are not in
    QList<std::pair<QString, QByteArray>> m_copies; // copies of theirs still to make
    bool m_watching = false;
    quint64 m_watchedInode = 0;
    QFileSystemWatcher m_watch;
    QTimer m_settle; // changes come in bursts: looked at once they stop
};
