#pragma once

#include "session/notewindows.h"
#include "store/clock.h"
#include "store/notesstore.h"
#include "store/notetable.h"

#include <functional>

// Program-wide switches shared by the main window and the note windows.
struct Flags {
    bool autosave = true;     // note-window actions may write the notes file
    bool textChanged = false; // a note's text changed since the last write
    bool quitting = false;    // a quit command has begun
};

// The program-wide state that the main window owns and lends to every window: the note table,
// the flags and the open note windows. The notes file, its writes and what other programs
// change in it are the store's, whose merges come back here to reach the rows and the windows.
class Session {
public:
    explicit Session(const Clock &clock);

    NoteTable table;
    Flags flags;
    NoteWindows windows{table}; // the open note windows, their rows and slots
    NotesStore store;
    NotesFile &file = store.file;
    SingleCopy *&guard = store.guard; // none where no single copy runs (tests)
    bool loaded = false;              // the notes file has been read

    // Told once when writes start failing, and again only after one has worked since.
    std::function<void(const SaveResult &)> writeFailed;
    // Told once per merge that kept notes changed on both sides twice, with where the version
    // found on disk is copied.
    std::function<void(int notes, const QString &copy)> keptBoth;
    // Told when sync engines' conflict copies were merged into the list.
    std::function<void(const QStringList &copies)> copiesMerged;

    // A note window's close handler: the notes written while autosave is on, then the window
    // told closed.
    void windowClosed(const NoteWindow &window);

    // Writes the whole table (see NotesStore::save()): the text-changed flag is cleared, and set
    // again when the write fails, so that the next tick tries again; the file is only written
    // under the guard.
    SaveResult ecrire_notes() { return store.save(); }
    SaveResult flushWrites(QDeadlineTimer deadline) { return store.flushWrites(deadline); }
    SaveResult saveAndWait(QDeadlineTimer deadline) { return store.saveAndWait(deadline); }
    static constexpr int kEndWaitMs = 10000;

    void watchFile() { store.watchFile(); }
    void checkDisk() { store.checkDisk(); }
    NotesWriter &writer() { return store.writer(); }
    void takeWrites() { store.takeWrites(); }

private:
    void apply(const MergedRows &merged);
};
