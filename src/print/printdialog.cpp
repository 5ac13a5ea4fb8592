#include "printdialog.h"

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
    QTextDocument holder;
    holder.setPlainText(text);
    holder.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

} // namespace PrintDialog
