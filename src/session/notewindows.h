#pragma once

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
