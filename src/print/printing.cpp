#include "printing.h"

#include "print/printmodule.h"
#include "print/printtext.h"
#include "ui/msgbox.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibrary>
#include <optional>
#include <utility>

namespace {

struct Answer {
    QDialog::DialogCode code;
    QString pdfFile;
};
std::optional<Answer> nextAnswer;
std::optional<bool> nextPrinters;

// The printing module: where it is installed beside the program, or in the program's own folder
// in a build tree. Loaded once, on first use, and kept to the end of the run.
PrintTextFunction printFunction()
{
    static PrintTextFunction function = nullptr;
    if (function)
        return function;
    const QString dir = QCoreApplication::applicationDirPath();
    QStringList tried;
    for (const QString &folder : {dir + QStringLiteral("/" RAPPELIX_PRINT_MODULE_DIR), dir}) {
        QLibrary module(folder + QStringLiteral("/rappelix_print"));
        function = reinterpret_cast<PrintTextFunction>(module.resolve("rappelix_print_text"));
        if (function)
            return function;
        tried << module.errorString();
    }
    qWarning().noquote() << "Rappelix: printing is not available:" << tried.join(QStringLiteral("; "));
    return nullptr;
}

} // namespace

void Printing::setNextAnswer(QDialog::DialogCode answer, const QString &pdfFile)
{
    nextAnswer = Answer{answer, pdfFile};
}

void Printing::setNextPrinters(bool installed)
{
    nextPrinters = installed;
}

bool Printing::print(QWidget *parent, const NoteTable &table, const QDate &today)
{
    // The text is complete before the dialog opens: alerts raised meanwhile do not change it.
    const QString text = composer_impression(table, today);
    const std::optional<Answer> answer = std::exchange(nextAnswer, std::nullopt);
    const std::optional<bool> printers = std::exchange(nextPrinters, std::nullopt);
    const PrintTextFunction job = printFunction();
    if (!job)
        return false;
    const int outcome = job(parent, text, answer ? answer->code : -1, answer ? answer->pdfFile : QString(),
                            printers ? int(*printers) : -1);
    if (outcome == PrintNoPrinter)
        MsgBox::information(parent, QStringLiteral("Rappelix"),
                            QStringLiteral("Aucune imprimante n'est installée."));
    return outcome == PrintDone;
}
