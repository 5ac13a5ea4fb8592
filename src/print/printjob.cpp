// The print dialog and the job it starts, in a module of their own: Qt's printing weighs on
// every start of the program, and the list is printed rarely. The program loads this module on
// the first "Imprimer" (see printing.cpp).
#include "print/printmodule.h"

#include <QAbstractTextDocumentLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

namespace {

bool choosePrinter(QPrinter &printer, QWidget *parent, int answer, const QString &pdfFile)
{
    if (answer >= 0) {
        if (answer == QDialog::Accepted && !pdfFile.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfFile);
        }
        return answer == QDialog::Accepted;
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    // The whole list is printed every time, so no page range or current page either.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool rappelix_print_text(QWidget *parent, const QString &text, int answer, const QString &pdfFile)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Rappelix")); // the job's name in the print queue
    if (!choosePrinter(printer, parent, answer, pdfFile) || !printer.isValid())
        return false;
    printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    // Laid out on the printer's own pages, the text prints as it is: a document that
    // print() has to paginate itself gets page numbers added.
    QTextDocument holder;
    holder.documentLayout()->setPaintDevice(&printer);
    holder.setPageSize(QSizeF(printer.width(), printer.height()));
    holder.setPlainText(text);
    holder.print(&printer);
    return printer.printerState() != QPrinter::Error;
}
