#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The notes files of the fuzzer's seed corpus (fuzz/corpus/<name>.txt) and what loading each
// must give: every complete record, as five cells (the window-slot column empty), and whether
// the next write reproduces the file byte for byte.
struct CorpusCase {
    const char *name;
    QList<QStringList> rows;
    bool exact;
};

inline QList<CorpusCase> corpusCases()
{
    const QStringList ab = {"a", "b", "c", "", "d"};
    const QStringList ab1 = {"a", "b", "c", "", "1"};
    // Bytes 0x80..0x9F that Windows-1252 leaves undefined come back as the same C1 controls.
    const QString c1 = QString(QChar(0x81)) + QChar(0x8D);
    const QString c2 = QString(QChar(0x8F)) + QChar(0x90);
    return {
        // Regular files.
        {"worked-example",
         {{QStringLiteral("Le 01/12 à 16:26"), QStringLiteral("Acheter du pain\r\nAppeler le \"garage\""),
           QStringLiteral("lundi 08/12 9h30"), "", ""},
          {QStringLiteral("Le 02/12 à 09:05"), "Rendre les livres", "mardi 02/12 14h00", "", "1"}},
         true},
        {"placeholder-only", {{"", "", "", "", ""}}, true},
        {"regular", {ab}, true},
        {"undefined-1252-bytes", {{c1, c2, QString(QChar(0x9D)), "", ""}}, true},
        {"utf8-text",
         {{QStringLiteral("Le 01/12 Ã\u00a0 16:26"), QStringLiteral("cafÃ©"), "", "", ""}},
         true},
        {"tilde-and-currency", {{"a", "\r\n\r\n\"\"\r\n", "c", "", ""}}, true},
        // Damaged files: what is whole is loaded, the rest is not.
        {"no-final-crlf", {ab}, false},
        {"lf-line-ends", {ab, {"e", "f", "g", "", ""}}, false},
        {"cut-in-a-record", {ab}, false},
        {"cut-after-a-comma", {ab}, false},
        {"unclosed-quote", {ab}, false},
        {"blanks-and-text-after-quotes", {ab}, false},
        {"unquoted-fields", {ab}, false},
        {"quote-inside-unquoted", {{"ax", "b", "c", "", "d"}}, false},
        {"fields-across-lines", {ab}, false},
        {"five-fields-on-a-line", {ab, {"e", "f", "g", "", "h"}}, false},
        {"blank-lines-between", {ab}, false},
        {"raw-line-break-in-text", {{"a", "x\r\ny", "c", "", "d"}}, false},
        {"only-blanks", {}, false},
        {"binary", {}, false},
        {"lone-quote", {}, false},
        {"empty", {}, false},
        {"cut-in-third-field", {ab1}, false},
        {"cut-in-fourth-field", {ab1}, false},
        {"cut-before-fourth-field", {ab1}, false},
        {"cut-between-cr-and-lf", {ab1}, false},
        {"nul-tail-after-crash", {ab1}, false},
        {"nul-only", {}, false},
        {"cr-line-ends", {ab, {"e", "f", "g", "", ""}}, false},
        {"three-fields-then-four", {ab}, false},
        {"unclosed-long-note", {}, false},
        {"doubled-quotes", {{"a", "dit ", "c", "", ""}}, false},
        {"semicolons", {}, false},
        {"garbage-after-records", {ab}, false},
        {"tabs-around-fields", {ab}, false},
        {"empty-unquoted-fields", {{"", "", "", "", ""}}, false},
        {"only-line-breaks", {}, false},
        {"utf8-bom", {{QStringLiteral("ï»¿a"), "b", "c", "", "d"}}, false},
        {"five-fields-at-end", {ab}, false},
        {"quote-after-closing-quote", {{"a", "d", "e", "", "f"}}, false},
        {"lone-lf-in-text", {{"a", "x\r\ny", "c", "", ""}}, false},
    };
}
