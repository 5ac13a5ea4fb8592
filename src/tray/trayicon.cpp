#include "trayicon.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

TrayIcon::TrayIcon(QMenu *menu, QObject *parent) : QObject(parent), m_menu(menu)
{
    // Qt's icon on an X11 desktop is a widget of a class of its own that acts when a button goes
    // down; the presses are kept from it and the releases acted upon here.
    qApp->installEventFilter(this);
}

void TrayIcon::show(const QIcon &icon)
{
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        m_icon->setToolTip(QStringLiteral("Rappelix"));
        m_icon->setContextMenu(m_menu);
        connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
        connect(m_icon, &QSystemTrayIcon::messageClicked, this, &TrayIcon::messageClicked);
    }
    m_icon->setIcon(icon);
    m_icon->show();
    if (m_pending)
        m_icon->showMessage(m_pending->first, m_pending->second, icon);
    m_pending.reset();
}

void TrayIcon::hide()
{
    if (m_icon)
        m_icon->hide();
}

void TrayIcon::showMessage(const QString &title, const QString &text)
{
    if (m_icon && m_icon->isVisible())
        m_icon->showMessage(title, text, m_icon->icon());
    else // told as soon as the icon is there
        m_pending = {title, text};
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
        emit restoreRequested();
        break;
    case QSystemTrayIcon::Context:
        // Opened from within the release, a menu is closed again at once when that release ends
        // a double click (two right clicks in a row): it opens once the release is over.
        QTimer::singleShot(0, this, &TrayIcon::menuRequested);
        break;
    default:
        break;
    }
}

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
         type != QEvent::MouseButtonDblClick && type != QEvent::Wheel && type != QEvent::ContextMenu) ||
        !watched->inherits("QSystemTrayIconSys"))
        return false;
    if (type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick) {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        if (button == Qt::LeftButton)
            activated(type == QEvent::MouseButtonDblClick ? QSystemTrayIcon::DoubleClick
                                                          : QSystemTrayIcon::Trigger);
        else if (button == Qt::RightButton && type == QEvent::MouseButtonRelease)
            activated(QSystemTrayIcon::Context);
    }
    return true;
}
