// The print command through its dialog, to a PDF file: on paper, word for word, the Print text
// and nothing else (no page number either). e2e_print checks that text through a real queue.
#include "print/printdialog.h"
#include "print/printtext.h"
#include "testapp.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void printCommand_data();
    void printCommand();
};

void TestPrint::printCommand_data()
{
    QTest::addColumn<bool>("accepted");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void TestPrint::printCommand()
{
    QFETCH(bool, accepted);
    App app(testutil::records(
        {{"Le 01/12 à 16:26", "Acheter du pain\r\nAppeler le garage", "lundi 08/12 9h30", ""},
         {"Le 02/12 à 09:05", "Rendre les livres", "", ""}}));
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("liste.pdf"));
    PrintDialog::setNextAnswer(accepted ? QDialog::Accepted : QDialog::Rejected, pdf);
    app.w.m_imprimer_Click();
    QCOMPARE(QFile::exists(pdf), accepted);
    if (!accepted)
        return;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression blanks(QStringLiteral("\\s+"));
    QCOMPARE(text.split(blanks, Qt::SkipEmptyParts),
             composer_impression(app.table(), QDate(2026, 12, 7)).split(blanks, Qt::SkipEmptyParts));
    QVERIFY(text.split(u'\n').contains(QStringLiteral("Appeler le garage")));
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
