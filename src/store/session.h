#pragma once

#include "store/clock.h"
#include "store/notesfile.h"
#include "store/notetable.h"
#include "store/notewindows.h"
#include "store/singlecopy.h"
#include "store/slottable.h"

#include <array>
#include <functional>

// Program-wide switches shared by the main window and the note windows.
struct Flags {
    bool autosave = true;     // note-window actions may write the notes file
    bool textChanged = false; // a note's text changed since the last write
    bool quitting = false;    // a quit command has begun
};

// The program-wide state that the main window owns and lends to every window: the note table,
// the flags, the notes file and the open note windows by slot.
class Session {
public:
    explicit Session(const Clock &clock) : file(clock) {}

    NoteTable table;
    Flags flags;
    SlotTable slotTable;
    NotesFile file;
    SingleCopy *guard = nullptr; // none where no single copy runs (tests)
    bool loaded = false;         // the notes file has been read

    // Told once when writes start failing, and again only after one has worked since.
    std::function<void(const SaveResult &)> writeFailed;

    void setWindowMaker(NoteWindowMaker *maker) { m_maker = maker; }

    // Opens a window for `row` in the lowest free slot, which column 3 then names, placed and
    // filled. None when every slot is taken: then nothing changes.
    NoteWindow *ouvrir_fenetre(int row, NoteWindowMaker::Fill fill);
    NoteWindow *fenetre(int slot) const; // the open window of a slot, or none
    NoteWindow *windowOfRow(int row) const
    {
        return fenetre(SlotTable::fromCell(table.TextMatrix(row, Col::Slot)));
    }

    // A note window's close handler: the notes written while autosave is on, then its row
    // without a window and its slot free.
    void windowClosed(const NoteWindow &window);

    // Writes the whole table. The text-changed flag is cleared, and set again when the write
    // fails, so that the next tick tries again; the file is only written under the guard.
    SaveResult ecrire_notes();

private:
    NoteWindowMaker *m_maker = nullptr;
    std::array<NoteWindow *, SlotTable::kMax + 1> m_windows{};
    bool m_lastWriteFailed = false;
};
