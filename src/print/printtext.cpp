#include "printtext.h"

#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kSeparatorLength = 106;
constexpr int kLastRow = 32767; // row numbers are 16-bit: later rows are never reached

// Only spaces count as blanks: a note of line breaks alone still prints.
bool isBlank(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == u' '; });
}

} // namespace

QString composer_impression(const NoteTable &table, const QDate &today)
{
    QString text = QStringLiteral("[RAPIX]\t\t\tNotes au ") + today.toString(QStringLiteral("dd/MM/yyyy")) +
                   kCrLf + kCrLf + kCrLf;
    bool first = true;
    const int last = std::min(table.Rows() - 1, kLastRow);
    for (int i = 1; i <= last; ++i) {
        const QString &note = table.TextMatrix(i, Col::Text);
        if (isBlank(note))
            continue;
        if (!first)
            text += QString(kSeparatorLength, u'-') + kCrLf;
        text += note + kCrLf;
        const QString &alert = table.TextMatrix(i, Col::Alert);
        if (!isBlank(alert))
            text += QStringLiteral("Alerte le ") + alert + kCrLf;
        first = false;
    }
    return text;
}
