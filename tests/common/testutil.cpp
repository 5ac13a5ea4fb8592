#include "testutil.h"

#include "store/cp1252.h"
#include "store/notesfile.h"

#include <QDir>
#include <QtTest>

namespace testutil {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

NoteTable tableOf(const QList<QStringList> &rows)
{
    NoteTable t;
    t.setUp();
    for (int i = 0; i < rows.size(); ++i) {
        if (i > 0)
            t.AddItem();
        for (int c = 0; c < Col::Count; ++c)
            t.setTextMatrix(i + 1, c, rows[i].value(c));
    }
    return t;
}

QList<QStringList> rowsOf(const NoteTable &table)
{
    QList<QStringList> rows;
    for (int r = 1; r < table.Rows(); ++r) {
        rows << QStringList();
        for (int c = 0; c < Col::Count; ++c)
            rows.last() << table.TextMatrix(r, c);
    }
    return rows;
}

QList<QStringList> storedRows(const QString &folder)
{
    NoteTable t;
    t.setUp();
    NotesFile(folder).charger_notes(t);
    return rowsOf(t);
}

QByteArray records(const QList<QStringList> &records)
{
    QString text;
    for (const QStringList &r : records)
        text += u'"' + r.join(QStringLiteral("\",\"")) + QStringLiteral("\"\r\n");
    return cp1252::encode(text);
}

QByteArray notesFile(int n)
{
    QList<QStringList> notes;
    for (int i = 1; i <= n; ++i)
        notes << QStringList{QStringLiteral("Le 01/12 à 10:00"), QStringLiteral("note %1").arg(i), "", ""};
    return records(notes);
}

} // namespace testutil
