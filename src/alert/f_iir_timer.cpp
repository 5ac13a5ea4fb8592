// The alert timer of the main window.
#include "app/f_iir.h"

#include <QTimer>

void f_iir::armTimer1()
{
    Timer1->start(60000);
}

void f_iir::Timer1_Timer()
{
    if (m_session.flags.textChanged)
        m_session.ecrire_notes();
}
