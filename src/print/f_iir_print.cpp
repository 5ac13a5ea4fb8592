// Printing the list of notes.
#include "app/f_iir.h"

void f_iir::m_imprimer_Click()
{
}
