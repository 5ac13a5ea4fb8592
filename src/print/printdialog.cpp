#include "printdialog.h"

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

using PrintFunction = bool (*)(QWidget *, const QString &, int, const QString &);

// The printing module: where it is installed beside the program, or in the program's own folder
// in a build tree. Loaded once, on first use, and kept to the end of the run.
PrintFunction printFunction()
{
    static PrintFunction function = nullptr;
    if (function)
        return function;
    const QString dir = QCoreApplication::applicationDirPath();
    QStringList tried;
    for (const QString &folder : {dir + QStringLiteral("/" RAPPELIX_PRINT_MODULE_DIR), dir}) {
        QLibrary module(folder + QStringLiteral("/rappelix_print"));
        function = reinterpret_cast<PrintFunction>(module.resolve("rappelix_print_text"));
        if (function)
            return function;
        tried << module.errorString();
    }
    qWarning().noquote() << "Rappelix: printing is not available:" << tried.join(QStringLiteral("; "));
    return nullptr;
}

} // namespace

namespace PrintDialog {

void setNextAnswer(QDialog::DialogCode answer, const QString &pdfFile)
{
    nextAnswer = Answer{answer, pdfFile};
}

bool printText(QWidget *parent, const QString &text)
{
    const std::optional<Answer> answer = std::exchange(nextAnswer, std::nullopt);
    const PrintFunction print = printFunction();
    if (!print)
        return false;
    return print(parent, text, answer ? answer->code : -1, answer ? answer->pdfFile : QString());
}

} // namespace PrintDialog
