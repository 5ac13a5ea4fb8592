#pragma once

#include "store/clock.h"
#include "store/notetable.h"
#include "store/notewindows.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <list>

// A clock that tells the time the test sets; by default Monday 7 December 2026, 10:20.
class MockClock : public Clock {
public:
    explicit MockClock(QDateTime t = QDateTime(QDate(2026, 12, 7), QTime(10, 20))) : m_now(t) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }

private:
    QDateTime m_now;
};

// A fresh $XDG_DATA_HOME for one test; the data folder is <it>/rapix/.
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

// Note windows that only record what is done to them, for the rules that reach windows.
class FakeWindows : public NoteWindowMaker {
public:
    struct Window : NoteWindow {
        QStringList *log = nullptr;
        std::function<void(Window &)> onClose;
        void activate() override { *log << QStringLiteral("activate %1").arg(f_monindice); }
        void closeWindow() override
        {
            *log << QStringLiteral("close %1").arg(f_monindice);
            onClose(*this);
        }
        void en_rouge() override { *log << QStringLiteral("red %1").arg(f_monindice); }
    };
    // Closing runs the close handler given, as a real window's does.
    explicit FakeWindows(std::function<void(Window &)> onClose) : m_onClose(std::move(onClose)) {}
    NoteWindow *makeWindow(int row, int slot, Fill fill) override;

    QStringList log; // "open 3 in 1 (new)", "activate 1", "close 1", "red 1", in order

private:
    std::function<void(Window &)> m_onClose;
    std::list<Window> m_windows;
};

namespace testutil {
// Fails the test on any warning but those the offscreen platform gives for every window.
void failOnUnexpectedWarnings();
QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);
// A set-up table holding these rows of five cells, and back.
NoteTable tableOf(const QList<QStringList> &rows);
QList<QStringList> rowsOf(const NoteTable &table);
// The rows that the notes file of a data folder holds, read back.
QList<QStringList> storedRows(const QString &folder);
// The notes file of these records (stamp, text, alert, alerted), and one of n notes "note 1" ..
QByteArray records(const QList<QStringList> &records);
QByteArray notesFile(int n);
} // namespace testutil
