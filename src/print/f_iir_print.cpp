// Printing the list of notes.
#include "app/f_iir.h"

#include "print/printdialog.h"
#include "print/printtext.h"

void f_iir::m_imprimer_Click()
{
    // The text is complete before the dialog opens: alerts raised meanwhile do not change it.
    const QString text = composer_impression(m_session.table, m_clock.now().date());
    PrintDialog::printText(this, text); // Cancel or a failure ends the command silently
}
