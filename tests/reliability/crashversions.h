#pragma once

#include "store/notetable.h"

// The tables that the crash test's writer saves one after the other. Version v names itself
// in its first cell; sizes go from one short record to several hundred kilobytes, so that
// kills land in writes of every size.
namespace crashversions {

inline NoteTable table(int version)
{
    NoteTable t;
    t.setUp();
    const int rows = 1 + (version * 7) % 13;
    const int width = ((version * 7919) % 97) * 800;
    for (int r = 1; r <= rows; ++r) {
        if (r > 1)
            t.AddItem();
        t.setTextMatrix(r, Col::Stamp,
                        r == 1 ? QStringLiteral("v=%1").arg(version) : QStringLiteral("Le 01/12 à 10:00"));
        t.setTextMatrix(r, Col::Text,
                        QStringLiteral("version %1, note %2\r\n\"é€\" ").arg(version).arg(r) +
                            QString(width / rows, QChar(u'a' + (version + r) % 26)));
        t.setTextMatrix(r, Col::Alert, r % 3 ? QStringLiteral("lundi 08/12 9h30") : QString());
        t.setTextMatrix(r, Col::Slot, QString());
        t.setTextMatrix(r, Col::Alerted, version % 2 ? QStringLiteral("1") : QString());
    }
    return t;
}

// The version a table read back names, or -1.
inline int versionOf(const NoteTable &t)
{
    const QString &stamp = t.TextMatrix(1, Col::Stamp);
    return stamp.startsWith(QStringLiteral("v=")) ? stamp.mid(2).toInt() : -1;
}

} // namespace crashversions
