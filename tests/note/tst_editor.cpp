// The alert editor of a note window: its lists, what init and reinit select in them, and what
// "M'alerter", "Ok" and "Pas d'alerte" do to the window, the row and the notes file.
#include "app/session.h"
#include "note/f_test.h"
#include "testutil.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

const QDate kMonday(2026, 12, 7); // "lundi 07/12"

QDateTime at(int h, int m, QDate day = kMonday)
{
    return QDateTime(day, QTime(h, m));
}

// One note window on row 1 of a table of its own, its notes file in a data folder of its own.
struct Editor {
    explicit Editor(const QDateTime &now, const QStringList &row = {"Le 01/12 à 16:26", "pain", "", "1", ""})
        : clock(now)
    {
        QDir().mkpath(home.folder());
        session.file.setFolder(home.folder());
        session.table.setUp();
        testutil::fill(session.table, {row});
        w = new f_test(session, clock);
        w->f_pos = 1;
        w->f_monindice = 1;
        session.slotTable.take(1);
    }
    ~Editor() { delete w.data(); }

    QString cell(int col) const { return session.table.TextMatrix(1, col); }
    QStringList selected() const
    {
        return {w->Combo1->currentText(), w->Combo2->currentText(), w->Combo3->currentText()};
    }
    QList<int> indexes() const
    {
        return {w->Combo1->currentIndex(), w->Combo2->currentIndex(), w->Combo3->currentIndex()};
    }
    int writes() const { return session.file.writeCount(); }
    QStringList storedRow() const
    {
        NoteTable t;
        t.setUp();
        NotesFile(home.folder()).charger_notes(t);
        return testutil::rowsOf(t).value(0);
    }

    TempDataHome home;
    MockClock clock;
    Session session;
    QPointer<f_test> w;
};

QStringList itemsOf(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

bool editorOpen(const f_test *w)
{
    return w->Frame1->isVisibleTo(const_cast<f_test *>(w)) && !w->Command1->isEnabled();
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testutil::useFrenchLocale(); }

    void listsWhenLoaded();
    void dayListAcrossYearEnd();
    void dayListDoesNotMoveOn();
    void preselection_data();
    void preselection();
    void alerterOpensEditor();
    void enterPressesOk();
    void enterInCoveredTextBox();
    void summaryLineShowsTextAsIs();
    void okSteps();
    void okWithoutAutosave();
    void latestAlert();
    void pasDAlerte();
    void pasDAlerteWithoutAlert();
    void reinitSelection_data();
    void reinitSelection();
    void closingOpenEditorKeepsRow();
};

void TestEditor::listsWhenLoaded()
{
    Editor e(at(10, 20));
    QCOMPARE(e.w->Combo1->count(), 16);
    QCOMPARE(e.w->Combo1->itemText(0), QStringLiteral("lundi 07/12"));
    QCOMPARE(e.w->Combo1->itemText(15), QStringLiteral("mardi 22/12"));
    QCOMPARE(itemsOf(e.w->Combo2),
             (QStringList{"7", "8", "9", "10", "11", "12", "13", "14", "15", "16", "17", "18", "19"}));
    QCOMPARE(itemsOf(e.w->Combo3), (QStringList{"00", "15", "30", "45"}));
    // Nothing is selected before init or reinit, and nothing can be typed.
    QCOMPARE(e.indexes(), (QList<int>{-1, -1, -1}));
    for (QComboBox *c : {e.w->Combo1, e.w->Combo2, e.w->Combo3})
        QVERIFY(!c->isEditable());
    QVERIFY(!editorOpen(e.w));
    QVERIFY(e.w->Command1->isEnabled());
    QVERIFY(e.w->Command2->isEnabled());
}

// Across a month and a year end, with French weekday names in lower case.
void TestEditor::dayListAcrossYearEnd()
{
    Editor e(at(8, 0, QDate(2026, 12, 25)));
    QCOMPARE(itemsOf(e.w->Combo1),
             (QStringList{"vendredi 25/12", "samedi 26/12", "dimanche 27/12", "lundi 28/12", "mardi 29/12",
                          "mercredi 30/12", "jeudi 31/12", "vendredi 01/01", "samedi 02/01", "dimanche 03/01",
                          "lundi 04/01", "mardi 05/01", "mercredi 06/01", "jeudi 07/01", "vendredi 08/01",
                          "samedi 09/01"}));
}

// A window opened yesterday still offers yesterday first; an alert set on it names yesterday.
void TestEditor::dayListDoesNotMoveOn()
{
    Editor e(at(23, 50));
    e.clock.set(at(0, 5, kMonday.addDays(1)));
    e.w->reinit();
    QCOMPARE(e.w->Combo1->itemText(0), QStringLiteral("lundi 07/12"));
    e.w->Command1_Click();
    e.w->Command3_Click();
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("lundi 07/12 7h00"));
}

void TestEditor::preselection_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<QString>("hour");
    QTest::newRow("10:20") << QTime(10, 20) << "11";
    QTest::newRow("18:59") << QTime(18, 59) << "19";
    QTest::newRow("19:05") << QTime(19, 5) << "7";
    QTest::newRow("05:30") << QTime(5, 30) << "7";
    QTest::newRow("06:00") << QTime(6, 0) << "7";
    QTest::newRow("06:59") << QTime(6, 59) << "7";
    QTest::newRow("07:00") << QTime(7, 0) << "8";
    QTest::newRow("18:00") << QTime(18, 0) << "19";
    QTest::newRow("00:00") << QTime(0, 0) << "7";
    QTest::newRow("23:59") << QTime(23, 59) << "7";
}

// A new note proposes today, the next full hour between 7 and 19 (else 7) and "00"; "Ok"
// without touching the lists stores just that.
void TestEditor::preselection()
{
    QFETCH(QTime, now);
    QFETCH(QString, hour);
    Editor e(QDateTime(kMonday, now), {"", "", "", "", ""});
    e.w->init();
    QCOMPARE(e.selected(), (QStringList{"lundi 07/12", hour, "00"}));
    // init leaves the alert and the summary line alone.
    QCOMPARE(e.cell(Col::Alert), QString());
    QCOMPARE(e.w->Label1->text(), QString());
    e.w->Command1_Click();
    e.w->Command3_Click();
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("lundi 07/12 %1h00").arg(hour));
}

void TestEditor::alerterOpensEditor()
{
    Editor e(at(10, 20), {"Le 01/12 à 16:26", "pain", "mardi 08/12 9h30", "1", "1"});
    e.w->reinit();
    e.w->show();
    QVERIFY(QTest::qWaitForWindowActive(e.w));
    QVERIFY(!e.w->Command3->isDefault());
    e.w->Command1_Click();
    QVERIFY(editorOpen(e.w));
    QVERIFY(e.w->Command3->isDefault());
    QVERIFY(e.w->Command2->isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), e.w->Combo1);
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("mardi 08/12 9h30"));
    QCOMPARE(e.cell(Col::Alerted), QStringLiteral("1"));
}

// Enter presses "Ok" while the editor is shown, and only then.
void TestEditor::enterPressesOk()
{
    Editor e(at(10, 20));
    e.w->init();
    e.w->show();
    QVERIFY(QTest::qWaitForWindowActive(e.w));
    QTest::keyClick(e.w->Command1, Qt::Key_Return);
    QCOMPARE(e.cell(Col::Alert), QString());
    e.w->Command1_Click();
    e.w->Combo3->setCurrentIndex(2);
    QTest::keyClick(e.w->Combo1, Qt::Key_Return);
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("lundi 07/12 11h30"));
    QVERIFY(!editorOpen(e.w));
    e.w->Combo3->setCurrentIndex(3);
    QTest::keyClick(e.w->Command1, Qt::Key_Enter);
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("lundi 07/12 11h30"));
}

// While the editor covers the text box, Tab still reaches the box; Enter there must press
// "Ok", not slip an unseen line break into the note.
void TestEditor::enterInCoveredTextBox()
{
    Editor e(at(10, 20));
    e.w->reinit();
    e.w->show();
    QVERIFY(QTest::qWaitForWindowActive(e.w));
    e.w->Command1_Click();
    e.w->Text2->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(e.w->Text2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(e.cell(Col::Text), QStringLiteral("pain"));
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("lundi 07/12 7h00"));
    QVERIFY(!editorOpen(e.w));
    // With the editor closed, Enter in the box is a line break again.
    QTest::keyClick(e.w->Text2, Qt::Key_Return);
    QCOMPARE(e.cell(Col::Text), QStringLiteral("pain\r\n"));
}

// A hand-edited alert text that looks like markup is shown as it is, tags and all.
void TestEditor::summaryLineShowsTextAsIs()
{
    const QString text = QStringLiteral("<b>mardi</b> 08/12 9h30");
    Editor e(at(10, 20), {"Le 01/12 à 16:26", "pain", text, "", ""});
    e.w->reinit();
    QLabel plain;
    plain.setFont(e.w->Label1->font());
    plain.setTextFormat(Qt::PlainText);
    plain.setText(text);
    QCOMPARE(e.w->Label1->text(), text);
    QCOMPARE(e.w->Label1->sizeHint().width(), plain.sizeHint().width());
}

// "Ok" builds the text from the three lists, closes the editor, shows and stores the alert,
// arms it again and writes the file.
void TestEditor::okSteps()
{
    Editor e(at(10, 20), {"Le 01/12 à 16:26", "pain", "lundi 07/12 10h15", "", "1"});
    e.w->reinit();
    e.w->Command1_Click();
    e.w->Combo1->setCurrentIndex(2);
    e.w->Combo2->setCurrentIndex(e.w->Combo2->findText(QStringLiteral("9")));
    e.w->Combo3->setCurrentIndex(e.w->Combo3->findText(QStringLiteral("30")));
    const int writes = e.writes();
    e.w->Command3_Click();
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("mercredi 09/12 9h30"));
    QCOMPARE(e.w->Label1->text(), QStringLiteral("mercredi 09/12 9h30"));
    QCOMPARE(e.cell(Col::Alerted), QString());
    QVERIFY(!editorOpen(e.w));
    QVERIFY(e.w->Command1->isEnabled());
    QVERIFY(!e.w->Command3->isDefault());
    QCOMPARE(e.writes(), writes + 1);
    QCOMPARE(e.storedRow(), (QStringList{"Le 01/12 à 16:26", "pain", "mercredi 09/12 9h30", "", ""}));

    // Fallen due, then "Ok" again with the same day and time: armed again.
    e.session.table.setTextMatrix(1, Col::Alerted, QStringLiteral("1"));
    e.w->Command1_Click();
    e.w->Command3_Click();
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("mercredi 09/12 9h30"));
    QCOMPARE(e.cell(Col::Alerted), QString());
    QCOMPARE(e.storedRow().value(Col::Alerted), QString());
}

void TestEditor::okWithoutAutosave()
{
    Editor e(at(10, 20));
    e.w->init();
    e.session.flags.autosave = false;
    e.w->Command1_Click();
    e.w->Command3_Click();
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("lundi 07/12 11h00"));
    QCOMPARE(e.writes(), 0);
}

// The latest alert there is: 19h45 on the fifteenth day after the window opened.
void TestEditor::latestAlert()
{
    Editor e(at(10, 20));
    e.w->init();
    e.w->Command1_Click();
    for (QComboBox *c : {e.w->Combo1, e.w->Combo2, e.w->Combo3})
        c->setCurrentIndex(c->count() - 1);
    e.w->Command3_Click();
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("mardi 22/12 19h45"));
}

void TestEditor::pasDAlerte()
{
    Editor e(at(10, 20), {"Le 01/12 à 16:26", "pain", "mardi 08/12 9h30", "", "1"});
    e.w->reinit();
    e.w->Command1_Click();
    e.w->Combo1->setCurrentIndex(4);
    const QList<int> chosen = e.indexes();
    const int writes = e.writes();
    e.w->Command2_Click();
    QCOMPARE(e.w->Label1->text(), QString());
    QCOMPARE(e.cell(Col::Alert), QString());
    QCOMPARE(e.cell(Col::Alerted), QString());
    QVERIFY(!editorOpen(e.w));
    QVERIFY(e.w->Command1->isEnabled());
    QCOMPARE(e.writes(), writes + 1);
    QCOMPARE(e.storedRow(), (QStringList{"Le 01/12 à 16:26", "pain", "", "", ""}));
    QCOMPARE(e.indexes(), chosen); // the lists keep their selection
    QVERIFY(e.w->Command2->isEnabled());
}

// On a note without an alert, with the editor closed, it writes "" again and nothing else.
void TestEditor::pasDAlerteWithoutAlert()
{
    Editor e(at(10, 20), {"Le 01/12 à 16:26", "pain", "", "1", ""});
    e.w->reinit();
    e.w->Command2_Click();
    QCOMPARE(testutil::rowsOf(e.session.table),
             (QList<QStringList>{{"Le 01/12 à 16:26", "pain", "", "1", ""}}));
    QCOMPARE(e.writes(), 1);
    QVERIFY(!editorOpen(e.w));

    e.session.flags.autosave = false;
    e.w->Command2_Click();
    QCOMPARE(e.writes(), 1);
}

void TestEditor::reinitSelection_data()
{
    QTest::addColumn<QString>("alertText");
    QTest::addColumn<QStringList>("selected");
    const QString today = QStringLiteral("lundi 07/12");
    QTest::newRow("in two days") << "mercredi 09/12 9h30" << QStringList{"mercredi 09/12", "9", "30"};
    QTest::newRow("today, latest time") << "lundi 07/12 19h45" << QStringList{today, "19", "45"};
    QTest::newRow("fifteenth day") << "mardi 22/12 7h15" << QStringList{"mardi 22/12", "7", "15"};
    // A leading blank moves the split points: nothing but the minutes matches.
    QTest::newRow("leading blank") << " mardi 08/12 8h15" << QStringList{today, "7", "15"};
    QTest::newRow("trailing blanks") << "mardi 08/12 8h15  " << QStringList{"mardi 08/12", "8", "15"};
    // What matches none of its list's entries leaves that list on its first entry.
    QTest::newRow("past day") << "dimanche 06/12 10h15" << QStringList{today, "10", "15"};
    QTest::newRow("beyond the list") << "mercredi 23/12 10h15" << QStringList{today, "10", "15"};
    QTest::newRow("capital weekday") << "Mardi 08/12 10h15" << QStringList{today, "10", "15"};
    QTest::newRow("leading zero") << "mardi 08/12 08h15" << QStringList{"mardi 08/12", "7", "15"};
    QTest::newRow("hour out of range") << "mardi 08/12 20h10" << QStringList{"mardi 08/12", "7", "00"};
    QTest::newRow("cannot be split") << "mardi08/12 10h15" << QStringList{today, "7", "00"};
    QTest::newRow("blanks only") << "   " << QStringList{today, "7", "00"};
    QTest::newRow("none") << "" << QStringList{today, "7", "00"};
}

// reinit shows the stored text as it is and selects what matches it; "Ok" then stores the
// selection, which is how a past day becomes the first offered day.
void TestEditor::reinitSelection()
{
    QFETCH(QString, alertText);
    QFETCH(QStringList, selected);
    Editor e(at(10, 20), {"Le 01/12 à 16:26", "pain", alertText, "", "1"});
    for (QComboBox *c : {e.w->Combo1, e.w->Combo2, e.w->Combo3})
        c->setCurrentIndex(c->count() - 1); // what an earlier choice left
    e.w->reinit();
    QCOMPARE(e.selected(), selected);
    QCOMPARE(e.w->Label1->text(), alertText);
    QCOMPARE(e.cell(Col::Alert), alertText);
    QCOMPARE(e.cell(Col::Alerted), QStringLiteral("1"));
    e.w->Command1_Click();
    e.w->Command3_Click();
    QCOMPARE(e.cell(Col::Alert),
             selected[0] + QLatin1Char(' ') + selected[1] + QLatin1Char('h') + selected[2]);
}

// The editor has no cancel: closing the window while it is open leaves the row as it was.
void TestEditor::closingOpenEditorKeepsRow()
{
    Editor e(at(10, 20), {"Le 01/12 à 16:26", "pain", "mardi 08/12 9h30", "", "1"});
    e.w->reinit();
    e.w->Command1_Click();
    e.w->Combo1->setCurrentIndex(5);
    e.w->Combo2->setCurrentIndex(5);
    e.w->close();
    QCOMPARE(e.cell(Col::Alert), QStringLiteral("mardi 08/12 9h30"));
    QCOMPARE(e.cell(Col::Alerted), QStringLiteral("1"));
    QCOMPARE(e.storedRow(), (QStringList{"Le 01/12 à 16:26", "pain", "mardi 08/12 9h30", "", "1"}));
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
