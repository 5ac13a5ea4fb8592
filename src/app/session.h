#pragma once

#include "placement.h"
#include "slottable.h"
#include "store/notesfile.h"
#include "store/notetable.h"
#include "store/singlecopy.h"

#include <functional>

// The program-wide state that the main window owns and lends to every window.
struct Session {
    NoteTable table;
    Flags flags;
    SlotTable slotTable;
    NotesFile file;
    WorkArea workArea;
    SingleCopy *guard = nullptr; // none in tests that run no single copy

    // Told once when writes start failing, and again only after one has worked since.
    std::function<void(const SaveResult &)> writeFailed;

    // Writes the whole table. The text-changed flag is cleared, and set again when the write
    // fails, so that the next tick tries again; the file is only written under the guard.
    SaveResult ecrire_notes()
    {
        flags.textChanged = false;
        SaveResult result = guard ? guard->ensureHeld() : SaveResult{};
        if (result)
            result = file.ecrire_notes(table);
        if (!result) {
            flags.textChanged = true;
            if (!lastWriteFailed && writeFailed)
                writeFailed(result);
        }
        lastWriteFailed = !result;
        return result;
    }
    bool lastWriteFailed = false;
};
