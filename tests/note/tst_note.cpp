// The note window and its alert editor through their controls: what the lists propose, what "Ok"
// and "Pas d'alerte" do to the row and the file, Enter, the summary line, a text kept to the byte.
#include "testapp.h"

#include <QComboBox>
#include <QLabel>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace {
template <typename T = QWidget> T *c(f_test *w, const char *name)
{
    return App::child<T>(w, name);
}
// Picks entry `index` of list 1, 2 or 3 (-1: the last) and presses "Ok".
void pick(f_test *w, const QList<int> &indexes)
{
    QTest::mouseClick(c<QPushButton>(w, "Command1"), Qt::LeftButton);
    for (int n = 0; n < indexes.size(); ++n) {
        auto *list = c<QComboBox>(w, qPrintable(QStringLiteral("Combo%1").arg(n + 1)));
        list->setCurrentIndex(indexes[n] < 0 ? list->count() - 1 : indexes[n]);
    }
    QTest::keyClick(c(w, "Command3"), Qt::Key_Space);
}
} // namespace

class TestNote : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // A new note proposes today, the next full hour from 7 to 19 (else 7) and "00", stored as is
    // by "Ok"; the latest on offer is 19h45 on the fifteenth day, across a year's end.
    void proposed()
    {
        const QDate monday(2026, 12, 7), christmas(2026, 12, 25);
        for (auto [now, proposed] : QList<std::pair<QDateTime, QString>>{
                 {QDateTime(monday, QTime(6, 0)), "lundi 07/12 7h00"},
                 {QDateTime(monday, QTime(7, 0)), "lundi 07/12 8h00"},
                 {QDateTime(monday, QTime(18, 59)), "lundi 07/12 19h00"},
                 {QDateTime(monday, QTime(19, 0)), "lundi 07/12 7h00"},
                 {QDateTime(christmas, QTime(5, 59)), "vendredi 25/12 7h00"}}) {
            App app({}, now);
            app.click("Command1");
            f_test *w = app.windowOf(1);
            QCOMPARE(app.cell(1, Col::Alert), QString());
            pick(w, {});
            QCOMPARE(app.cell(1, Col::Alert), proposed);
            pick(w, {-1, -1, -1});
            QCOMPARE(app.cell(1, Col::Alert),
                     now.date() == monday ? "mardi 22/12 19h45" : "samedi 09/01 19h45");
        }
    }

    // "Ok" stores what the lists say and arms the alert again, "Pas d'alerte" clears it; each writes.
    void okThenNoAlert()
    {
        App app(testutil::records({{"Le 01/12 à 16:26", "pain", "lundi 07/12 10h15", "1"}}));
        f_test *w = app.view(1);
        pick(w, {2, 2, 2});
        QCOMPARE(c<QLabel>(w, "Label1")->text(), QStringLiteral("mercredi 09/12 9h30"));
        QCOMPARE(testutil::storedRows(app.home.folder())[0],
                 (QStringList{"Le 01/12 à 16:26", "pain", "mercredi 09/12 9h30", "", ""}));
        QTest::mouseClick(c<QPushButton>(w, "Command2"), Qt::LeftButton);
        QCOMPARE(c<QLabel>(w, "Label1")->text(), QString());
        QCOMPARE(testutil::storedRows(app.home.folder())[0],
                 (QStringList{"Le 01/12 à 16:26", "pain", "", "", ""}));
    }

    // Enter presses the focused button, else "Ok" while the editor is open; the note had "lundi 07/12 10h15".
    void enterKey()
    {
        for (auto [editorOpen, focus, alert] :
             QList<std::tuple<bool, const char *, QString>>{{true, "Command2", ""},
                                                            {true, "Combo1", "mercredi 09/12 10h15"},
                                                            {true, "Text2", "mercredi 09/12 10h15"}}) {
            App app(testutil::records({{"Le 01/12 à 16:26", "pain", "lundi 07/12 10h15", ""}}));
            f_test *w = app.view(1);
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            if (editorOpen) {
                QTest::mouseClick(c<QPushButton>(w, "Command1"), Qt::LeftButton);
                c<QComboBox>(w, "Combo1")->setCurrentIndex(2);
            }
            c(w, focus)->setFocus();
            QTest::keyClick(c(w, focus), Qt::Key_Return);
            QVERIFY2(app.cell(1, Col::Alert) == alert, focus);
            QCOMPARE(app.cell(1, Col::Text), QStringLiteral("pain"));
        }
    }

    // The summary line shows the whole alert, for every day on offer at 19h45, in a large font too.
    void summaryLineWhole()
    {
        App app({}, QDateTime(QDate(2026, 12, 9), QTime(8, 0))); // a Wednesday: "mercredi 16/12" on offer
        app.click("Command1");
        f_test *w = app.windowOf(1);
        auto *label = c<QLabel>(w, "Label1");
        QStringList cut;
        const QFont desktop = QApplication::font();
        for (const QFont &font : {desktop, QFont(QStringLiteral("DejaVu Sans"), 14)}) {
            QApplication::setFont(font);
            for (int day = 0; day < 16; ++day) {
                pick(w, {day, -1, -1});
                if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
                    cut << label->text();
            }
        }
        QApplication::setFont(desktop);
        QCOMPARE(cut, QStringList());
    }

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
};

QTEST_MAIN(TestNote)
#include "tst_note.moc"
