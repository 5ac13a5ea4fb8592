#pragma once

#include <QDialog>
#include <QString>

// The print dialog and the job it starts; a test can answer the next dialog in advance.
namespace PrintDialog {

// The next dialog returns this answer at once instead of waiting for the user; an accepted
// answer sends the job to the PDF file pdfFile instead of a printer.
void setNextAnswer(QDialog::DialogCode answer, const QString &pdfFile = QString());

// Lets the user choose a printer (no selection range, no printing to a file), then prints
// the plain text there as one job in the default font. False on Cancel or on any failure.
bool printText(QWidget *parent, const QString &text);

} // namespace PrintDialog
