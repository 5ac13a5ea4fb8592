#pragma once

// The entry point of the printing module, declared once for the module that defines it and the
// program that loads it: a change to one side that the other does not follow does not compile.
#include <QtGlobal>

class QString;
class QWidget;

enum PrintOutcome : int {
    PrintDone = 0,
    PrintNotDone = 1,   // Cancel, or any failure
    PrintNoPrinter = 2, // the system knows of no printer: no dialog was shown
};

// Lets the user choose a printer, then prints the plain text there as one job. `answer`: -1 to
// ask the user; otherwise the dialog's answer given in advance, and an accepted answer with a
// pdfFile sends the job to that file instead of a printer. `printers`: -1 to ask the system
// whether one is installed; 0 or 1 a test's answer.
extern "C" Q_DECL_EXPORT int rappelix_print_text(QWidget *parent, const QString &text, int answer,
                                                 const QString &pdfFile, int printers);

using PrintTextFunction = decltype(&rappelix_print_text);
