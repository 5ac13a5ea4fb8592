#include "session.h"

#include "store/notesmerge.h"

Session::Session(const Clock &clock) : store(table, flags.textChanged, clock)
{
    store.keepRow = [this](int row) { return windows.windowOfRow(row) != nullptr; };
    QObject::connect(&store, &NotesStore::merged, &store,
                     [this](const MergedRows &merged) { apply(merged); });
    QObject::connect(&store, &NotesStore::writeFailed, &store, [this](const SaveResult &result) {
        if (writeFailed)
            writeFailed(result);
    });
    QObject::connect(&store, &NotesStore::keptBoth, &store, [this](int notes, const QString &copy) {
        if (keptBoth)
            keptBoth(notes, copy);
    });
    QObject::connect(&store, &NotesStore::copiesMerged, &store, [this](const QStringList &copies) {
        if (copiesMerged)
            copiesMerged(copies);
    });
}

void Session::windowClosed(const NoteWindow &window)
{
    if (flags.autosave)
        ecrire_notes();
    windows.closed(window);
}

// A merge into the table: the rows take the merged list's order, each with its column 3, so
// that each open window follows its row; a window whose row went closes.
void Session::apply(const MergedRows &merged)
{
    const bool autosave = std::exchange(flags.autosave, false);
    for (int r = 1; r < table.Rows(); ++r)
        if (NoteWindow *w = merged.newRow.value(r) ? nullptr : windows.windowOfRow(r))
            w->closeWindow();
    flags.autosave = autosave;
    const int current = table.Row();
    table.replaceRows(merged.rows);
    if (merged.none)
        table.makePlaceholder(1);
    else if (table.Rows() > 2)
        for (int r = 1; r < table.Rows(); ++r)
            if (windows.cellOf(r) == NoteWindows::Cell::Placeholder)
                windows.unbind(r); // the placeholder row is a note beside others
    if (const int after = merged.newRow.value(current))
        table.setRow(after);
    windows.rowsMoved();
    for (int r : merged.reloaded)
        if (NoteWindow *w = windows.windowOfRow(r))
            w->rowReloaded();
}
