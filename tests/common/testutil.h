#pragma once

#include "app/clock.h"
#include "store/notetable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A clock that tells the time the test sets.
class MockClock : public Clock {
public:
    explicit MockClock(QDateTime t = QDateTime(QDate(2026, 12, 7), QTime(10, 20))) : m_now(t) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }
    void set(int y, int mo, int d, int h, int mi, int s = 0) { m_now = QDateTime(QDate(y, mo, d), QTime(h, mi, s)); }
    void advance(qint64 secs) { m_now = m_now.addSecs(secs); }

private:
    QDateTime m_now;
};

// A fresh $XDG_DATA_HOME for one test; the data folder is <it>/rapix/.
class TempDataHome {
public:
    TempDataHome();
    QString home() const { return m_dir.path(); }
    QString folder() const { return m_dir.path() + QStringLiteral("/rapix/"); }
    QString notesPath() const { return folder() + QStringLiteral("planifs.txt"); }

private:
    QTemporaryDir m_dir;
};

namespace testutil {
QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);
// Windows-1252 bytes of a Unicode text (test data are written in UTF-8 source).
QByteArray cp1252(const QString &text);
// A table holding these rows of five cells (columns 0..4), placeholder-free.
void fill(NoteTable &table, const QList<QStringList> &rows);
QList<QStringList> rowsOf(const NoteTable &table);
// A notes file of n notes "note 1" .. "note n", created Le 01/12 à 10:00.
QByteArray notesFile(int n);
// A set-up table holding these rows of five cells.
NoteTable tableOf(const QList<QStringList> &rows);
// The rows that the notes file of a data folder holds, read back.
QList<QStringList> storedRows(const QString &folder);
// The notes file of these records (stamp, text, alert, alerted).
QByteArray records(const QList<QStringList> &records);
// French regional settings for the whole test program.
void useFrenchLocale();
}  // namespace testutil
