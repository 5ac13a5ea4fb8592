// The Print text of the list, byte for byte, and the print command through its dialog.
#include "app/f_iir.h"
#include "print/printdialog.h"
#include "print/printtext.h"
#include "testutil.h"

#include <QAbstractPrintDialog>
#include <QComboBox>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(QList<QStringList>)
Q_DECLARE_METATYPE(QDialog::DialogCode)

namespace {

const QDate kToday(2026, 12, 7);
const QString kHeader = QStringLiteral("[RAPIX]\t\t\tNotes au 07/12/2026\r\n\r\n\r\n");
const QString kSeparator = QString(106, u'-') + QStringLiteral("\r\n");

QStringList note(const QString &text, const QString &alert = QString())
{
    return {QStringLiteral("Le 01/12 à 16:26"), text, alert, QString(), QString()};
}

NoteTable tableOf(const QList<QStringList> &rows)
{
    NoteTable table;
    table.setUp();
    testutil::fill(table, rows);
    return table;
}

QStringList words(const QString &text)
{
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// The text that poppler reads back from a PDF file, with its layout kept.
QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void composeText_data();
    void composeText();
    void dateFormat_data();
    void dateFormat();
    void rowsBeyondTheLimit();
    void printCommand_data();
    void printCommand();
    void printDialogOffers();

private:
    QTemporaryDir m_noServer;
};

void TestPrint::initTestCase()
{
    testutil::useFrenchLocale();
    // No print server: the dialog lists no printer of this machine.
    qputenv("CUPS_SERVER", QFile::encodeName(m_noServer.filePath(QStringLiteral("cups.sock"))));
}

void TestPrint::composeText_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("expected");

    const QString alert = QStringLiteral("lundi 08/12 9h30");
    QTest::newRow("placeholder row only")
        << QList<QStringList>{{QString(), QString(), QString(), "-1", QString()}} << kHeader;
    QTest::newRow("note without alert")
        << QList<QStringList>{note("Rendre les livres")} << kHeader + "Rendre les livres\r\n";
    QTest::newRow("note with alert") << QList<QStringList>{note("Appeler Paul", alert)}
                                     << kHeader + "Appeler Paul\r\nAlerte le lundi 08/12 9h30\r\n";
    QTest::newRow("alert of blanks is no alert")
        << QList<QStringList>{note("Appeler Paul", "   ")} << kHeader + "Appeler Paul\r\n";
    QTest::newRow("alert as stored") << QList<QStringList>{note("Appeler Paul", " mardi 09/12 14h00 ")}
                                     << kHeader + "Appeler Paul\r\nAlerte le  mardi 09/12 14h00 \r\n";
    QTest::newRow("text as stored, blanks kept")
        << QList<QStringList>{note("  café  ")} << kHeader + "  café  \r\n";
    QTest::newRow("multi-line note") << QList<QStringList>{note("Acheter du pain\r\nAppeler le \"garage\"",
                                                                alert)}
                                     << kHeader + "Acheter du pain\r\nAppeler le \"garage\"\r\n"
                                                  "Alerte le lundi 08/12 9h30\r\n";
    QTest::newRow("blank-only note and its alert skipped")
        << QList<QStringList>{note("    ", alert)} << kHeader;
    QTest::newRow("empty note with alert skipped") << QList<QStringList>{note(QString(), alert)} << kHeader;
    QTest::newRow("two notes, the first alerted")
        << QList<QStringList>{note("Acheter du pain", alert), note("Rendre les livres")}
        << kHeader + "Acheter du pain\r\nAlerte le lundi 08/12 9h30\r\n" + kSeparator +
               "Rendre les livres\r\n";
    QTest::newRow("two notes, the second alerted")
        << QList<QStringList>{note("Acheter du pain"), note("Rendre les livres", alert)}
        << kHeader + "Acheter du pain\r\n" + kSeparator +
               "Rendre les livres\r\nAlerte le lundi 08/12 9h30\r\n";
    QTest::newRow("separator only between printed notes")
        << QList<QStringList>{note(" "),    note("Un"),    note(QString(), alert), note("  "),
                              note("Deux"), note("Trois"), note("   ", alert)}
        << kHeader + "Un\r\n" + kSeparator + "Deux\r\n" + kSeparator + "Trois\r\n";
    // Only spaces are blanks: a line break or a tab alone is text and prints.
    QTest::newRow("line break only") << QList<QStringList>{note("\r\n")} << kHeader + "\r\n\r\n";
    QTest::newRow("tab only") << QList<QStringList>{note("\t"), note("Deux")}
                              << kHeader + "\t\r\n" + kSeparator + "Deux\r\n";
}

void TestPrint::composeText()
{
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, expected);
    const NoteTable table = tableOf(rows);
    const QString text = composer_impression(table, kToday);
    QCOMPARE(text, expected);
    // Every line ends with CR LF, the last one included.
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(text.count(u'\n'), text.count(QStringLiteral("\r\n")));
    QCOMPARE(text.count(u'\r'), text.count(QStringLiteral("\r\n")));
    QCOMPARE(testutil::rowsOf(table), rows); // the table is only read
}

void TestPrint::dateFormat_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("date");
    QTest::newRow("two-digit day and month") << QDate(2026, 12, 7) << "07/12/2026";
    QTest::newRow("first of January") << QDate(2027, 1, 1) << "01/01/2027";
    QTest::newRow("leap day") << QDate(2028, 2, 29) << "29/02/2028";
}

void TestPrint::dateFormat()
{
    QFETCH(QDate, today);
    QFETCH(QString, date);
    const QByteArray header = QByteArray("[RAPIX]\t\t\tNotes au ") + date.toLatin1() + "\r\n\r\n\r\n";
    QCOMPARE(composer_impression(tableOf({}), today).toLatin1(), header);
}

void TestPrint::rowsBeyondTheLimit()
{
    // Row numbers are 16-bit: the last row read is 32767.
    NoteTable table;
    table.setUp();
    table.reserve(32770);
    while (table.Rows() < 32770)
        table.AddItem();
    table.setTextMatrix(32767, Col::Text, QStringLiteral("dernière"));
    table.setTextMatrix(32768, Col::Text, QStringLiteral("au-delà"));
    QCOMPARE(composer_impression(table, kToday), kHeader + QStringLiteral("dernière\r\n"));
}

void TestPrint::printCommand_data()
{
    QTest::addColumn<QDialog::DialogCode>("answer");
    QTest::newRow("accepted") << QDialog::Accepted;
    QTest::newRow("cancelled") << QDialog::Rejected;
}

void TestPrint::printCommand()
{
    QFETCH(QDialog::DialogCode, answer);
    TempDataHome home;
    MockClock clock;
    f_iir w(clock);
    testutil::fill(w.session().table, {note("Acheter du pain\r\nAppeler le garage", "lundi 08/12 9h30"),
                                       note("   ", "mardi 09/12 7h00"), note("Rendre les livres")});
    const QList<QStringList> before = testutil::rowsOf(w.session().table);

    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("liste.pdf"));
    PrintDialog::setNextAnswer(answer, pdf);
    w.m_imprimer_Click();
    QCOMPARE(testutil::rowsOf(w.session().table), before);
    if (answer == QDialog::Rejected) {
        QVERIFY(QDir(out.path()).isEmpty()); // nothing printed
        return;
    }

    QVERIFY(testutil::readFile(pdf).startsWith("%PDF"));
    const QString text = pdfText(pdf);
    QVERIFY2(!text.isEmpty(), "pdftotext could not read the job");
    const QStringList lines = text.split(u'\n');
    QVERIFY(lines.contains(QStringLiteral("Acheter du pain")));
    QVERIFY(lines.contains(QStringLiteral("Appeler le garage")));
    QVERIFY(lines.contains(QStringLiteral("Alerte le lundi 08/12 9h30")));
    QCOMPARE(lines.count(QString(106, u'-')), 1);
    // On paper, word for word, the Print text and nothing else (no page number either).
    const QString expected = composer_impression(w.session().table, clock.now().date());
    QCOMPARE(words(text), words(expected));
}

void TestPrint::printDialogOffers()
{
    // The real dialog: a printer to choose, no selection range, no printing to a file.
    TempDataHome home;
    MockClock clock;
    f_iir w(clock);
    bool seen = false;
    QAbstractPrintDialog::PrintDialogOptions options;
    QStringList printers{QStringLiteral("(no printer list)")};
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        if (!dialog || seen)
            return;
        seen = true;
        options = dialog->options();
        if (const auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("printers"))) {
            printers.clear();
            for (int i = 0; i < combo->count(); ++i)
                printers << combo->itemText(i);
        }
        dialog->reject();
    });
    poll.start(20);
    w.m_imprimer_Click();
    QVERIFY(seen);
    QVERIFY(!options.testFlag(QAbstractPrintDialog::PrintToFile));
    QVERIFY(!options.testFlag(QAbstractPrintDialog::PrintSelection));
    QVERIFY(!options.testFlag(QAbstractPrintDialog::PrintPageRange));
    // No server here, so no printer at all; above all no file "printer".
    QCOMPARE(printers, QStringList());
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
