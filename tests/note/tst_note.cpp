// The note window and its alert editor, through their controls: the lists (today and the fifteen
// days after, 7h00 to 19h45 by quarter hours), what they propose, what "Ok" and "Pas d'alerte" do
// to the row and the file, the Enter key, the summary line, and a text kept to the byte.
#include "testapp.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace {
template <typename T = QWidget> T *c(f_test *w, const char *name)
{
    return App::child<T>(w, name);
}
QComboBox *combo(f_test *w, int n)
{
    return c<QComboBox>(w, n == 1 ? "Combo1" : n == 2 ? "Combo2" : "Combo3");
}
} // namespace

class TestNote : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }
    void preselection_data();
    void preselection();
    void okThenNoAlert();
    void enterKey_data();
    void enterKey();
    void summaryLineWhole_data();
    void summaryLineWhole();
    void textTravelsExactly();
};

void TestNote::preselection_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("05:59") << QDateTime(QDate(2026, 12, 7), QTime(5, 59)) << "lundi 07/12 7h00";
    QTest::newRow("06:00") << QDateTime(QDate(2026, 12, 7), QTime(6, 0)) << "lundi 07/12 7h00";
    QTest::newRow("07:00") << QDateTime(QDate(2026, 12, 7), QTime(7, 0)) << "lundi 07/12 8h00";
    QTest::newRow("18:59") << QDateTime(QDate(2026, 12, 7), QTime(18, 59)) << "lundi 07/12 19h00";
    QTest::newRow("19:00") << QDateTime(QDate(2026, 12, 7), QTime(19, 0)) << "lundi 07/12 7h00";
    QTest::newRow("Christmas") << QDateTime(QDate(2026, 12, 25), QTime(8, 0)) << "vendredi 25/12 9h00";
}

// A new note proposes today, the next full hour between 7 and 19 (else 7) and "00", which "Ok"
// stores as it is; the lists offer today and the fifteen days after, 7 to 19, by quarter hours.
void TestNote::preselection()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, proposed);
    App app({}, now);
    app.click("Command1");
    f_test *w = app.windowOf(1);
    QCOMPARE(app.cell(1, Col::Alert), QString());
    w->Command1_Click();
    w->Command3_Click();
    QCOMPARE(app.cell(1, Col::Alert), proposed);
    if (now.date().day() != 25)
        return;
    QStringList all[3];
    for (int n = 1; n <= 3; ++n)
        for (int i = 0; i < combo(w, n)->count(); ++i)
            all[n - 1] << combo(w, n)->itemText(i);
    QCOMPARE(all[0].size(), 16);
    QCOMPARE(all[0][7], QStringLiteral("vendredi 01/01"));
    QCOMPARE(all[1],
             (QStringList{"7", "8", "9", "10", "11", "12", "13", "14", "15", "16", "17", "18", "19"}));
    QCOMPARE(all[2], (QStringList{"00", "15", "30", "45"}));
    w->Command1_Click();
    for (int n = 1; n <= 3; ++n)
        combo(w, n)->setCurrentIndex(combo(w, n)->count() - 1);
    w->Command3_Click();
    QCOMPARE(app.cell(1, Col::Alert), QStringLiteral("samedi 09/01 19h45"));
}

// "Ok" stores what the three lists say, arms the alert again and writes; "Pas d'alerte" clears it.
void TestNote::okThenNoAlert()
{
    App app(testutil::records({{"Le 01/12 à 16:26", "pain", "lundi 07/12 10h15", "1"}}));
    f_test *w = app.view(1);
    QTest::mouseClick(c<QPushButton>(w, "Command1"), Qt::LeftButton);
    combo(w, 1)->setCurrentIndex(2);
    combo(w, 2)->setCurrentText(QStringLiteral("9"));
    combo(w, 3)->setCurrentText(QStringLiteral("30"));
    QTest::mouseClick(c<QPushButton>(w, "Command3"), Qt::LeftButton);
    QCOMPARE(c<QLabel>(w, "Label1")->text(), QStringLiteral("mercredi 09/12 9h30"));
    QCOMPARE(testutil::storedRows(app.home.folder())[0],
             (QStringList{"Le 01/12 à 16:26", "pain", "mercredi 09/12 9h30", "", ""}));
    QTest::mouseClick(c<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(c<QLabel>(w, "Label1")->text(), QString());
    QCOMPARE(testutil::storedRows(app.home.folder())[0],
             (QStringList{"Le 01/12 à 16:26", "pain", "", "", ""}));
}

void TestNote::enterKey_data()
{
    QTest::addColumn<bool>("editorOpen");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("alert"); // afterwards; the note had "lundi 07/12 10h15"
    QTest::newRow("on \"Pas d'alerte\", editor open") << true << "Command2"
                                                      << "";
    QTest::newRow("on \"Pas d'alerte\", editor closed") << false << "Command2"
                                                        << "";
    QTest::newRow("on the day list: \"Ok\"") << true << "Combo1"
                                             << "mercredi 09/12 10h15";
    QTest::newRow("in the text: \"Ok\"") << true << "Text2"
                                         << "mercredi 09/12 10h15";
}

// Enter presses the button that has the focus, and "Ok" while the editor is open otherwise.
void TestNote::enterKey()
{
    QFETCH(bool, editorOpen);
    QFETCH(QString, focus);
    QFETCH(QString, alert);
    App app(testutil::records({{"Le 01/12 à 16:26", "pain", "lundi 07/12 10h15", ""}}));
    f_test *w = app.view(1);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    if (editorOpen) {
        QTest::mouseClick(c<QPushButton>(w, "Command1"), Qt::LeftButton);
        combo(w, 1)->setCurrentIndex(2);
    }
    QWidget *target = c(w, qPrintable(focus));
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(app.cell(1, Col::Alert), alert);
    QCOMPARE(app.cell(1, Col::Text), QStringLiteral("pain"));
}

void TestNote::summaryLineWhole_data()
{
    QTest::addColumn<QFont>("font");
    QTest::newRow("desktop font") << QApplication::font();
    QTest::newRow("large") << QFont(QStringLiteral("DejaVu Sans"), 14);
}

// The summary line shows the whole alert text, for every day and the latest hour on offer.
void TestNote::summaryLineWhole()
{
    QFETCH(QFont, font);
    const QFont before = QApplication::font();
    QApplication::setFont(font);
    App app({}, QDateTime(QDate(2026, 12, 9), QTime(8, 0))); // a Wednesday: "mercredi 16/12" is on offer
    app.click("Command1");
    f_test *w = app.windowOf(1);
    auto *label = c<QLabel>(w, "Label1");
    QStringList cut;
    for (int day = 0; day < combo(w, 1)->count(); ++day) {
        QTest::mouseClick(c<QPushButton>(w, "Command1"), Qt::LeftButton);
        combo(w, 1)->setCurrentIndex(day);
        combo(w, 2)->setCurrentIndex(combo(w, 2)->count() - 1);
        combo(w, 3)->setCurrentIndex(combo(w, 3)->count() - 1);
        QTest::keyClick(c<QPushButton>(w, "Command3"), Qt::Key_Space);
        if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
            cut << label->text();
    }
    QApplication::setFont(before);
    QCOMPARE(app.cell(1, Col::Alert), QStringLiteral("jeudi 24/12 19h45"));
    QCOMPARE(cut, QStringList());
}

// Every character a note can hold in the file goes through "Voir", a character typed at its
// end and the next write, byte for byte. ("~" and "¤" stand for line breaks and quotes.)
void TestNote::textTravelsExactly()
{
    QByteArray text = "a\xa0:\tb\r\nc";
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != '"' && b != '~' && b != 0xA4)
            text += char(b);
    const QByteArray record = "\"Le 01/12 \xe0 16:26\",\"" + text.replace("\r\n", "~") + "\",\"\",\"\"\r\n";
    App app(record);
    f_test *w = app.view(1);
    app.tick(app.clock.now().addSecs(60));
    QCOMPARE(testutil::readFile(app.home.notesPath()), record);
    QTest::keyClick(c(w, "Text2"), '!');
    app.tick(app.clock.now().addSecs(60));
    QCOMPARE(testutil::readFile(app.home.notesPath()),
             QByteArray(record).replace("\",\"\",\"\"\r\n", "!\",\"\",\"\"\r\n"));
}

QTEST_MAIN(TestNote)
#include "tst_note.moc"
