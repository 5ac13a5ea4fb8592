// The note window and its alert editor through their controls: a text kept to the byte, what "Ok"
// and "Pas d'alerte" do to the row and the file, Enter, the summary line.
#include "testapp.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace {
template <typename T = QWidget> T *c(f_test *w, const char *name)
{
    return App::child<T>(w, name);
}
// Picks entry `index` of list 1, 2 or 3 (-1: the last, -2: as the editor chose) and presses "Ok".
void pick(f_test *w, const QList<int> &indexes)
{
    QTest::mouseClick(c<QPushButton>(w, "Command1"), Qt::LeftButton);
    for (int n = 0; n < indexes.size(); ++n) {
        auto *list = c<QComboBox>(w, qPrintable(QStringLiteral("Combo%1").arg(n + 1)));
        if (indexes[n] != -2)
            list->setCurrentIndex(indexes[n] == -1 ? list->count() - 1 : indexes[n]);
    }
    QTest::keyClick(c(w, "Command3"), Qt::Key_Space);
}
} // namespace

class TestNote : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // Every character a note can hold in the file goes through "Voir", a character typed at its
    // end and the next write, byte for byte ("~" and "¤" stand for line breaks and quotes there).
    void textTravelsExactly()
    {
        QByteArray text = "a\xa0:\tb~c";
        for (int b = 1; b < 256; ++b)
            if (b != '\r' && b != '\n' && b != '"' && b != '~' && b != 0xA4)
                text += char(b);
        const QByteArray record = "\"Le 01/12 \xe0 16:26\",\"" + text + "\",\"\",\"\"\r\n";
        App app(record);
        f_test *w = app.view(1);
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(testutil::readFile(app.home.notesPath()), record);
        QTest::keyClick(c(w, "Text2"), '!');
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(testutil::readFile(app.home.notesPath()),
                 QByteArray(record).replace("\",\"\",\"\"\r", "!\",\"\",\"\"\r"));
    }

    // A paragraph of 12,000 characters, which the box shows in pieces: Backspace at the start of
    // the second piece takes the blank before it; the file and a copy of the whole text hold the
    // paragraph as it is, with no line break added.
    void longParagraphTravelsExactly()
    {
        const QByteArray words = QByteArray("mots, ").repeated(2000);
        const auto recordOf = [](const QByteArray &text) {
            return "\"Le 01/12 \xe0 16:26\",\"" + text + "\",\"\",\"\"\r\n";
        };
        App app(recordOf(words));
        auto *box = c<QPlainTextEdit>(app.view(1), "Text2");
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(testutil::readFile(app.home.notesPath()), recordOf(words));
        const int second = box->document()->findBlockByNumber(1).position(); // the piece after the first
        box->setTextCursor(QTextCursor(box->document()->findBlockByNumber(1)));
        QTest::keyClick(box, Qt::Key_Backspace);
        const QByteArray typed = QByteArray(words).remove(second - 2, 1);
        QCOMPARE(words.at(second - 2), ' ');
        box->selectAll();
        box->copy();
        QCOMPARE(QGuiApplication::clipboard()->text().toLatin1(), typed);
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(testutil::readFile(app.home.notesPath()), recordOf(typed));
    }

    // "Ok" stores what the lists say, "Pas d'alerte" clears the alert; both arm it again (the
    // note's alert had fallen due: "1") and write. A day no longer offered selects the first day
    // while the summary line keeps the stored text. A red note stays red.
    void editorButtons_data()
    {
        QTest::addColumn<QByteArray>("alert");
        QTest::addColumn<QList<int>>("picked"); // empty: "Pas d'alerte"
        QTest::addColumn<QString>("shown");     // the summary line before and after
        QTest::addColumn<QString>("stored");
        // clang-format off
        QTest::newRow("Ok")           << QByteArray("lundi 07/12 10h15") << QList<int>{2, 2, 2}
                                      << "lundi 07/12 10h15 > mercredi 09/12 9h30" << "mercredi 09/12 9h30";
        QTest::newRow("Pas d'alerte") << QByteArray("lundi 07/12 10h15") << QList<int>{}
                                      << "lundi 07/12 10h15 > " << "";
        QTest::newRow("past day, Ok") << QByteArray("lundi 30/11 9h30") << QList<int>{-2, -2, -2}
                                      << "lundi 30/11 9h30 > lundi 07/12 9h30" << "lundi 07/12 9h30";
        // clang-format on
    }
    void editorButtons()
    {
        QFETCH(QByteArray, alert);
        QFETCH(QList<int>, picked);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        App app("\"Le 01/12 \xe0 16:26\",\"pain\",\"" + alert + "\",\"1\"\r\n");
        f_test *w = app.view(1);
        QVERIFY(w);
        w->en_rouge();
        const QString before = c<QLabel>(w, "Label1")->text();
        if (picked.isEmpty())
            QTest::mouseClick(c<QPushButton>(w, "Command2"), Qt::LeftButton);
        else
            pick(w, picked);
        QCOMPARE(before + " > " + c<QLabel>(w, "Label1")->text(), shown);
        QCOMPARE(app.cell(1, Col::Alerted), QString());
        QCOMPARE(app.stored()[0], (QStringList{"Le 01/12 à 16:26", "pain", stored, "", ""}));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(255, 0, 0));
    }

    // Enter presses the focused button, else "Ok" while the editor is open; with the editor closed,
    // Enter in the text box is a line break, a CR LF pair in the table. The note had "lundi 07/12 10h15".
    void enterKey_data()
    {
        QTest::addColumn<bool>("editorOpen");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("open, on Pas d'alerte")   << true  << "Command2" << ""                     << "pain";
        QTest::newRow("open, on the day list")   << true  << "Combo1"   << "mercredi 09/12 10h15" << "pain";
        QTest::newRow("open, in the text box")   << true  << "Text2"    << "mercredi 09/12 10h15" << "pain";
        QTest::newRow("closed, in the text box") << false << "Text2"    << "lundi 07/12 10h15"    << "pain\r\n";
        // clang-format on
    }
    void enterKey()
    {
        QFETCH(bool, editorOpen);
        QFETCH(QString, focus);
        QFETCH(QString, alert);
        QFETCH(QString, text);
        App app(testutil::records({{"Le 01/12 à 16:26", "pain", "lundi 07/12 10h15", ""}}));
        f_test *w = app.view(1);
        QVERIFY(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        if (editorOpen) {
            QTest::mouseClick(c<QPushButton>(w, "Command1"), Qt::LeftButton);
            c<QComboBox>(w, "Combo1")->setCurrentIndex(2);
        }
        QWidget *focused = c(w, qPrintable(focus));
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_Return);
        QCOMPARE(app.cell(1, Col::Alert), alert);
        QCOMPARE(app.cell(1, Col::Text), text);
    }

    // At any desktop font the summary line shows the longest alert text whole.
    void summaryLineWhole_data()
    {
        QTest::addColumn<int>("points");
        for (int points : {0, 9, 11, 14, 18})
            QTest::addRow("%d pt", points) << points;
    }
    void summaryLineWhole()
    {
        QFETCH(int, points);
        const auto restore =
            desktopFont(points ? QFont(QStringLiteral("DejaVu Sans"), points) : QApplication::font());
        App app({}, QDateTime(QDate(2026, 12, 9), QTime(8, 0))); // "dimanche 13/12" on offer
        app.click("Command1");
        f_test *w = app.windowOf(1);
        QVERIFY(w);
        pick(w, {7, -1, -1}); // the longest alert text
        auto *label = c<QLabel>(w, "Label1");
        QCOMPARE(label->text(), QStringLiteral("mercredi 16/12 19h45"));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
    }
};

QTEST_MAIN(TestNote)
#include "tst_note.moc"
