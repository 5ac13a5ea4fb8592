#pragma once

#include <QDialog>
#include <QString>

class NoteTable;
class QDate;
class QWidget;

// The print command: the Print text of the list, then the print dialog and the job, from the
// printing module, loaded on first use (Qt's printing weighs on every start, and the list is
// printed rarely). A test can answer the next dialog in advance.
class Printing {
public:
    // The next dialog returns this answer at once instead of waiting for the user; an accepted
    // answer sends the job to the PDF file pdfFile instead of a printer.
    static void setNextAnswer(QDialog::DialogCode answer, const QString &pdfFile = QString());
    // The next command takes a printer as installed, or none, without asking the system.
    static void setNextPrinters(bool installed);

    // Cancel or a failure ends the command silently: false. With no printer installed the user
    // is told so, once, instead of a dialog that cannot print.
    bool print(QWidget *parent, const NoteTable &table, const QDate &today);
};
