#include "testutil.h"

#include "store/cp1252.h"
#include "store/notesfile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QtTest>

TempDataHome::TempDataHome()
{
    qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
}

namespace testutil {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray cp1252(const QString &text)
{
    return cp1252::encode(text);
}

void fill(NoteTable &table, const QList<QStringList> &rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        if (i > 0)
            table.AddItem();
        for (int c = 0; c < Col::Count; ++c)
            table.setTextMatrix(i + 1, c, rows[i].value(c));
    }
}

QList<QStringList> rowsOf(const NoteTable &table)
{
    QList<QStringList> rows;
    for (int r = 1; r < table.Rows(); ++r) {
        QStringList row;
        for (int c = 0; c < Col::Count; ++c)
            row << table.TextMatrix(r, c);
        rows << row;
    }
    return rows;
}

QByteArray notesFile(int n)
{
    QByteArray bytes;
    for (int i = 1; i <= n; ++i)
        bytes += "\"Le 01/12 \xe0 10:00\",\"note " + QByteArray::number(i) + "\",\"\",\"\"\r\n";
    return bytes;
}

NoteTable tableOf(const QList<QStringList> &rows)
{
    NoteTable t;
    t.setUp();
    fill(t, rows);
    return t;
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

void useFrenchLocale()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

}  // namespace testutil
