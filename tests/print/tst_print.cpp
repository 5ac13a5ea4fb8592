// The Print text from the written rules, and the print command through its dialog to a PDF file.
#include "print/printing.h"
#include "print/printtext.h"
#include "testapp.h"

#include <QProcess>

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    // No print queue here, whatever the machine has: CUPS is asked at a socket that is not there.
    void initTestCase() { qputenv("CUPS_SERVER", "/nonexistent/cups.sock"); }
    void init() { testutil::failOnUnexpectedWarnings(); }

    // A note of blanks is not printed, nor its alert; an alert of blanks is no alert; a note of line
    // breaks only is printed, any note as it is, blanks and all; separators stand only between two printed
    // notes.
    void printText()
    {
        const QString rule = QString(106, u'-') + QStringLiteral("\r\n");
        const NoteTable table =
            testutil::tableOf({{"", "Acheter du pain\r\nAppeler le garage", "lundi 08/12 9h30", "", ""},
                               {"", "   ", "mardi 09/12 7h00", "", ""},
                               {"", "Rendre les livres", "", "", ""},
                               {"", "\r\n\r\n", "", "", ""},
                               {"", " Payer\t ", "  ", "", ""}});
        QCOMPARE(composer_impression(table, QDate(2026, 12, 7)),
                 QStringLiteral("[RAPIX]\t\t\tNotes au 07/12/2026\r\n\r\n\r\n"
                                "Acheter du pain\r\nAppeler le garage\r\nAlerte le lundi 08/12 9h30\r\n") +
                     rule + QStringLiteral("Rendre les livres\r\n") + rule + QStringLiteral("\r\n\r\n\r\n") +
                     rule + QStringLiteral(" Payer\t \r\n"));
        QCOMPARE(composer_impression(testutil::tableOf({{"", "", "", "-1", ""}}), QDate(2027, 1, 2)),
                 QStringLiteral("[RAPIX]\t\t\tNotes au 02/01/2027\r\n\r\n\r\n"));
    }

    // The real dialog offers neither a selection nor printing to a file (nor pages: the whole list
    // prints); cancelled, nothing prints.
    void printDialog()
    {
        App app(testutil::notesFile(1));
        int options = -1;
        QTimer::singleShot(0, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            options = dialog ? dialog->property("options").toInt() : -2;
            if (dialog)
                dialog->close();
        });
        Printing::setNextPrinters(true);
        app.trigger("m_imprimer");
        // Of Qt's options, only the page size (0x08) and collating copies (0x10): not printing to a
        // file (0x01), a selection (0x02), a page range (0x04) or the current page (0x40).
        QCOMPARE(options & 0x5f, 0x18);
    }

    // Accepted, on paper word for word the Print text and nothing else (no page number either).
    void printCommand()
    {
        for (int answer : {QDialog::Accepted, QDialog::Rejected}) {
            const bool accepted = answer == QDialog::Accepted;
            App app(testutil::records(
                {{"Le 01/12 à 16:26", "Acheter du pain\r\nAppeler le garage", "lundi 08/12 9h30", ""},
                 {"Le 02/12 à 09:05", "Rendre les livres", "", ""}}));
            QTemporaryDir out;
            const QString pdf = out.filePath(QStringLiteral("liste.pdf"));
            Printing::setNextAnswer(QDialog::DialogCode(answer), pdf);
            app.trigger("m_imprimer");
            QCOMPARE(QFile::exists(pdf), accepted);
            if (!accepted)
                continue;
            QProcess p;
            p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
            const QString text = QString::fromUtf8(p.readAllStandardOutput());
            QCOMPARE(text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts),
                     (QStringList{"[RAPIX]", "Notes", "au", "07/12/2026", "Acheter", "du", "pain", "Appeler",
                                  "le", "garage", "Alerte", "le", "lundi", "08/12", "9h30",
                                  QString(106, u'-'), "Rendre", "les", "livres"}));
            QVERIFY(text.split(u'\n').contains(QStringLiteral("Appeler le garage")));
        }
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
