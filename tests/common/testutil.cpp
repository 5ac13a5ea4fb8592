#include "testutil.h"

#include "store/cp1252.h"
#include "store/notesfile.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

TempDataHome::TempDataHome()
{
    qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toLocal8Bit());
}

struct FakeWindows::Window : NoteWindow {
    Window(FakeWindows &owner) : owner(owner) {}
    void say(const char *what)
    {
        owner.log << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(f_monindice);
    }
    void activate() override { say("activate"); }
    void closeWindow() override
    {
        say("close");
        owner.m_onClose(*this);
    }
    void en_rouge() override { say("red"); }
    FakeWindows &owner;
};

FakeWindows::FakeWindows(std::function<void(NoteWindow &)> onClose) : m_onClose(std::move(onClose)) {}
FakeWindows::~FakeWindows() = default;

NoteWindow *FakeWindows::makeWindow(int row, int slot, Fill fill)
{
    auto &w = m_windows.emplace_back(std::make_unique<Window>(*this));
    w->f_pos = row;
    w->f_monindice = slot;
    log << QStringLiteral("open %1 in %2 (%3)")
               .arg(row)
               .arg(slot)
               .arg(fill == Fill::New ? "new" : "existing");
    return w.get();
}

namespace testutil {

void failOnUnexpectedWarnings()
{
    // The offscreen platform has no notification area, and cannot raise or size-hint a window.
    QTest::failOnWarning(QRegularExpression(
        QStringLiteral("^(?!This plugin does not support (raise|propagateSizeHints)\\(\\)"
                       "|QSystemTrayIcon::setVisible: No Icon set|.*systemTrayWindowChanged)")));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
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
