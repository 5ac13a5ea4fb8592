#pragma once

#include "tray/trayrule.h"

#include <QObject>

#include <optional>

class QAction;
class QMenu;
class QWidget;

// The main window as the tray sees it: hidden to the icon and brought back, minimised by the user,
// waiting on the taskbar for a notification area that comes late at login, and the icon's menu.
class TrayWindow : public QObject {
    Q_OBJECT
public:
    explicit TrayWindow(QWidget *window) : m_window(window) {}

    // The icon's menu, its entries named as on the form.
    struct Menu {
        QMenu *popup = nullptr;
        QAction *nouvelle = nullptr;
        QAction *restore = nullptr;
        QAction *exit = nullptr;
    };
    static Menu buildMenu(QWidget *parent);
    void showMenu(QMenu *menu);

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

private:
    void toTray();
    void watchWindowSystem();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QWidget *m_window;
    std::optional<bool> m_available;
    TrayRule m_rule;
};
