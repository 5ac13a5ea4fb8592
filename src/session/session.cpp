#include "session.h"

#include "store/notesmerge.h"

Session::Session(const Clock &clock) : store(table, flags.textChanged, clock)
{
    store.keepRow = [this](int row) { return windows.windowOfRow(row) != nullptr; };
    QObject::connect(&store, &NotesStore::merged, &store,
                     [this](const notesmerge::Result &plan) { apply(plan); });
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
void Session::apply(const notesmerge::Result &plan)
{
    QList<int> newRow(table.Rows(), 0); // a row of the table now -> its row after, 0: gone
    QList<NoteTable::Row5> rows;
    for (const notesmerge::Entry &e : plan.entries) {
        NoteTable::Row5 row;
        if (e.ours >= 0) {
            newRow[e.ours + 1] = int(rows.size()) + 1;
            for (int c = 0; c < Col::Count; ++c)
                row[c] = table.TextMatrix(e.ours + 1, c);
        }
        if (e.content) {
            row[Col::Stamp] = (*e.content)[0];
            row[Col::Text] = (*e.content)[1];
            row[Col::Alert] = (*e.content)[2];
            row[Col::Alerted] = (*e.content)[3];
        }
        rows.append(row);
    }
    const bool none = rows.isEmpty();
    if (none)
        rows.append(NoteTable::Row5{});

    const bool autosave = std::exchange(flags.autosave, false);
    for (int r = 1; r < table.Rows(); ++r)
        if (NoteWindow *w = newRow[r] ? nullptr : windows.windowOfRow(r))
            w->closeWindow();
    flags.autosave = autosave;
    const int current = table.Row();
    while (table.Rows() - 1 < rows.size())
        table.AddItem();
    while (table.Rows() - 1 > rows.size())
        table.RemoveItem(table.Rows() - 1);
    for (int r = 1; r < table.Rows(); ++r)
        for (int c = 0; c < Col::Count; ++c)
            table.setTextMatrix(r, c, rows[r - 1][c]);
    if (none)
        table.makePlaceholder(1);
    else if (rows.size() > 1)
        for (int r = 1; r < table.Rows(); ++r)
            if (windows.cellOf(r) == NoteWindows::Cell::Placeholder)
                windows.unbind(r); // the placeholder row is a note beside others
    if (current < newRow.size() && newRow[current])
        table.setRow(newRow[current]);
    windows.rowsMoved();
    for (int i = 0; i < plan.entries.size(); ++i)
        if (NoteWindow *w = plan.entries[i].content ? windows.windowOfRow(i + 1) : nullptr)
            w->rowReloaded();
}
