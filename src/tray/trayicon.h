#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <optional>

class QMenu;

// The notification-area icon, from start-up to the end of the run, with the tip "Rappelix" and
// the application's icon. A left release or a double-click asks for the main window, a right
// release for the menu; nothing else on the icon does anything. Desktops that show the icon's
// menu themselves (StatusNotifierItem hosts) are given the menu.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QMenu *menu, QObject *parent = nullptr);

    void show(const QIcon &icon);
    void hide();
    static bool available() { return QSystemTrayIcon::isSystemTrayAvailable(); }
    // A short message from the icon, for desktops without a notification service.
    void showMessage(const QString &title, const QString &text);

signals:
    void restoreRequested();
    void menuRequested();
    void messageClicked();

private:
    void activated(QSystemTrayIcon::ActivationReason reason);
    bool eventFilter(QObject *watched, QEvent *event) override;

    QMenu *m_menu;
    // Made when first shown: making it asks the desktop, over D-Bus where there is a session bus,
    // which kind of notification area it has.
    QSystemTrayIcon *m_icon = nullptr;
    std::optional<std::pair<QString, QString>> m_pending; // a message for an icon not shown yet
};
