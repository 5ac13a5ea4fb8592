#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class Notifier;
class QDate;
class Session;
class TrayIcon;

namespace alert {

// Shows the person the notes that fell due and the alerts missed while the program was not
// running: the desktop's attention asked for each red window, and one notification ("Alerte",
// "Alertes", "Alertes manquées") that stays until what it names has been seen.
class AlertNotices : public QObject {
    Q_OBJECT
public:
    AlertNotices(Session &session, TrayIcon *tray, QObject *parent = nullptr);

    // The rows a tick raised, their windows red already: each window asks for attention, and
    // one notification names the notes; activated, it brings their windows forward.
    void tellFallenDue(const QList<int> &rows);
    // Alerts whose day passed while the program was not running never fall due; they are named
    // in one notification, after start-up. Gives the past days, whose alerts the list greys.
    QStringList tellMissed(const QDate &today);

    void noteSeen(QObject *window); // a note window is before the user: its notifications go
    void listSeen();                // the list is brought forward: the missed alerts' goes

signals:
    void listWanted(); // the missed alerts' notification activated

private:
    struct FallenDue {
        int notice;
        QList<QPointer<QObject>> windows;
    };

    Session &m_session;
    Notifier *m_notifier;
    QList<FallenDue> m_fallenDue; // until one of their windows is seen
    int m_missedNotice = -1;      // until the list is brought forward
};

} // namespace alert
