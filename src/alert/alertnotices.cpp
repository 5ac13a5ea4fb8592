#include "alertnotices.h"

#include "alerttext.h"
#include "notifier.h"
#include "session/session.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace alert {

AlertNotices::AlertNotices(Session &session, TrayIcon *tray, QObject *parent)
    : QObject(parent), m_session(session), m_notifier(new Notifier(tray, this))
{}

void AlertNotices::tellFallenDue(const QList<int> &rows)
{
    QStringList lines;
    QList<QPointer<QObject>> windows;
    for (int r : rows) {
        const auto parts = split(m_session.table.TextMatrix(r, Col::Alert));
        lines << noticeLine(parts ? parts->hour + u'h' + parts->minutes : QString(),
                            m_session.table.TextMatrix(r, Col::Text));
        if (auto *w = dynamic_cast<QWidget *>(m_session.windows.windowOfRow(r))) {
            QApplication::alert(w);
            windows << w;
        }
    }
    const int notice = m_notifier->notify(
        rows.size() == 1 ? QStringLiteral("Alerte") : QStringLiteral("Alertes"), lines,
        [windows] {
            for (const QPointer<QObject> &w : windows)
                if (auto *note = dynamic_cast<NoteWindow *>(w.data()))
                    note->activate();
        },
        [windows] { // "Reporter": each window stays where it is, red
            for (const QPointer<QObject> &w : windows)
                if (auto *note = dynamic_cast<NoteWindow *>(w.data()))
                    note->reporter();
        });
    // It stays until the user has one of its notes before them, by whatever way; those whose
    // windows are all gone are no longer watched.
    m_fallenDue.removeIf([](const FallenDue &f) {
        return std::all_of(f.windows.cbegin(), f.windows.cend(),
                           [](const QPointer<QObject> &w) { return w.isNull(); });
    });
    m_fallenDue.append({notice, windows});
}

void AlertNotices::noteSeen(QObject *window)
{
    m_fallenDue.removeIf([this, window](const FallenDue &f) {
        if (!f.windows.contains(window))
            return false;
        m_notifier->withdraw(f.notice);
        return true;
    });
}

QStringList AlertNotices::tellMissed(const QDate &today)
{
    const QStringList days = pastDays(today);
    QStringList lines;
    const NoteTable &t = m_session.table;
    for (int r = 1; r < t.Rows(); ++r)
        if (isMissed(t.TextMatrix(r, Col::Alert), t.TextMatrix(r, Col::Alerted), days))
            lines << noticeLine(t.TextMatrix(r, Col::Alert), t.TextMatrix(r, Col::Text));
    if (!lines.isEmpty())
        QTimer::singleShot(0, this, [this, lines] {
            // It stays until the user brings the list forward, by whatever way.
            m_missedNotice =
                m_notifier->notify(QStringLiteral("Alertes manquées"), lines, [this] { emit listWanted(); });
        });
    return days;
}

void AlertNotices::listSeen()
{
    if (m_missedNotice >= 0)
        m_notifier->withdraw(std::exchange(m_missedNotice, -1));
}

} // namespace alert
