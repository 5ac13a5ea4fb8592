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

    void notify(const QString &summary, const QStringList &lines, std::function<void()> onActivated);

private slots:
    void actionInvoked(uint id, const QString &key);
    void closed(uint id, uint reason);

private:
    void send(const QString &summary, const QStringList &lines, std::function<void()> onActivated);
    void fallBack(const QString &summary, const QStringList &lines, std::function<void()> onActivated);

    TrayIcon *m_tray;
    bool m_connected = false;  // the service answered
    bool m_subscribed = false; // to its signals
    bool m_markup = false;     // the service reads the body as markup
    QHash<uint, std::function<void()>> m_shown;
    std::function<void()> m_trayMessage;
};
