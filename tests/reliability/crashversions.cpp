#include "crashversions.h"

namespace crashversions {

NoteTable table(int version)
{
    NoteTable t;
    t.setUp();
    const int rows = 1 + (version * 7) % 13;
    const int width = ((version * 7919) % 97) * 800;
    for (int r = 1; r <= rows; ++r) {
        if (r > 1)
            t.AddItem();
        t.setTextMatrix(r, Col::Stamp,
                        r == 1 ? QStringLiteral("v=%1").arg(version)
                               : QStringLiteral("Le %1/12 à 10:00").arg(r % 28 + 1, 2, 10, QChar(u'0')));
        const QChar fill = QChar(u'a' + (version + r) % 26);
        t.setTextMatrix(r, Col::Text,
                        QStringLiteral("version %1, note %2\r\n\"é€\" ").arg(version).arg(r) +
                            QString(width / rows, fill));
        t.setTextMatrix(r, Col::Alert, r % 3 ? QStringLiteral("lundi 08/12 9h30") : QString());
        t.setTextMatrix(r, Col::Slot, QString());
        t.setTextMatrix(r, Col::Alerted, version % 2 ? QStringLiteral("1") : QString());
    }
    return t;
}

int versionOf(const NoteTable &t)
{
    const QString &stamp = t.TextMatrix(1, Col::Stamp);
    if (!stamp.startsWith(QStringLiteral("v=")))
        return -1;
    bool ok = false;
    const int v = stamp.mid(2).toInt(&ok);
    return ok ? v : -1;
}

} // namespace crashversions
