// The list commands on real note windows and the real notes file.
#include "app/f_iir.h"
#include "app/msgbox.h"
#include "testutil.h"

#include <QPlainTextEdit>
#include <QTableView>
#include <QtTest>

using testutil::writeFile;

namespace {

// A started main window over a notes file of n notes (none: no file at all).
struct Fixture {
    explicit Fixture(int notes = 0) : Fixture(testutil::notesFile(notes)) {}
    explicit Fixture(const QByteArray &file)
    {
        if (!file.isEmpty())
            writeFile(home.notesPath(), file);
        w.Form_Load();
    }
    NoteTable &table() { return w.session().table; }
    int writes() { return w.session().file.writeCount(); }
    QString slotOf(int row) { return table().TextMatrix(row, Col::Slot); }
    f_test *windowOf(int row) { return w.fenetre(slotOf(row).toInt()); }
    void view(int row)
    {
        table().setRow(row);
        w.Command2_Click();
    }
    QList<int> openSlots()
    {
        QList<int> open;
        for (int s = 1; s <= SlotTable::kMax; ++s)
            if (w.fenetre(s))
                open << s;
        return open;
    }
    QPoint cellOf(int slot)
    {
        const QPoint t = cellOfSlot(slot, w.session().workArea);
        return {twipsToPixels(t.x()), twipsToPixels(t.y())};
    }

    TempDataHome home;
    MockClock clock;
    f_iir w{clock};
};

} // namespace

class TestListCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testutil::useFrenchLocale(); }
    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().size() <= 2); }
    void newTakesPlaceholder();
    void newLimit_data();
    void newLimit();
    void newOnBlankRowWithOpenWindow();
    void viewActivatesWithoutReload();
    void commandsSkipPlaceholder();
    void deleteRenumbersOpenWindows();
    void deleteOnlyNote();
    void slotReuseTakesFreedCell();
    void deleteAll();
    void showAllAndHideAll();
    void quitClosesWindowsWithoutWriting();
    void notesSurviveRestart();
};

void TestListCommands::newTakesPlaceholder()
{
    Fixture f;
    f.w.Command1_Click();
    QCOMPARE(f.table().Rows(), 2);
    QCOMPARE(f.slotOf(1), QStringLiteral("1"));
    f_test *n = f.w.fenetre(1);
    QVERIFY(n && n->isVisible());
    QCOMPARE(n->f_pos, 1);
    QCOMPARE(n->f_monindice, 1);
    QCOMPARE(n->windowTitle(), QStringLiteral("Le 07/12 à 10:20"));
    QCOMPARE(f.table().TextMatrix(1, Col::Stamp), QStringLiteral("Le 07/12 à 10:20"));
    QCOMPARE(n->pos(), f.cellOf(1));
    QCOMPARE(f.writes(), 0); // reaches the file at the next write
    QVERIFY(!f.w.session().flags.textChanged);
    // One note with a stamp: the next one is appended.
    f.w.Command1_Click();
    QCOMPARE(f.table().Rows(), 3);
    QCOMPARE(f.slotOf(2), QStringLiteral("2"));
    QCOMPARE(f.w.fenetre(2)->pos(), f.cellOf(2));
}

void TestListCommands::newLimit_data()
{
    QTest::addColumn<int>("notes");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("99 notes") << 99 << 101;
    QTest::newRow("100 notes") << 100 << 101;
    QTest::newRow("101 notes") << 101 << 102;
}

void TestListCommands::newLimit()
{
    QFETCH(int, notes);
    QFETCH(int, rowsAfter);
    Fixture f(notes);
    QCOMPARE(f.table().Rows(), notes + 1);
    f.w.Command1_Click();
    QCOMPARE(f.table().Rows(), rowsAfter);
    QCOMPARE(f.openSlots().size(), rowsAfter - notes - 1);
    // After one delete, there is room again at 100.
    if (notes == 100) {
        f.table().setRow(5);
        f.w.Command3_Click();
        f.w.Command1_Click();
        QCOMPARE(f.table().Rows(), 101);
        QCOMPARE(f.table().TextMatrix(100, Col::Stamp), QStringLiteral("Le 07/12 à 10:20"));
    }
    f.w.m_toutmasquer_Click();
}

void TestListCommands::newOnBlankRowWithOpenWindow()
{
    // A blank note loaded from the file is an ordinary row: View opens it.
    Fixture g(QByteArray("\"\",\"\",\"\",\"\"\r\n"));
    QCOMPARE(g.slotOf(1), QString());
    g.view(1);
    QCOMPARE(g.slotOf(1), QStringLiteral("1"));
    // New takes the blank row over, but it already has a window: that one serves.
    g.w.Command1_Click();
    QCOMPARE(g.table().Rows(), 2);
    QCOMPARE(g.openSlots(), QList<int>{1});
    QCOMPARE(g.slotOf(1), QStringLiteral("1"));
    g.w.fenetre(1)->close();
}

void TestListCommands::viewActivatesWithoutReload()
{
    Fixture f(2);
    f.view(2);
    f_test *n = f.windowOf(2);
    QVERIFY(n);
    QCOMPARE(n->Text2->toPlainText(), QStringLiteral("note 2"));
    QCOMPARE(n->Text2->textCursor().position(), 6); // caret after the last character
    QCOMPARE(n->windowTitle(), QStringLiteral("Le 01/12 à 10:00"));
    QCOMPARE(n->pos(), f.cellOf(1));
    f.table().setTextMatrix(2, Col::Text, QStringLiteral("changed elsewhere"));
    f.view(2);
    QCOMPARE(f.openSlots(), QList<int>{1});
    QCOMPARE(n->Text2->toPlainText(), QStringLiteral("note 2"));
    n->close();
    // Shown again, the note is read afresh and starts light yellow.
    f.view(2);
    QCOMPARE(f.windowOf(2)->Text2->toPlainText(), QStringLiteral("changed elsewhere"));
    f.windowOf(2)->close();
}

void TestListCommands::commandsSkipPlaceholder()
{
    Fixture f;
    f.w.Command2_Click();
    f.w.Command3_Click();
    f.w.m_toutafficher_Click();
    f.w.m_toutmasquer_Click();
    QCOMPARE(f.openSlots(), QList<int>{});
    QCOMPARE(testutil::rowsOf(f.table()), (QList<QStringList>{{"", "", "", "-1", ""}}));
    QCOMPARE(f.writes(), 0);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestListCommands::deleteRenumbersOpenWindows()
{
    Fixture f(5);
    // Rows 1, 3 and 5 in slots 4, 1 and 2.
    for (int row : {3, 5, 2, 1})
        f.view(row);
    f.windowOf(2)->close();
    QCOMPARE(f.slotOf(1), QStringLiteral("4"));
    f.table().setRow(2);
    f.w.Command3_Click();
    QCOMPARE(f.table().Rows(), 5);
    QCOMPARE(f.w.fenetre(1)->f_pos, 2);
    QCOMPARE(f.w.fenetre(2)->f_pos, 4);
    QCOMPARE(f.w.fenetre(4)->f_pos, 1);
    QStringList column3;
    for (int r = 1; r < f.table().Rows(); ++r)
        column3 << f.slotOf(r);
    QCOMPARE(column3, (QStringList{"4", "1", "", "2"}));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    // Typing in a renumbered window reaches its own note.
    f.w.fenetre(2)->Text2->setPlainText(QStringLiteral("cinq"));
    QCOMPARE(f.table().TextMatrix(4, Col::Text), QStringLiteral("cinq"));
    f.w.m_toutmasquer_Click();
}

void TestListCommands::deleteOnlyNote()
{
    Fixture f(1);
    f.view(1);
    f.w.Command3_Click();
    QCOMPARE(testutil::rowsOf(f.table()), (QList<QStringList>{{"", "", "", "-1", ""}}));
    QCOMPARE(f.openSlots(), QList<int>{});
    QCOMPARE(f.writes(), 1); // the closing window wrote while its row was still there
}

void TestListCommands::slotReuseTakesFreedCell()
{
    Fixture f(4);
    for (int row : {1, 2, 3})
        f.view(row);
    f.windowOf(2)->close();
    f.view(4);
    QCOMPARE(f.slotOf(4), QStringLiteral("2"));
    QCOMPARE(f.windowOf(4)->pos(), f.cellOf(2));
    f.w.m_toutmasquer_Click();
}

void TestListCommands::deleteAll()
{
    Fixture f(3);
    for (int row : {1, 3})
        f.view(row);
    MsgBox::setNextAnswer(QMessageBox::No);
    f.w.m_reinit_Click();
    QCOMPARE(f.table().Rows(), 4);
    QCOMPARE(f.openSlots(), (QList<int>{1, 2}));
    QCOMPARE(f.writes(), 0);

    MsgBox::setNextAnswer(QMessageBox::Yes);
    f.w.m_reinit_Click();
    QCOMPARE(testutil::rowsOf(f.table()), (QList<QStringList>{{"", "", "", "-1", ""}}));
    QCOMPARE(f.openSlots(), QList<int>{});
    QCOMPARE(f.writes(), 1);
    QCOMPARE(testutil::readFile(f.home.notesPath()), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
    QVERIFY(f.w.session().flags.autosave);

    // On the placeholder alone it still asks and still writes.
    MsgBox::setNextAnswer(QMessageBox::Yes);
    f.w.m_reinit_Click();
    QCOMPARE(f.writes(), 2);
}

void TestListCommands::showAllAndHideAll()
{
    Fixture f(4);
    f.view(3); // slot 1
    f.w.m_toutafficher_Click();
    QStringList column3;
    for (int r = 1; r < f.table().Rows(); ++r)
        column3 << f.slotOf(r);
    QCOMPARE(column3, (QStringList{"2", "3", "1", "4"}));
    QCOMPARE(f.windowOf(1)->pos(), f.cellOf(2));
    QCOMPARE(f.writes(), 0);

    f.w.m_toutmasquer_Click();
    QCOMPARE(f.writes(), 4); // each closing window writes
    for (int r = 1; r < f.table().Rows(); ++r)
        QCOMPARE(f.slotOf(r), QString());
    QCOMPARE(f.openSlots(), QList<int>{});
}

void TestListCommands::quitClosesWindowsWithoutWriting()
{
    Fixture f(3);
    f.w.m_toutafficher_Click();
    f.windowOf(2)->Text2->setPlainText(QStringLiteral("dernier mot"));
    f.w.m_quitter_Click();
    QCOMPARE(f.writes(), 1);
    QCOMPARE(f.openSlots(), QList<int>{});
    QVERIFY(testutil::readFile(f.home.notesPath()).contains("dernier mot"));
    for (int r = 1; r < f.table().Rows(); ++r)
        QCOMPARE(f.slotOf(r), QString());
}

void TestListCommands::notesSurviveRestart()
{
    TempDataHome home;
    MockClock clock;
    {
        f_iir w(clock);
        w.Form_Load();
        w.Command1_Click();
        QTest::keyClicks(w.fenetre(1)->Text2, QStringLiteral("Acheter \"du\" pain"));
        QTest::keyClick(w.fenetre(1)->Text2, Qt::Key_Return);
        QTest::keyClicks(w.fenetre(1)->Text2, QStringLiteral("et du lait, vite"));
        QVERIFY(w.session().flags.textChanged);
        w.fenetre(1)->close();
        w.m_quitter_Click();
    }
    QCOMPARE(testutil::readFile(home.notesPath()),
             QByteArray("\"Le 07/12 \xe0 10:20\",\"Acheter \xa4"
                        "du\xa4 pain~et du lait, vite\",\"\",\"\"\r\n"));
    f_iir w(clock);
    w.Form_Load();
    QCOMPARE(w.session().table.TextMatrix(1, Col::Text),
             QStringLiteral("Acheter \"du\" pain\r\net du lait, vite"));
    w.Command2_Click();
    QCOMPARE(w.fenetre(1)->Text2->toPlainText(), QStringLiteral("Acheter \"du\" pain\net du lait, vite"));
    w.fenetre(1)->close();
}

QTEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
