#include "slottable.h"

void SlotTable::clear()
{
    m_inUse.fill(0);
}

int SlotTable::lowestFree() const
{
    for (int s = 1; s <= kMax; ++s)
        if (m_inUse[s] == 0)
            return s;
    return 0;
}

void SlotTable::take(int slot)
{
    m_inUse[slot] = qint16(slot);
}

int SlotTable::fromCell(const QString &cell)
{
    bool ok = false;
    const int slot = cell.toInt(&ok);
    // Only the form ouvrir_fenetre writes: no sign, blank or leading zero.
    if (!ok || slot < 1 || slot > kMax || QString::number(slot) != cell)
        return 0;
    return slot;
}

void SlotTable::release(int slot)
{
    if (slot >= 1 && slot <= kMax)
        m_inUse[slot] = 0;
}
