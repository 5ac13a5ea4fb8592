// Help and about.
#include "app/f_iir.h"

#include "app/msgbox.h"
#include "help/f_help.h"

void f_iir::m_aide_Click()
{
    // A help window that was closed may still await its deletion: it is gone for the user,
    // and showing it again would bring back what they typed.
    if (m_help && !m_help->isVisible())
        delete m_help.data();
    if (!m_help)
        m_help = new f_help;
    m_help->setWindowState(m_help->windowState() & ~Qt::WindowMinimized);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void f_iir::m_apropos_Click()
{
    MsgBox::information(this, QStringLiteral("A propos"), QStringLiteral("Rappelix v1.2"));
}
