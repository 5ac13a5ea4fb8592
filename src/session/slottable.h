#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

// Window slots 1..100 of the open note windows: which are in use.
class SlotTable {
public:
    static constexpr int kMax = 100;

    void clear();
    int lowestFree() const; // 0 when every slot is in use
    void take(int slot);
    void release(int slot);
    bool inUse(int slot) const { return slot >= 1 && slot <= kMax && m_inUse[slot] != 0; }

    // The slot named by a column-3 text: "1" .. "100" as ouvrir_fenetre writes it, else 0.
    static int fromCell(const QString &cell);

private:
    std::array<qint16, kMax + 1> m_inUse{};
};
