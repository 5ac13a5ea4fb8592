// The note window on its own: its layout, what it writes into its row, its red state and its close.
#include "app/f_iir.h"
#include "testutil.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {
struct Fixture {
    Fixture()
    {
        testutil::writeFile(home.notesPath(), testutil::notesFile(2));
        w.Form_Load();
        w.session().table.setRow(2);
        w.Command2_Click();
        n = w.fenetre(1);
    }
    ~Fixture()
    {
        if (w.fenetre(1))
            w.fenetre(1)->close();
    }
    NoteTable &table() { return w.session().table; }
    int writes() { return w.session().file.writeCount(); }

    TempDataHome home;
    MockClock clock;
    f_iir w{clock};
    f_test *n = nullptr;
};

QColor background(QWidget *w)
{
    return w->palette().color(w->backgroundRole());
}
} // namespace

class TestNote : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testutil::useFrenchLocale(); }
    void layout();
    void typingReachesTheRowAtOnce();
    void lineBreaksTravelAsCrLf_data();
    void lineBreaksTravelAsCrLf();
    void emptyNoteIsNoChange();
    void lostFocusWrites();
    void redStateTouchesNamedControlsOnly();
    void closeHandler();
};

void TestNote::layout()
{
    Fixture f;
    QCOMPARE(f.n->size(), QSize(327, 87)); // 4905 x 1305 twips
    QCOMPARE(f.n->Text2->geometry(), QRect(0, 32, 325, 53));
    QCOMPARE(f.n->Command1->text(), QStringLiteral("M'alerter"));
    QCOMPARE(f.n->Command2->text(), QStringLiteral("Pas d'alerte"));
    QVERIFY(!f.n->Frame1->isVisible());
    QVERIFY(f.n->Command1->isEnabled());
    QVERIFY(f.n->Command2->isEnabled());
    QCOMPARE(background(f.n), QColor(255, 255, 128));
    QCOMPARE(f.n->Text2->font().family(), QStringLiteral("Verdana"));
    // Tab order: the text first, then the buttons, the lists and "Ok".
    QList<QWidget *> order;
    QWidget *w = f.n->Text2;
    for (int i = 0; i < 7; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        order << w;
    }
    QCOMPARE(order, (QList<QWidget *>{f.n->Text2, f.n->Command1, f.n->Command2, f.n->Combo1, f.n->Combo2,
                                      f.n->Combo3, f.n->Command3}));
}

void TestNote::typingReachesTheRowAtOnce()
{
    Fixture f;
    f.w.session().flags.textChanged = false;
    QTest::keyClick(f.n->Text2, Qt::Key_X);
    QCOMPARE(f.table().TextMatrix(2, Col::Text), QStringLiteral("note 2x"));
    QVERIFY(f.w.session().flags.textChanged);
    QCOMPARE(f.writes(), 0);
    // The pending text is saved at the next tick.
    f.w.Timer1_Timer();
    QCOMPARE(f.writes(), 1);
    QVERIFY(testutil::readFile(f.home.notesPath()).contains("note 2x"));
}

void TestNote::lineBreaksTravelAsCrLf_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cell");
    QTest::newRow("paragraphs") << QStringLiteral("a\nb\n\nc") << QStringLiteral("a\r\nb\r\n\r\nc");
    QTest::newRow("pasted CR LF") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QStringLiteral("a\r\nb");
    QTest::newRow("trailing break") << QStringLiteral("a\n") << QStringLiteral("a\r\n");
}

void TestNote::lineBreaksTravelAsCrLf()
{
    QFETCH(QString, typed);
    QFETCH(QString, cell);
    Fixture f;
    f.n->Text2->clear();
    f.n->Text2->insertPlainText(typed);
    QCOMPARE(f.table().TextMatrix(2, Col::Text), cell);
    // Shown again, the box holds the same lines.
    f.n->close();
    f.w.Command2_Click();
    QCOMPARE(f_test::toCell(f.w.fenetre(1)->Text2->toPlainText()), cell);
}

void TestNote::emptyNoteIsNoChange()
{
    Fixture f;
    f.n->close();
    f.table().setTextMatrix(2, Col::Text, QString());
    f.w.session().flags.textChanged = false;
    f.w.Command2_Click();
    QVERIFY(!f.w.session().flags.textChanged);
    QCOMPARE(f.w.fenetre(1)->Text2->toPlainText(), QString());
}

void TestNote::lostFocusWrites()
{
    Fixture f;
    f.n->activateWindow();
    f.n->Text2->setFocus();
    QTRY_VERIFY(f.n->Text2->hasFocus());
    f.n->Command2->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(f.writes(), 1);
    f.w.session().flags.autosave = false;
    f.n->Text2->setFocus();
    f.n->Command1->setFocus(Qt::TabFocusReason);
    QCOMPARE(f.writes(), 1);
    f.w.session().flags.autosave = true;
}

void TestNote::redStateTouchesNamedControlsOnly()
{
    Fixture f;
    QWidget *const kept[] = {f.n->Label1, f.n->Command1, f.n->Command2, f.n->Command3,
                             f.n->Combo1, f.n->Combo2,   f.n->Combo3};
    QList<QColor> before;
    for (QWidget *w : kept)
        before << background(w);
    f.n->en_rouge();
    for (QWidget *w : std::initializer_list<QWidget *>{f.n, f.n->Frame1, f.n->Text2, f.n->Label2, f.n->Label3,
                                                       f.n->Label4})
        QCOMPARE(background(w), QColor(255, 0, 0));
    for (int i = 0; i < 7; ++i)
        QVERIFY2(background(kept[i]) == before[i], qPrintable(kept[i]->metaObject()->className()));
    // Still red after the alert is set again or removed; a window opened later starts yellow.
    f.n->Command1_Click();
    f.n->Command3_Click();
    f.n->Command2_Click();
    QCOMPARE(background(f.n), QColor(255, 0, 0));
    f.n->close();
    f.w.Command2_Click();
    QCOMPARE(background(f.w.fenetre(1)), QColor(255, 255, 128));
}

void TestNote::closeHandler()
{
    Fixture f;
    const int slot = f.n->f_monindice;
    f.n->close();
    QCOMPARE(f.writes(), 1);
    QCOMPARE(f.table().TextMatrix(2, Col::Slot), QString());
    QVERIFY(!f.w.session().slotTable.inUse(slot));
    QCOMPARE(f.table().TextMatrix(2, Col::Text), QStringLiteral("note 2"));
    // With autosave off (all windows closed at once) the window writes nothing.
    f.w.Command2_Click();
    f.w.session().flags.autosave = false;
    f.w.fenetre(1)->close();
    QCOMPARE(f.writes(), 1);
    QCOMPARE(f.table().TextMatrix(2, Col::Slot), QString());
    f.w.session().flags.autosave = true;
}

QTEST_MAIN(TestNote)
#include "tst_note.moc"
