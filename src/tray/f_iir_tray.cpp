// The tray icon, hiding to it and coming back from it, and the start-in-tray preference.
#include "app/f_iir.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

QString f_iir::prefPath() const
{
    return m_session.file.folder() + QStringLiteral("pref1.txt");
}

bool f_iir::trayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool f_iir::startInTray() const
{
    return QFile::exists(prefPath());
}

void f_iir::addTrayIcon()
{
    trayIcon = new QSystemTrayIcon(windowIcon(), this);
    trayIcon->setToolTip(QStringLiteral("Rappelix"));
    connect(trayIcon, &QSystemTrayIcon::activated, this, &f_iir::trayActivated);
    trayIcon->show();
}

void f_iir::removeTrayIcon()
{
    if (trayIcon)
        trayIcon->hide();
}

void f_iir::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
        restaurer_fenetre();
        break;
    case QSystemTrayIcon::Context:
        activateWindow();
        mPopupSys->popup(QCursor::pos());
        break;
    default:
        break;
    }
}

void f_iir::restaurer_fenetre()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    show();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        const QRect f = frameGeometry();
        move(s.left() + (s.width() - f.width()) / 2, s.top() + (s.height() - f.height()) / 2);
    }
}

void f_iir::m_tache_Click()
{
    setWindowState(windowState() | Qt::WindowMinimized);
    if (!isVisible() || trayAvailable())
        hide();
}

void f_iir::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)
        && trayAvailable())
        hide();
}

void f_iir::m_tb_Click()
{
    const QString path = prefPath();
    if (m_tb->isChecked()) {
        // The action toggled itself; put the mark back until the file says otherwise.
        m_tb->setChecked(false);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("\"1\"\r\n") == 5) {
            file.close();
            m_tb->setChecked(true);
        }
    } else {
        m_tb->setChecked(true);
        if (!QFile::exists(path) || QFile::remove(path))
            m_tb->setChecked(false);
    }
}
