#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>

class TrayIcon;

// Desktop notifications: through the desktop's notification service (org.freedesktop.Notifications
// on the session bus) where one answers, else as a message of the tray icon. Activating a
// notification runs what was given with it. Nothing here runs before the first notification.
class Notifier : public QObject {
    Q_OBJECT
public:
    Notifier(TrayIcon *tray, QObject *parent = nullptr);

    // Shows a notification that stays until the user acts on it or it is withdrawn; gives its
    // handle for withdraw(). Once activated, it is withdrawn too. A reminder (`onPostponed`
    // given) asks for the desktop's reminder sound and, where the service shows actions, offers
    // "Reporter", which runs onPostponed and withdraws it.
    int notify(const QString &summary, const QStringList &lines, std::function<void()> onActivated,
               std::function<void()> onPostponed = {});
    void withdraw(int handle); // the user has seen what it tells; of any handle, at any time

private slots:
    void actionInvoked(uint id, const QString &key);
    void closed(uint id, uint reason);

private:
    struct Shown {
        int handle;
        std::function<void()> onActivated;
        std::function<void()> onPostponed;
    };
    void send(const QString &summary, const QStringList &lines, Shown shown);
    void fallBack(const QString &summary, const QStringList &lines, std::function<void()> onActivated);

    TrayIcon *m_tray;
    bool m_connected = false;  // the service answered
    bool m_subscribed = false; // to its signals
    bool m_markup = false;     // the service reads the body as markup
    bool m_actions = false;    // the service shows actions beside the default one
    int m_lastHandle = 0;
    QHash<uint, Shown> m_shown; // by the service's id
    QHash<int, bool> m_pending; // handles sent, not yet given an id: withdrawn already?
    std::function<void()> m_trayMessage;
};
