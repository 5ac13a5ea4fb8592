// The print dialog and the job it starts, in a module of their own: Qt's printing weighs on
// every start of the program, and the list is printed rarely. The program loads this module on
// the first "Imprimer" (see printing.cpp).
#include "print/printmodule.h"

#include <QAbstractTextDocumentLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
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

int rappelix_print_text(QWidget *parent, const QString &text, int answer, const QString &pdfFile,
                        int printers)
{
    // Without a printer the dialog offers an empty list and a button that prints nothing. A PDF a
    // test asks for needs none.
    if (pdfFile.isEmpty() && (printers < 0 ? QPrinterInfo::availablePrinterNames().isEmpty() : printers == 0))
        return PrintNoPrinter;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Rappelix")); // the job's name in the print queue
    if (!choosePrinter(printer, parent, answer, pdfFile) || !printer.isValid())
        return PrintNotDone;
    printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    // Laid out on the printer's own pages, the text prints as it is: a document that
    // print() has to paginate itself gets page numbers added.
    QTextDocument holder;
    holder.documentLayout()->setPaintDevice(&printer);
    holder.setPageSize(QSizeF(printer.width(), printer.height()));
    holder.setPlainText(text);
    holder.print(&printer);
    return printer.printerState() != QPrinter::Error ? PrintDone : PrintNotDone;
}
