#pragma once

#include "placement.h"
#include "slottable.h"
#include "store/notesfile.h"
#include "store/notetable.h"

// The program-wide state that the main window owns and lends to every window.
struct Session {
    NoteTable table;
    Flags flags;
    SlotTable slotTable;
    NotesFile file;
    WorkArea workArea;

    bool ecrire_notes() { return file.ecrire_notes(table, flags); }
};
