#include "notewindows.h"

#include "store/notetable.h"

NoteWindow *NoteWindows::ouvrir_fenetre(int row, NoteWindowMaker::Fill fill)
{
    const int s = m_slots.lowestFree();
    if (s == 0 || !m_maker)
        return nullptr;
    m_slots.take(s);
    m_table.setTextMatrix(row, Col::Slot, QString::number(s));
    m_windows[s] = m_maker->makeWindow(row, s, fill);
    return m_windows[s];
}

NoteWindow *NoteWindows::fenetre(int slot) const
{
    // A freed slot may still name the window that last had it: never hand that out.
    return m_slots.inUse(slot) ? m_windows[slot] : nullptr;
}

int NoteWindows::slotOf(int row) const
{
    return SlotTable::fromCell(m_table.TextMatrix(row, Col::Slot));
}

NoteWindows::Cell NoteWindows::cellOf(int row) const
{
    const QString &cell = m_table.TextMatrix(row, Col::Slot);
    if (cell.isEmpty())
        return Cell::None;
    if (cell == kPlaceholderSlot)
        return Cell::Placeholder;
    return SlotTable::fromCell(cell) != 0 ? Cell::Slot : Cell::Foreign;
}

void NoteWindows::unbind(int row)
{
    m_table.setTextMatrix(row, Col::Slot, QString());
}

void NoteWindows::closed(const NoteWindow &window)
{
    m_table.setTextMatrix(window.f_pos, Col::Slot, QString());
    m_slots.release(window.f_monindice);
    m_windows[window.f_monindice] = nullptr;
}

void NoteWindows::rowsMoved()
{
    for (int r = 1; r < m_table.Rows(); ++r)
        if (NoteWindow *w = windowOfRow(r))
            w->f_pos = r;
}
