#include "notifier.h"

#include "tray/trayicon.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kTimeoutMs = 2000; // a service that does not answer by then is taken as none

QDBusMessage call(const QString &method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}
} // namespace

Notifier::Notifier(TrayIcon *tray, QObject *parent) : QObject(parent), m_tray(tray)
{
    connect(m_tray, &TrayIcon::messageClicked, this, [this] {
        if (m_trayMessage)
            m_trayMessage();
    });
}

int Notifier::notify(const QString &summary, const QStringList &lines, std::function<void()> onActivated,
                     std::function<void()> onPostponed)
{
    const int handle = ++m_lastHandle;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fallBack(summary, lines, std::move(onActivated));
        return handle;
    }
    m_pending.insert(handle, false);
    if (m_connected) {
        send(summary, lines, {handle, std::move(onActivated), std::move(onPostponed)});
        return handle;
    }
    // First the service's capabilities: whether it is there, and whether it reads markup. Never
    // a blocking call: the alerts go on while it answers, or not.
    if (!m_subscribed)
        m_subscribed = bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                                   SLOT(actionInvoked(uint, QString))) &&
                       bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                                   SLOT(closed(uint, uint)));
    auto *watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(call(QStringLiteral("GetCapabilities")), kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, lines, shown = Shown{handle, std::move(onActivated), std::move(onPostponed)}](
                QDBusPendingCallWatcher *w) mutable {
                w->deleteLater();
                QDBusPendingReply<QStringList> reply = *w;
                if (reply.isError()) {
                    m_pending.remove(shown.handle);
                    fallBack(summary, lines, std::move(shown.onActivated));
                    return;
                }
                m_connected = true;
                m_markup = reply.value().contains(QStringLiteral("body-markup"));
                m_actions = reply.value().contains(QStringLiteral("actions"));
                send(summary, lines, std::move(shown));
            });
    return handle;
}

void Notifier::send(const QString &summary, const QStringList &lines, Shown shown)
{
    QString body = lines.join(u'\n');
    if (m_markup)
        body = body.toHtmlEscaped();
    QStringList actions{QStringLiteral("default"), QStringLiteral("Afficher")};
    QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("rappelix")},
                      {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))},
                      {QStringLiteral("resident"), true}}; // kept after its action, till withdrawn
    if (shown.onPostponed) {
        // The sound theme's reminder sound, played by the desktop where it plays any.
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("alarm-clock-elapsed"));
        if (m_actions)
            actions << QStringLiteral("reporter") << QStringLiteral("Reporter");
    }
    QDBusMessage message = call(QStringLiteral("Notify"));
    message << QStringLiteral("Rappelix") << uint(0) << QStringLiteral("rappelix") << summary << body
            << actions << hints << int(0); // never expires: the user may be away
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, lines, shown = std::move(shown)](QDBusPendingCallWatcher *w) mutable {
                w->deleteLater();
                QDBusPendingReply<uint> reply = *w;
                const int handle = shown.handle;
                const bool withdrawn = m_pending.take(handle);
                if (reply.isError()) {
                    m_connected = false; // the service went: ask again next time
                    fallBack(summary, lines, std::move(shown.onActivated));
                    return;
                }
                m_shown.insert(reply.value(), std::move(shown));
                if (withdrawn)
                    withdraw(handle);
            });
}

void Notifier::withdraw(int handle)
{
    for (auto it = m_shown.cbegin(); it != m_shown.cend(); ++it)
        if (it->handle == handle) {
            QDBusMessage message = call(QStringLiteral("CloseNotification"));
            message << it.key();
            QDBusConnection::sessionBus().asyncCall(message, kTimeoutMs);
            m_shown.erase(it);
            return;
        }
    if (m_pending.contains(handle))
        m_pending[handle] = true; // closed as soon as it is shown
}

void Notifier::fallBack(const QString &summary, const QStringList &lines, std::function<void()> onActivated)
{
    m_trayMessage = std::move(onActivated);
    m_tray->showMessage(summary, lines.join(u'\n'));
}

void Notifier::actionInvoked(uint id, const QString &key)
{
    // The signal goes to every client of the service: only ours count.
    if (!m_shown.contains(id))
        return;
    const Shown shown = m_shown.value(id);
    if (key == QLatin1String("default"))
        shown.onActivated();
    else if (key == QLatin1String("reporter") && shown.onPostponed)
        shown.onPostponed();
    else
        return;
    withdraw(shown.handle);
}

void Notifier::closed(uint id, uint)
{
    m_shown.remove(id);
}
