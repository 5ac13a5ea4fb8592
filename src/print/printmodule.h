#pragma once

// The entry point of the printing module, declared once for the module that defines it and the
// program that loads it: a change to one side that the other does not follow does not compile.
#include <QtGlobal>

class QString;
class QWidget;

// Lets the user choose a printer, then prints the plain text there as one job. `answer`: -1 to
// ask the user; otherwise the dialog's answer given in advance, and an accepted answer with a
// pdfFile sends the job to that file instead of a printer. False on Cancel or any failure.
extern "C" Q_DECL_EXPORT bool rappelix_print_text(QWidget *parent, const QString &text, int answer,
                                                  const QString &pdfFile);

using PrintTextFunction = decltype(&rappelix_print_text);
