// Alerts: the due rule at its edges, the walk over every kind of row, the timer's aim, and the
// real main window's timer with real note windows and the real notes file, on a clock the test
// sets: what comes up red, where, and only once.
#include "alert/alertcheck.h"
#include "alert/alerttext.h"
#include "testapp.h"

#include <QPlainTextEdit>
#include <QTimeZone>

namespace {
QDateTime at(int h, int m, int s = 0, QDate day = QDate(2026, 12, 7)) // a Monday, "lundi 07/12"
{
    return QDateTime(day, QTime(h, m, s));
}
QStringList note(const QString &text, const QString &alertText)
{
    return {QStringLiteral("Le 01/12 à 16:26"), text, alertText, QString()};
}
} // namespace

class TestAlert : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void init() { testutil::failOnUnexpectedWarnings(); }
    void dueRule_data();
    void dueRule();
    void walkEveryRow();
    void timerAim_data();
    void timerAim();
    void dueNotesComeUp();
};

void TestAlert::dueRule_data()
{
    QTest::addColumn<QString>("alertText");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("alerted");
    QTest::addColumn<bool>("due");
    QTest::newRow("at its time") << "lundi 07/12 10h15" << at(10, 15) << "" << true;
    QTest::newRow("a second before") << "lundi 07/12 10h15" << at(10, 14, 59) << "" << false;
    QTest::newRow("9h45 at 10:00") << "lundi 07/12 9h45" << at(10, 0) << "" << true; // "0945" < "1000"
    QTest::newRow("10h00 at 9:45") << "lundi 07/12 10h00" << at(9, 45) << "" << false;
    QTest::newRow("alerted") << "lundi 07/12 9h30" << at(10, 15) << "1" << false;
    QTest::newRow("flag not 1") << "lundi 07/12 9h30" << at(10, 15) << "0" << true;
    QTest::newRow("yesterday") << "dimanche 06/12 19h45" << at(10, 15) << "" << false;
    QTest::newRow("after midnight") << "lundi 07/12 19h45" << at(0, 0, 0, QDate(2026, 12, 8)) << "" << false;
    QTest::newRow("weekday in capitals") << "Lundi 07/12 9h30" << at(10, 15) << "" << false;
    QTest::newRow("cannot be split") << "lundi07/12 9h30" << at(10, 15) << "" << false;
}

void TestAlert::dueRule()
{
    QFETCH(QString, alertText);
    QFETCH(QString, alerted);
    QFETCH(QDateTime, now);
    QFETCH(bool, due);
    QCOMPARE(alert::isDue(alertText, alerted, alert::dayText(now.date()), alert::nowKey(now.time())), due);
}

// Windows open in slots 1 to 100, the one of slot "100" turned red where it stands; a due note with
// no slot left is marked all the same; a column 3 that names no slot leaves its row as it is.
void TestAlert::walkEveryRow()
{
    MockClock clock;
    Session session(clock);
    FakeWindows windows([&session](NoteWindow &w) { session.windowClosed(w); });
    session.setWindowMaker(&windows);
    QList<QStringList> rows;
    for (int i = 1; i <= 100; ++i)
        rows << QStringList{"", "note", i == 100 ? "lundi 07/12 10h00" : "", "", ""};
    rows << QStringList{"", "sans place", "lundi 07/12 10h15", "", ""} << QStringList{"", "", "", "-1", ""}
         << QStringList{"", "hors liste", "lundi 07/12 9h00", "07", ""};
    session.table = testutil::tableOf(rows);
    for (int r = 1; r <= 100; ++r)
        session.ouvrir_fenetre(r, NoteWindowMaker::Fill::Existing);
    windows.log.clear();
    QCOMPARE(alert::walk(session, at(10, 15, 1)), (QList<int>{100, 101}));
    QCOMPARE(windows.log, QStringList{"red 100"});
    QCOMPARE(testutil::rowsOf(session.table).mid(100),
             (QList<QStringList>{{"", "sans place", "lundi 07/12 10h15", "", "1"},
                                 {"", "", "", "-1", ""},
                                 {"", "hors liste", "lundi 07/12 9h00", "07", ""}}));
}

void TestAlert::timerAim_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("lastChecked");
    QTest::addColumn<bool>("check");
    QTest::addColumn<int>("msToNext");
    QTest::newRow("first tick") << at(10, 14, 30) << QDateTime() << true << 31000;
    QTest::newRow("on time") << at(10, 15, 1) << at(10, 14) << true << 60000;
    QTest::newRow("fired early, same minute") << at(10, 14, 59) << at(10, 14) << false << 2000;
    QTest::newRow("late by a minute and more") << at(10, 16, 20) << at(10, 14) << true << 41000;
    QTest::newRow("clock set back") << at(10, 10, 1) << at(10, 14) << true << 60000;
    const QTimeZone paris("Europe/Paris"); // 29 March 2026, 2h00 becomes 3h00
    QTest::newRow("summer time") << QDateTime(QDate(2026, 3, 29), QTime(3, 0, 1), paris)
                                 << QDateTime(QDate(2026, 3, 29), QTime(1, 59), paris) << true << 60000;
}

// Aimed one second past each minute from the clock alone; a minute is walked once.
void TestAlert::timerAim()
{
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, lastChecked);
    QFETCH(bool, check);
    QFETCH(int, msToNext);
    const alert::TickPlan plan = alert::planTick(now, lastChecked);
    QCOMPARE(plan.check, check);
    QCOMPARE(plan.msToNext, msToNext);
    QCOMPARE(plan.minute.secsTo(now), now.time().second());
}

// At 10:15 due notes without a window come up red in the cells of the lowest free slots, in row
// order; an open one turns red where it stands, as it is. The file holds the marks. Closed, a red
// window stays closed, at the next quarter hours and after a restart.
void TestAlert::dueNotesComeUp()
{
    App app(testutil::records({note("un", "lundi 07/12 10h00"), note("deux", "lundi 07/12 10h15"),
                               note("Appeler le garage\r\navant midi", "lundi 07/12 10h15"),
                               note("quatre", "lundi 07/12 10h30")}),
            at(10, 10));
    QPointer<f_test> open = app.view(2); // slot 1
    open->move(40, 50);
    app.table().setTextMatrix(2, Col::Stamp, QStringLiteral("Le 02/12 à 09:05")); // what a reload would show
    app.tick(at(10, 14, 1));
    QVERIFY(!open->isRed());
    app.tick(at(10, 15, 1));
    QCOMPARE(app.openSlots(), (QList<int>{1, 2, 3}));
    QVERIFY(open->isRed() && app.windowOf(1)->isRed() && app.windowOf(3)->isRed());
    QCOMPARE(open->pos(), QPoint(40, 50));
    QCOMPARE(open->windowTitle(), QStringLiteral("Le 01/12 à 16:26"));
    f_test *w = app.windowOf(3);
    QCOMPARE(w->frameGeometry().topLeft(), QPoint(469, 464)); // slot 3: 5040 twips above the bottom
    QCOMPARE(App::child<QPlainTextEdit>(w, "Text2")->toPlainText(),
             QStringLiteral("Appeler le garage\navant midi"));
    QStringList marks;
    for (const QStringList &row : testutil::storedRows(app.home.folder()))
        marks << row[Col::Alerted];
    QCOMPARE(marks, (QStringList{"1", "1", "1", ""}));

    w->close();
    app.tick(at(10, 30, 1));
    QVERIFY(!app.windowOf(3));
    App restarted(testutil::readFile(app.home.notesPath()), at(10, 44));
    restarted.tick(at(10, 45, 1));
    QVERIFY(restarted.openSlots().isEmpty());
}

QTEST_MAIN(TestAlert)
#include "tst_alert.moc"
