#pragma once

#include "session/slottable.h"

#include <array>

class NoteTable;

// A note window as the rules see it: the list commands and the alert check reach the note
// windows through this, so that they run the same with real windows and with a test's fakes.
class NoteWindow {
public:
    int f_pos = 0;       // the row of the note table it shows
    int f_monindice = 0; // its window slot, 1 to 100

    virtual void activate() = 0;    // to the front, with the focus; not reloaded
    virtual void closeWindow() = 0; // its close handler runs before this returns
    virtual void en_rouge() = 0;    // the alert fell due: red until closed
    virtual void rowReloaded() {}   // its row took another program's version: shown again
    virtual void reporter() {}      // "Reporter": the alert put off to a quarter hour later, written

protected:
    ~NoteWindow() = default;
};

// Makes note windows: the window side of ouvrir_fenetre.
class NoteWindowMaker {
public:
    enum class Fill {
        New,      // init: a new note, stamped now
        Existing, // reinit: filled from its row
    };
    // Makes the window of `row` in `slot`, its f_pos and f_monindice set, placed in the slot's
    // cell, filled, and shown.
    virtual NoteWindow *makeWindow(int row, int slot, Fill fill) = 0;

protected:
    ~NoteWindowMaker() = default;
};

// The open note windows: which row each shows, in which slot. The only code that reads or
// writes a row's slot (column 3), the slot table and the windows by slot; everything else asks
// it. A row names its window's slot, "" when it has none.
class NoteWindows {
public:
    explicit NoteWindows(NoteTable &table) : m_table(table) {}

    void setMaker(NoteWindowMaker *maker) { m_maker = maker; }

    // Opens a window for `row` in the lowest free slot, which column 3 then names, placed and
    // filled. None when every slot is taken: then nothing changes.
    NoteWindow *ouvrir_fenetre(int row, NoteWindowMaker::Fill fill);
    NoteWindow *fenetre(int slot) const; // the open window of a slot, or none
    NoteWindow *windowOfRow(int row) const { return fenetre(slotOf(row)); }

    // What column 3 of a row says of its window.
    enum class Cell {
        None,        // no window: one may be opened
        Slot,        // the slot of a window
        Placeholder, // the placeholder row, which never has one
        Foreign,     // not a text this program writes: left as it is
    };
    Cell cellOf(int row) const;
    // The row has no window, nor is the placeholder any more: column 3 emptied.
    void unbind(int row);

    // A window closed: its row without a window and its slot free.
    void closed(const NoteWindow &window);
    // Rows were removed or moved, each with its column 3: every open window takes the row that
    // names its slot.
    void rowsMoved();
    // Every slot free, as at start-up.
    void clear() { m_slots.clear(); }

private:
    int slotOf(int row) const;

    NoteTable &m_table;
    NoteWindowMaker *m_maker = nullptr;
    SlotTable m_slots;
    std::array<NoteWindow *, SlotTable::kMax + 1> m_windows{};
};
