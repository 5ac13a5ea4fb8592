#include "session.h"

NoteWindow *Session::ouvrir_fenetre(int row, NoteWindowMaker::Fill fill)
{
    const int s = slotTable.lowestFree();
    if (s == 0 || !m_maker)
        return nullptr;
    slotTable.take(s);
    table.setTextMatrix(row, Col::Slot, QString::number(s));
    m_windows[s] = m_maker->makeWindow(row, s, fill);
    return m_windows[s];
}

NoteWindow *Session::fenetre(int slot) const
{
    // A freed slot may still name the window that last had it: never hand that out.
    return slotTable.inUse(slot) ? m_windows[slot] : nullptr;
}

void Session::windowClosed(const NoteWindow &window)
{
    if (flags.autosave)
        ecrire_notes();
    table.setTextMatrix(window.f_pos, Col::Slot, QString());
    slotTable.release(window.f_monindice);
    m_windows[window.f_monindice] = nullptr;
}

SaveResult Session::ecrire_notes()
{
    flags.textChanged = false;
    SaveResult result = guard ? guard->ensureHeld() : SaveResult{};
    if (result)
        result = file.ecrire_notes(table);
    if (!result) {
        flags.textChanged = true;
        if (!m_lastWriteFailed && writeFailed)
            writeFailed(result);
    }
    m_lastWriteFailed = !result;
    return result;
}
