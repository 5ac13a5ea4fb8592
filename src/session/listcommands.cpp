#include "listcommands.h"

#include "session/session.h"

void ListCommands::newNote()
{
    NoteTable &t = m_session.table;
    if (t.Rows() > SlotTable::kMax)
        return;
    int row;
    if (t.Rows() == 2 && t.isBlankRow(1)) {
        // The single blank row becomes the new note; if it has a window, that one serves, so
        // that no row ever has two.
        if (NoteWindow *open = m_session.windows.windowOfRow(1)) {
            open->activate();
            return;
        }
        row = 1;
        m_session.windows.unbind(row);
        t.setTextMatrix(row, Col::Alerted, QString());
    } else {
        t.AddItem();
        row = t.Rows() - 1;
    }
    // The new note takes the focus, as it would from any window manager; without one nobody
    // else gives it.
    if (NoteWindow *w = m_session.windows.ouvrir_fenetre(row, NoteWindowMaker::Fill::New))
        w->activate();
}

void ListCommands::showRow(int row)
{
    NoteWindows &windows = m_session.windows;
    if (windows.cellOf(row) == NoteWindows::Cell::None)
        windows.ouvrir_fenetre(row, NoteWindowMaker::Fill::Existing);
    else if (NoteWindow *w = windows.windowOfRow(row))
        w->activate();
}

void ListCommands::view()
{
    const int r = m_session.table.Row();
    if (r < 1 || r >= m_session.table.Rows())
        return;
    const bool open = m_session.windows.windowOfRow(r);
    showRow(r);
    // A window just opened takes the focus too (one already open has been brought forward).
    if (NoteWindow *w = m_session.windows.windowOfRow(r); w && !open)
        w->activate();
}

// Returns false when the row was the last one, now the placeholder row.
bool ListCommands::removeRow(int row)
{
    NoteTable &t = m_session.table;
    // Its close handler runs now: with autosave on, it writes the file while the row is there.
    if (NoteWindow *w = m_session.windows.windowOfRow(row))
        w->closeWindow();
    if (t.Rows() == 2) {
        t.makePlaceholder(row);
        return false;
    }
    t.RemoveItem(row);
    return true;
}

void ListCommands::remove()
{
    const NoteTable &t = m_session.table;
    const int r = t.Row();
    if (r < 1 || r >= t.Rows() || m_session.windows.cellOf(r) == NoteWindows::Cell::Placeholder ||
        !removeRow(r))
        return;
    // The windows below the removed row now show the row above theirs.
    m_session.windows.rowsMoved();
}

void ListCommands::removeAll()
{
    NoteTable &t = m_session.table;
    m_session.flags.autosave = false;
    // From the last row up, no window is left below the row removed: none to renumber.
    for (int d = t.Rows() - 1; d >= 1; --d)
        if (m_session.windows.cellOf(d) != NoteWindows::Cell::Placeholder)
            removeRow(d);
    m_session.flags.autosave = true;
    m_session.ecrire_notes();
}

void ListCommands::showAll()
{
    const int n = m_session.table.Rows() - 1;
    for (int i = 1; i <= n; ++i)
        showRow(i);
}

void ListCommands::hideAll()
{
    const int n = m_session.table.Rows() - 1;
    for (int i = 1; i <= n; ++i)
        if (NoteWindow *w = m_session.windows.windowOfRow(i))
            w->closeWindow();
}
