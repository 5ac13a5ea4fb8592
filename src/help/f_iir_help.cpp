// Help and about.
#include "app/f_iir.h"

#include "help/f_help.h"

void f_iir::m_aide_Click()
{
    if (!m_help)
        m_help = new f_help;
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void f_iir::m_apropos_Click()
{
}
