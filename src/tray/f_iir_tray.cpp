// The tray icon, hiding to it and coming back from it, and the start-in-tray preference.
#include "app/f_iir.h"
#include "app/frames.h"
#include "store/savefile.h"

#include <QCursor>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>

namespace {

// The record "1" as the notes file would hold it; its presence alone is the preference.
const QByteArray kPrefRecord = QByteArrayLiteral("\"1\"\r\n");

// All or nothing: a half-written file would still turn the preference on.
bool writePref(const QString &path)
{
    return bool(saveWhole(path, kPrefRecord));
}

bool removePref(const QString &path)
{
    return !QFileInfo::exists(path) || QFile::remove(path);
}

// Qt's notification-area icon on an X11 desktop acts when a button goes down; this program's acts
// when it comes up: a left release or a double-click restores, a right release opens the menu,
// and nothing else on the icon does anything. Qt's icon is a widget of a class of its own.
class ReleaseClicks : public QObject {
public:
    explicit ReleaseClicks(f_iir *main) : QObject(main), m_main(main) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
             type != QEvent::MouseButtonDblClick && type != QEvent::Wheel && type != QEvent::ContextMenu) ||
            !watched->inherits("QSystemTrayIconSys"))
            return false;
        if (type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick) {
            const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
            if (button == Qt::LeftButton)
                m_main->trayActivated(type == QEvent::MouseButtonDblClick ? QSystemTrayIcon::DoubleClick
                                                                          : QSystemTrayIcon::Trigger);
            else if (button == Qt::RightButton && type == QEvent::MouseButtonRelease)
                m_main->trayActivated(QSystemTrayIcon::Context);
        }
        return true;
    }

private:
    f_iir *m_main;
};

} // namespace

QString f_iir::prefPath() const
{
    return m_session.file.folder() + QStringLiteral("pref1.txt");
}

bool f_iir::trayAvailable() const
{
    return m_trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

bool f_iir::startInTray() const
{
    return QFileInfo::exists(prefPath());
}

void f_iir::addTrayIcon()
{
    trayIcon = new QSystemTrayIcon(windowIcon(), this);
    trayIcon->setToolTip(QStringLiteral("Rappelix"));
    // Desktops that show the icon's menu themselves (StatusNotifierItem) read it from here.
    trayIcon->setContextMenu(mPopupSys);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &f_iir::trayActivated);
    qApp->installEventFilter(new ReleaseClicks(this));
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
        // Activating a hidden window would map it on some desktops: only a shown one comes forward.
        if (isVisible()) {
            raise();
            activateWindow();
        }
        mPopupSys->popup(QCursor::pos());
        break;
    default:
        break;
    }
}

void f_iir::restaurer_fenetre()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    // The whole screen, not the work area; the frame counts, as the window's outer size.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        showFrameCentred(this, screen->geometry());
    else
        show();
    raise();
    activateWindow();
}

void f_iir::m_tache_Click()
{
    setWindowState(windowState() | Qt::WindowMinimized);
}

// Minimised by any means, the window leaves the screen and the taskbar for the tray; with no
// notification area to come back from, it stays on the taskbar like any other window.
void f_iir::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && trayAvailable())
        hide();
}

void f_iir::m_tb_Click()
{
    // The entry is checkable: Qt has already moved the mark to the state asked for. It stays
    // there only if the file could follow.
    const bool wanted = m_tb->isChecked();
    const bool done = wanted ? writePref(prefPath()) : removePref(prefPath());
    m_tb->setChecked(done ? wanted : !wanted);
}
