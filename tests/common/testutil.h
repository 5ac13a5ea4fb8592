#pragma once

#include "session/notewindows.h"
#include "session/session.h"
#include "store/clock.h"
#include "store/notesfile.h"
#include "store/notetable.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <list>
#include <memory>

// A clock that tells the time the test sets; by default Monday 7 December 2026, 10:20.
class MockClock : public Clock {
public:
    explicit MockClock(QDateTime t = QDateTime(QDate(2026, 12, 7), QTime(10, 20))) : m_now(t) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }

private:
    QDateTime m_now;
};

// A fresh $XDG_DATA_HOME and $XDG_CONFIG_HOME for one test; the data folder is <it>/rapix/.
class TempDataHome {
public:
    TempDataHome()
    {
        qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toLocal8Bit());
    }
    QString path() const { return m_dir.path(); }
    QString folder() const { return m_dir.path() + QStringLiteral("/rapix/"); }
    QString notesPath() const { return folder() + QStringLiteral("planifs.txt"); }

private:
    QTemporaryDir m_dir;
};

namespace testutil {
// Fails the test on any warning but those the offscreen platform gives for every window: it has
// no notification area, and cannot raise or size-hint a window.
inline void failOnUnexpectedWarnings()
{
    QTest::failOnWarning(QRegularExpression(
        QStringLiteral("^(?!This plugin does not support (raise|propagateSizeHints)\\(\\)"
                       "|QSystemTrayIcon::setVisible: No Icon set|.*systemTrayWindowChanged)")));
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
}

// A set-up table of these rows of five cells, and back.
inline NoteTable tableOf(const QList<QStringList> &rows)
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

inline QList<QStringList> rowsOf(const NoteTable &table)
{
    QList<QStringList> rows;
    for (int r = 1; r < table.Rows(); ++r) {
        rows << QStringList();
        for (int c = 0; c < Col::Count; ++c)
            rows.last() << table.TextMatrix(r, c);
    }
    return rows;
}

// The bytes of a notes file of these records (stamp, text, alert, alerted), each field quoted, each
// record ended by CR LF. Only characters that Windows-1252 and Latin-1 give the same byte: the
// test's own encoding, not the program's.
inline QByteArray records(const QList<QStringList> &records)
{
    QString text;
    for (const QStringList &r : records)
        text += u'"' + r.join(QStringLiteral("\",\"")) + QStringLiteral("\"\r\n");
    for (QChar c : std::as_const(text))
        if (c.unicode() > 0xFF || (c.unicode() >= 0x80 && c.unicode() <= 0x9F))
            qFatal("records(): U+%04X has no byte of its own in both code pages", c.unicode());
    return text.toLatin1();
}

// The rows of five cells that a notes file written by the program stands for, read by the rules
// of its layout alone: records of four quoted fields, each ended by CR LF; in the text "~" is a line
// break and "\xa4" a double quote; the bytes Latin-1 shares with Windows-1252 (and the five that
// Windows-1252 leaves undefined). Anything else is a row naming what is wrong.
inline QList<QStringList> parseRecords(const QByteArray &bytes)
{
    static const QString field =
        QStringLiteral("\"([^\"\\x{80}\\x{82}-\\x{8c}\\x{8e}\\x{91}-\\x{9c}\\x{9e}\\x{9f}]*)\"");
    static const QRegularExpression record(u'^' + QStringList(4, field).join(u',') + u'$');
    QList<QStringList> rows;
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString())
        return {{QStringLiteral("no CR LF at the end")}};
    for (const QString &line : std::as_const(lines)) {
        const QRegularExpressionMatch m = record.match(line);
        if (!m.hasMatch())
            return {{QStringLiteral("not a record: ") + line}};
        QString text = m.captured(2);
        text.replace(u'~', QStringLiteral("\r\n")).replace(u'\u00a4', u'"');
        rows << QStringList{m.captured(1), text, m.captured(3), QString(), m.captured(4)};
    }
    return rows;
}

// The rows a data folder's notes file holds.
inline QList<QStringList> storedRows(const QString &folder)
{
    return parseRecords(readFile(folder + QStringLiteral("planifs.txt")));
}

inline QByteArray notesFile(int n)
{
    QList<QStringList> notes;
    for (int i = 1; i <= n; ++i)
        notes << QStringList{QStringLiteral("Le 01/12 à 10:00"), QStringLiteral("note %1").arg(i), "", ""};
    return records(notes);
}
} // namespace testutil

// A session of these rows with windows open on the rows `open`, in order, which log only that they
// turn red ("red 100").
struct FakeSession : NoteWindowMaker {
    explicit FakeSession(const QList<QStringList> &rows, const QList<int> &open)
    {
        session.table = testutil::tableOf(rows);
        session.file.setFolder(home.folder());
        session.windows.setMaker(this);
        for (int r : open)
            session.windows.ouvrir_fenetre(r, Fill::Existing);
    }
    NoteWindow *makeWindow(int row, int slot, Fill) override
    {
        auto &w = m_windows.emplace_back(std::make_unique<Window>(log));
        w->f_pos = row;
        w->f_monindice = slot;
        return w.get();
    }
    TempDataHome home;
    MockClock clock;
    Session session{clock};
    QStringList log;

private:
    struct Window : NoteWindow {
        explicit Window(QStringList &log) : log(log) {}
        void activate() override {}
        void closeWindow() override {}
        void en_rouge() override { log << QStringLiteral("red %1").arg(f_monindice); }
        QStringList &log;
    };
    std::list<std::unique_ptr<Window>> m_windows;
};
