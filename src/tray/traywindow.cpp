#include "traywindow.h"

#include "tray/appicon.h"
#include "tray/trayicon.h"
#include "ui/frames.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

TrayWindow::TrayWindow(QWidget *window)
    : m_window(window), m_menu(new QMenu(QStringLiteral("&SysTRay"), window)) // never in the menu bar
{
    m_menu->setObjectName(QStringLiteral("mPopupSys"));
    auto action = [this](const char *name, const QString &caption, void (TrayWindow::*told)()) {
        QAction *a = m_menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, told);
    };
    action("mPopNew", QStringLiteral("&Nouvelle"), &TrayWindow::newRequested);
    action("mPopRestore", QStringLiteral("&Restaurer"), &TrayWindow::restoreRequested);
    action("mPopExit", QStringLiteral(" &Quitter"), &TrayWindow::quitRequested);
}

TrayIcon *TrayWindow::makeIcon()
{
    m_icon = new TrayIcon(m_menu, this);
    connect(m_icon, &TrayIcon::restoreRequested, this, &TrayWindow::restoreRequested);
    connect(m_icon, &TrayIcon::menuRequested, this, &TrayWindow::showMenu);
    return m_icon;
}

void TrayWindow::showIcons()
{
    if (m_iconsShown || !m_icon)
        return;
    m_iconsShown = true;
    const QIcon icon = applicationIcon();
    QApplication::setWindowIcon(icon);
    m_icon->show(icon);
}

void TrayWindow::showIconsOnceShown()
{
    connect(this, &TrayWindow::exposed, this, &TrayWindow::showIcons,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    QTimer::singleShot(1000, this, &TrayWindow::showIcons);
}

void TrayWindow::hideIcon()
{
    if (m_icon)
        m_icon->hide();
}

void TrayWindow::showMenu()
{
    QMenu *menu = m_menu;
    // Activating a hidden window would map it on some desktops: only a shown one comes forward.
    if (m_window->isVisible()) {
        m_window->raise();
        m_window->activateWindow();
    }
    // Qt closes every pop-up when the program stops being the active one. A window just taken off
    // the screen keeps the focus until the window system tells that it lost it, a moment later:
    // the menu opens once that is told, or it would close again at once.
    const QWindow *focus = QGuiApplication::focusWindow();
    if (!focus || focus->isVisible()) {
        menu->popup(QCursor::pos());
        return;
    }
    auto *told = new QObject(menu);
    auto open = [menu, told] {
        if (!told->parent()) // told already
            return;
        told->setParent(nullptr);
        told->deleteLater();
        menu->popup(QCursor::pos());
    };
    connect(qApp, &QGuiApplication::focusWindowChanged, told, open);
    QTimer::singleShot(1000, told, open); // a focus that never tells it left
}

bool TrayWindow::available() const
{
    return m_available.value_or(TrayIcon::available());
}

void TrayWindow::restore()
{
    QWindow *handle = m_window->windowHandle();
    const bool onScreen = m_window->isVisible() && !m_window->isMinimized() && handle && handle->isExposed();
    m_rule.showing();
    m_window->setWindowState(m_window->windowState() &
                             ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    // The whole screen, not the work area; the frame counts, as the window's outer size.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        showFrameCentred(m_window, screen->geometry());
    else
        m_window->show();
    watchWindowSystem();
    m_window->raise();
    m_window->activateWindow();
    if (onScreen) // already there: no new exposure comes to confirm it
        m_rule.exposed();
}

// "Réduire" and the close box take the window off the screen at once, with no minimise on the
// way: a minimise that the window manager carries out later would be taken for the user's own.
void TrayWindow::hideToTray()
{
    if (!available()) { // with nowhere to come back from, it goes to the taskbar
        m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
        return;
    }
    m_rule.hiding();
    toTray();
}

// Withdrawn, the window loses its frame: the one it has is kept for its return.
void TrayWindow::toTray()
{
    keepFrame(m_window);
    m_window->hide();
}

// With no notification area to come back from, the window waits minimised on the taskbar; at
// login the panel may come up after the program, and then the window goes to its tray icon.
void TrayWindow::waitForTray()
{
    m_rule.waitingForTray();
    m_window->showMinimized();
    watchWindowSystem();
    auto *poll = new QTimer(this);
    poll->start(500);
    connect(poll, &QTimer::timeout, this, [this, poll, tries = 0]() mutable {
        if (!available() && ++tries < 60)
            return;
        if (available() && m_rule.trayCame(m_window->isMinimized()) == TrayRule::Step::Hide)
            toTray();
        poll->deleteLater();
    });
}

// A minimise that the window system reports, and that the user made, sends the window to the
// tray; one that comes before the window is back on screen answers an older request, and the
// window is asked for again.
void TrayWindow::stateChanged()
{
    if (!m_window->isMinimized())
        return;
    switch (m_rule.minimised(available())) {
    case TrayRule::Step::Hide:
        toTray();
        break;
    case TrayRule::Step::ShowAgain:
        QTimer::singleShot(0, this, [this] {
            if (m_rule.showingPending())
                restore();
        });
        break;
    case TrayRule::Step::None:
        break;
    }
}

// Whether the window system has put the window on screen is seen from its native window, which
// exists once the window is shown; a second call changes nothing.
void TrayWindow::watchWindowSystem()
{
    m_window->windowHandle()->installEventFilter(this);
}

// The window is on screen once the window system exposes it.
bool TrayWindow::eventFilter(QObject *watched, QEvent *event)
{
    QWindow *handle = m_window->windowHandle();
    if (watched == handle && event->type() == QEvent::Expose && handle->isExposed()) {
        if (m_rule.exposed())
            handle->setWindowStates(Qt::WindowMinimized); // waiting for the tray: on the taskbar
        emit exposed();
    }
    return QObject::eventFilter(watched, event);
}
