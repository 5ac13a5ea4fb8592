#include "help.h"

#include "help/f_help.h"
#include "ui/msgbox.h"

Help::~Help()
{
    // The program ends without running the handlers of the windows still open.
    delete m_window.data();
}

void Help::showHelp()
{
    // A help window that was closed may still await its deletion: it is gone for the user,
    // and showing it again would bring back what they typed.
    if (m_window && !m_window->isVisible())
        delete m_window.data();
    if (!m_window)
        m_window = new f_help;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void Help::showAbout(QWidget *parent)
{
    MsgBox::information(parent, QStringLiteral("A propos"), QStringLiteral("Rappelix v1.2"));
}
