#pragma once

#include "store/clock.h"
#include "store/notetable.h"
#include "store/notewindows.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
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
    TempDataHome();
    QString path() const { return m_dir.path(); }
    QString folder() const { return m_dir.path() + QStringLiteral("/rapix/"); }
    QString notesPath() const { return folder() + QStringLiteral("planifs.txt"); }

private:
    QTemporaryDir m_dir;
};

// Note windows that only log what is done to them ("open 3 in 1 (new)", "activate 1",
// "close 1", "red 1"); closing runs the close handler given, as a real window's does.
class FakeWindows : public NoteWindowMaker {
public:
    explicit FakeWindows(std::function<void(NoteWindow &)> onClose);
    ~FakeWindows();
    NoteWindow *makeWindow(int row, int slot, Fill fill) override;
    QStringList log;

private:
    struct Window;
    std::function<void(NoteWindow &)> m_onClose;
    std::list<std::unique_ptr<Window>> m_windows;
};

namespace testutil {
// Fails the test on any warning but those the offscreen platform gives for every window.
void failOnUnexpectedWarnings();
QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);
// A set-up table of these rows of five cells, and back; the rows a data folder's file holds.
NoteTable tableOf(const QList<QStringList> &rows);
QList<QStringList> rowsOf(const NoteTable &table);
QList<QStringList> storedRows(const QString &folder);
// A notes file of these records (stamp, text, alert, alerted), or of n notes "note 1" ...
QByteArray records(const QList<QStringList> &records);
QByteArray notesFile(int n);
} // namespace testutil
