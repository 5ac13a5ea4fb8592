#include "printdialog.h"

#include <QAbstractTextDocumentLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <optional>

namespace {

struct Answer {
    QDialog::DialogCode code;
    QString pdfFile;
};
std::optional<Answer> nextAnswer;

bool choosePrinter(QPrinter &printer, QWidget *parent)
{
    if (nextAnswer) {
        const Answer answer = *nextAnswer;
        nextAnswer.reset();
        if (answer.code == QDialog::Accepted && !answer.pdfFile.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(answer.pdfFile);
        }
        return answer.code == QDialog::Accepted;
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

namespace PrintDialog {

void setNextAnswer(QDialog::DialogCode answer, const QString &pdfFile)
{
    nextAnswer = Answer{answer, pdfFile};
}

bool printText(QWidget *parent, const QString &text)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Rappelix")); // the job's name in the print queue
    if (!choosePrinter(printer, parent) || !printer.isValid())
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

} // namespace PrintDialog
