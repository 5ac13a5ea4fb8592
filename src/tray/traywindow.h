#pragma once

#include "tray/trayrule.h"

#include <QObject>

#include <optional>

class QMenu;
class QWidget;
class TrayIcon;

// The main window as the tray sees it: hidden to the icon and brought back, minimised by the user,
// waiting on the taskbar for a notification area that comes late at login; the icon itself and
// its menu (mPopupSys: Nouvelle, Restaurer, Quitter), whose entries it tells as signals.
class TrayWindow : public QObject {
    Q_OBJECT
public:
    explicit TrayWindow(QWidget *window);

    // The notification-area icon, made here and not shown yet.
    TrayIcon *makeIcon();
    // The window's icon, for every window, and the notification area's: at once, or once the
    // window is on the screen and painted (a second at most), as setting them on the windows and
    // the exchanges with the notification area take milliseconds.
    void showIcons();
    void showIconsOnceShown();
    void hideIcon();

    // Tests decide whether a notification area is there; otherwise the desktop tells.
    void setAvailable(bool available) { m_available = available; }
    bool available() const;

    void restore();
    void hideToTray();
    void waitForTray();
    // The window system has reported the window's state changed.
    void stateChanged();

signals:
    void exposed(); // the window system has put the window on the screen
    // The icon's menu: Nouvelle, Restaurer, Quitter; a click on the icon restores too.
    void newRequested();
    void restoreRequested();
    void quitRequested();

private:
    void showMenu();
    void toTray();
    void watchWindowSystem();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QWidget *m_window;
    QMenu *m_menu;
    TrayIcon *m_icon = nullptr;
    bool m_iconsShown = false;
    std::optional<bool> m_available;
    TrayRule m_rule;
};
