// The alert rules without windows: the alert text, the due rule, the alert check's walk over
// the rows (through a fake set of windows) and the aim of the one-minute timer.
#include "alert/alertcheck.h"
#include "alert/alerttext.h"
#include "app/session.h"
#include "store/notesfile.h"
#include "testutil.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>
#include <functional>

namespace {

// Monday 7 December 2026, "lundi 07/12" under French settings.
const QDate kMonday(2026, 12, 7);

QDateTime at(int h, int m, int s = 0, int ms = 0, QDate day = kMonday)
{
    return QDateTime(day, QTime(h, m, s, ms));
}

// Windows that only say what was asked of them. An opened window takes the lowest slot
// not yet given out, as ouvrir_fenetre does, and names it in column 3.
class FakeWindows : public alert::AlertWindows {
public:
    explicit FakeWindows(NoteTable &table) : m_table(table) {}

    bool openRed(int row) override
    {
        if (freeSlots == 0) {
            calls << QStringLiteral("no slot for %1").arg(row);
            return false;
        }
        --freeSlots;
        m_table.setTextMatrix(row, Col::Slot, QString::number(++m_lastSlot));
        calls << QStringLiteral("open %1 red").arg(row);
        return true;
    }
    void turnRed(int slot) override { calls << QStringLiteral("red %1").arg(slot); }

    int freeSlots = 100;
    QStringList calls;

private:
    NoteTable &m_table;
    int m_lastSlot = 10;
};

// A session over a notes file of its own, holding these rows.
struct Fixture {
    explicit Fixture(const QList<QStringList> &rows)
    {
        QDir().mkpath(home.folder());
        session.file.setFolder(home.folder());
        session.table.setUp();
        testutil::fill(session.table, rows);
    }
    QList<QStringList> stored() const
    {
        NoteTable t;
        t.setUp();
        NotesFile(home.folder()).charger_notes(t);
        return testutil::rowsOf(t);
    }
    int writes() const { return session.file.writeCount(); }

    TempDataHome home;
    Session session;
};

} // namespace

class TestAlert : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testutil::useFrenchLocale(); }

    void splitText_data();
    void splitText();
    void everyEditorTextSplitsBack();
    void keys_data();
    void keys();
    void dueRule_data();
    void dueRule();

    void pendingWriteOnlyOffQuarter_data();
    void pendingWriteOnlyOffQuarter();
    void walkActsByColumnThree();
    void walkInRowOrder();
    void dueWithoutFreeSlotIsStillMarked();
    void pendingWriteAndWalkWrite();
    void markedRowNotDueAgain();
    void slotNumbers_data();
    void slotNumbers();

    void aim_data();
    void aim();
    void secondTickInACheckedMinute();
    void ticksFromAnyStart();
    void ticksWithTimerSlack();
};

void TestAlert::splitText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("splits");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("hour");
    QTest::addColumn<QString>("minutes");
    QTest::newRow("half past nine") << "lundi 08/12 9h30" << true << "lundi 08/12"
                                    << "9"
                                    << "30";
    // The "h" of the weekday lies before the second blank and does not count.
    QTest::newRow("dimanche") << "dimanche 14/12 7h00" << true << "dimanche 14/12"
                              << "7"
                              << "00";
    QTest::newRow("two-digit hour") << "mercredi 10/12 19h45" << true << "mercredi 10/12"
                                    << "19"
                                    << "45";
    QTest::newRow("blanks around the parts") << "lundi 08/12  9 h30 " << true << "lundi 08/12"
                                             << "9"
                                             << "30";
    QTest::newRow("no hour") << "lundi 08/12 h30" << true << "lundi 08/12"
                             << ""
                             << "30";
    QTest::newRow("one blank only") << "lundi08/12 9h30" << false << ""
                                    << ""
                                    << "";
    QTest::newRow("no h after the blanks") << "lundi 08/12 9:30" << false << ""
                                           << ""
                                           << "";
    QTest::newRow("no blank") << "lundi" << false << ""
                              << ""
                              << "";
    QTest::newRow("empty") << "" << false << ""
                           << ""
                           << "";
}

void TestAlert::splitText()
{
    QFETCH(QString, text);
    QFETCH(bool, splits);
    const auto parts = alert::split(text);
    QCOMPARE(parts.has_value(), splits);
    if (!splits)
        return;
    QFETCH(QString, day);
    QFETCH(QString, hour);
    QFETCH(QString, minutes);
    QCOMPARE(parts->day, day);
    QCOMPARE(parts->hour, hour);
    QCOMPARE(parts->minutes, minutes);
}

// Whatever the editor can compose, over a month and a year end, splits into what it chose.
void TestAlert::everyEditorTextSplitsBack()
{
    const QStringList days = alert::dayEntries(QDate(2026, 12, 25));
    QCOMPARE(days.size(), 16);
    for (const QString &day : days)
        for (const QString &hour : alert::hourEntries())
            for (const QString &minutes : alert::minuteEntries()) {
                const QString text = alert::compose(day, hour, minutes);
                const auto parts = alert::split(text);
                QVERIFY2(parts, qPrintable(text));
                QCOMPARE(parts->day, day);
                QCOMPARE(parts->hour, hour);
                QCOMPARE(parts->minutes, minutes);
            }
    QCOMPARE(alert::compose(QStringLiteral("lundi 08/12"), QStringLiteral("9"), QStringLiteral("30")),
             QStringLiteral("lundi 08/12 9h30"));
}

void TestAlert::keys_data()
{
    QTest::addColumn<QString>("alertText");
    QTest::addColumn<QString>("key");
    QTest::newRow("9h30") << "lundi 08/12 9h30"
                          << "0930";
    QTest::newRow("19h00") << "lundi 08/12 19h00"
                           << "1900";
    QTest::newRow("7h45") << "lundi 08/12 7h45"
                          << "0745";
    QTest::newRow("single-digit minutes") << "lundi 08/12 10h5"
                                          << "1005";
}

void TestAlert::keys()
{
    QFETCH(QString, alertText);
    QFETCH(QString, key);
    QCOMPARE(alert::alertKey(*alert::split(alertText)), key);
    QCOMPARE(alert::nowKey(QTime(9, 30)), QStringLiteral("0930"));
    QCOMPARE(alert::nowKey(QTime(0, 0, 59)), QStringLiteral("0000"));
    QCOMPARE(alert::nowKey(QTime(23, 45)), QStringLiteral("2345"));
}

void TestAlert::dueRule_data()
{
    QTest::addColumn<QString>("alertText");
    QTest::addColumn<QString>("alerted");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("due");
    QTest::newRow("at its time") << "lundi 07/12 10h15"
                                 << "" << at(10, 15) << true;
    QTest::newRow("after its time") << "lundi 07/12 9h30"
                                    << "" << at(10, 15) << true;
    QTest::newRow("before its time") << "lundi 07/12 10h30"
                                     << "" << at(10, 15) << false;
    // Keys compare as four-digit texts: 9h45 comes before 10h00, not after.
    QTest::newRow("9h45 at 10:00") << "lundi 07/12 9h45"
                                   << "" << at(10, 0) << true;
    QTest::newRow("10h00 at 9:45") << "lundi 07/12 10h00"
                                   << "" << at(9, 45) << false;
    QTest::newRow("19h45 at 23:45") << "lundi 07/12 19h45"
                                    << "" << at(23, 45) << true;
    QTest::newRow("alerted") << "lundi 07/12 9h30"
                             << "1" << at(10, 15) << false;
    QTest::newRow("flag not 1") << "lundi 07/12 9h30"
                                << "0" << at(10, 15) << true;
    QTest::newRow("yesterday") << "dimanche 06/12 9h30"
                               << "" << at(10, 15) << false;
    QTest::newRow("tomorrow") << "mardi 08/12 7h00"
                              << "" << at(10, 15) << false;
    QTest::newRow("after midnight") << "lundi 07/12 19h45"
                                    << "" << at(0, 0, 0, 0, kMonday.addDays(1)) << false;
    QTest::newRow("weekday in capitals") << "Lundi 07/12 9h30"
                                         << "" << at(10, 15) << false;
    QTest::newRow("same date a year on") << "lundi 07/12 9h30"
                                         << "" << at(10, 15, 0, 0, QDate(2037, 12, 7)) << true;
    QTest::newRow("blanks only") << "   "
                                 << "" << at(10, 15) << false;
    QTest::newRow("empty") << ""
                           << "" << at(10, 15) << false;
    QTest::newRow("cannot be split") << "lundi07/12 9h30"
                                     << "" << at(10, 15) << false;
}

void TestAlert::dueRule()
{
    QFETCH(QString, alertText);
    QFETCH(QString, alerted);
    QFETCH(QDateTime, now);
    QFETCH(bool, due);
    QCOMPARE(alert::isDue(alertText, alerted, alert::dayText(now.date()), alert::nowKey(now.time())), due);
}

void TestAlert::pendingWriteOnlyOffQuarter_data()
{
    QTest::addColumn<int>("minute");
    QTest::addColumn<bool>("walks");
    for (int m : {0, 15, 30, 45})
        QTest::addRow("%02d", m) << m << true;
    for (int m : {1, 7, 14, 16, 29, 44, 59})
        QTest::addRow("%02d", m) << m << false;
}

// Off the quarter hours a tick only writes what was typed; at them it walks and writes.
void TestAlert::pendingWriteOnlyOffQuarter()
{
    QFETCH(int, minute);
    QFETCH(bool, walks);
    Fixture f({{"Le 01/12 à 16:26", "pain", "lundi 07/12 7h00", "", ""}});
    FakeWindows windows(f.session.table);

    QVERIFY(alert::check(f.session, at(11, minute, 30), windows).isEmpty() != walks);
    QCOMPARE(f.writes(), walks ? 1 : 0);
    QCOMPARE(f.session.table.TextMatrix(1, Col::Alerted), walks ? QStringLiteral("1") : QString());

    f.session.table.setTextMatrix(1, Col::Text, QStringLiteral("pain et lait"));
    f.session.flags.textChanged = true;
    alert::check(f.session, at(11, minute, 45), windows);
    QVERIFY(!f.session.flags.textChanged);
    QCOMPARE(f.writes(), walks ? 3 : 1);
    QCOMPARE(f.stored().value(0).value(Col::Text), QStringLiteral("pain et lait"));
}

void TestAlert::walkActsByColumnThree()
{
    const QString due = QStringLiteral("lundi 07/12 10h00");
    Fixture f({
        {"Le 01/12 à 08:00", "sans fenêtre", due, "", ""},
        {"Le 01/12 à 08:01", "fenêtre ouverte", due, "4", ""},
        {"Le 01/12 à 08:02", "ligne vide", due, "-1", ""},
        {"Le 01/12 à 08:03", "pas un emplacement", due, "abc", ""},
        {"Le 01/12 à 08:04", "zéro en tête", due, "07", ""},
        {"Le 01/12 à 08:05", "hors limites", due, "101", ""},
        {"Le 01/12 à 08:06", "illisible", "lundi07/12 10h00", "", ""},
        {"Le 01/12 à 08:07", "plus tard", "lundi 07/12 10h30", "", ""},
    });
    FakeWindows windows(f.session.table);
    const QList<int> fell = alert::check(f.session, at(10, 15), windows);

    QCOMPARE(fell, (QList<int>{1, 2, 3}));
    QCOMPARE(windows.calls, (QStringList{"open 1 red", "red 4"}));
    const QStringList alerted = {"1", "1", "1", "", "", "", "", ""};
    for (int r = 1; r <= alerted.size(); ++r)
        QCOMPARE(f.session.table.TextMatrix(r, Col::Alerted), alerted[r - 1]);
    QCOMPARE(f.session.table.TextMatrix(1, Col::Slot), QStringLiteral("11"));
    // The file is written after the walk: it holds every mark.
    QCOMPARE(f.writes(), 1);
    const QList<QStringList> stored = f.stored();
    for (int r = 1; r <= alerted.size(); ++r)
        QCOMPARE(stored[r - 1][Col::Alerted], alerted[r - 1]);
}

void TestAlert::walkInRowOrder()
{
    Fixture f({
        {"Le 01/12 à 08:00", "a", "lundi 07/12 10h15", "", ""},
        {"Le 01/12 à 08:01", "b", "lundi 07/12 10h15", "2", ""},
        {"Le 01/12 à 08:02", "c", "", "", ""},
        {"Le 01/12 à 08:03", "d", "lundi 07/12 9h00", "", ""},
        {"Le 01/12 à 08:04", "e", "lundi 07/12 7h00", "1", ""},
    });
    FakeWindows windows(f.session.table);
    QCOMPARE(alert::check(f.session, at(10, 15), windows), (QList<int>{1, 2, 4, 5}));
    QCOMPARE(windows.calls, (QStringList{"open 1 red", "red 2", "open 4 red", "red 1"}));
}

// No free slot: nothing opens, the row is marked all the same, the others go on.
void TestAlert::dueWithoutFreeSlotIsStillMarked()
{
    Fixture f({
        {"Le 01/12 à 08:00", "a", "lundi 07/12 10h15", "", ""},
        {"Le 01/12 à 08:01", "b", "lundi 07/12 10h15", "", ""},
        {"Le 01/12 à 08:02", "c", "lundi 07/12 10h15", "9", ""},
    });
    FakeWindows windows(f.session.table);
    windows.freeSlots = 1;
    QCOMPARE(alert::check(f.session, at(10, 15), windows), (QList<int>{1, 2, 3}));
    QCOMPARE(windows.calls, (QStringList{"open 1 red", "no slot for 2", "red 9"}));
    QCOMPARE(f.session.table.TextMatrix(2, Col::Slot), QString());
    QCOMPARE(f.session.table.TextMatrix(2, Col::Alerted), QStringLiteral("1"));
}

// Both writes happen at a quarter-hour tick with a pending edit, whatever autosave says.
void TestAlert::pendingWriteAndWalkWrite()
{
    Fixture f({{"Le 01/12 à 08:00", "a", "", "", ""}});
    FakeWindows windows(f.session.table);
    f.session.flags.autosave = false;
    f.session.flags.textChanged = true;
    alert::check(f.session, at(10, 30), windows);
    QCOMPARE(f.writes(), 2);
    QVERIFY(windows.calls.isEmpty());
}

// An alert falls due once: the next quarter hours find it marked, also after a restart.
void TestAlert::markedRowNotDueAgain()
{
    Fixture f({{"Le 01/12 à 08:00", "a", "lundi 07/12 10h15", "", ""}});
    FakeWindows windows(f.session.table);
    QCOMPARE(alert::check(f.session, at(10, 15), windows).size(), 1);
    QCOMPARE(alert::check(f.session, at(10, 15, 40), windows).size(), 0);
    QCOMPARE(alert::check(f.session, at(10, 30), windows).size(), 0);

    Session restarted;
    restarted.file.setFolder(f.home.folder());
    restarted.table.setUp();
    QCOMPARE(restarted.file.charger_notes(restarted.table), 1);
    QCOMPARE(alert::check(restarted, at(10, 45), windows).size(), 0);
    QCOMPARE(windows.calls, QStringList{"open 1 red"});
}

void TestAlert::slotNumbers_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("slot");
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("100") << "100" << 100;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("101") << "101" << 0;
    QTest::newRow("placeholder") << "-1" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("leading zero") << "07" << 0;
    QTest::newRow("sign") << "+7" << 0;
    QTest::newRow("blank") << " 7" << 0;
    QTest::newRow("letters") << "sept" << 0;
    QTest::newRow("huge") << "99999999999999999999" << 0;
}

void TestAlert::slotNumbers()
{
    QFETCH(QString, cell);
    QFETCH(int, slot);
    QCOMPARE(alert::slotNumber(cell), slot);
}

void TestAlert::aim_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("wait");
    QTest::newRow("on the minute") << at(10, 14, 0) << 61000;
    QTest::newRow("aimed tick") << at(10, 14, 1) << 60000;
    QTest::newRow("late tick") << at(10, 14, 30, 250) << 30750;
    QTest::newRow("just before the minute") << at(10, 14, 59, 900) << 1100;
    QTest::newRow("before midnight") << at(23, 59, 1) << 60000;
    const QTimeZone paris("Europe/Paris");
    // 02:00 does not exist on 29 March: the next minute after 01:59 is 03:00.
    QTest::newRow("spring forward") << QDateTime(QDate(2026, 3, 29), QTime(1, 59, 1), paris) << 60000;
    QTest::newRow("fall back") << QDateTime(QDate(2026, 10, 25), QTime(2, 59, 1), paris) << 60000;
}

void TestAlert::aim()
{
    QFETCH(QDateTime, now);
    QFETCH(int, wait);
    const alert::TickPlan plan = alert::planTick(now, QDateTime());
    QVERIFY(plan.check);
    QCOMPARE(plan.msToNext, wait);
    const QDateTime next = now.addMSecs(plan.msToNext);
    QCOMPARE(next.time().second(), 1);
    QCOMPARE(next.time().msec(), 0);
    QCOMPARE(plan.minute.secsTo(next), 61);
}

// A tick that comes early, late in the minute it already checked, waits for the next one
// instead of checking this one twice; one in another minute, even an earlier one, checks.
void TestAlert::secondTickInACheckedMinute()
{
    const alert::TickPlan first = alert::planTick(at(10, 15, 1), QDateTime());
    QVERIFY(first.check);
    QCOMPARE(first.minute, at(10, 15));

    const alert::TickPlan early = alert::planTick(at(10, 15, 59, 900), first.minute);
    QVERIFY(!early.check);
    QCOMPARE(early.msToNext, 1100);

    QVERIFY(alert::planTick(at(10, 16, 0, 100), first.minute).check);
    QVERIFY(alert::planTick(at(9, 15, 1), first.minute).check); // the clock went back an hour
    QVERIFY(alert::planTick(at(10, 15, 1, 0, kMonday.addDays(1)), first.minute).check);
}

namespace {
// Runs the timer as QTimer would, for `minutes` minutes of elapsed time from `start`: armed
// at start, each firing `slack(i)` ms off its aim. Returns the clock at every tick that checked.
QList<QDateTime> runTimer(const QDateTime &start, int minutes, const std::function<int(int)> &slack)
{
    QList<QDateTime> checked;
    QDateTime last;
    QDateTime now = start;
    int wait = alert::planTick(start, last).msToNext;
    for (int i = 0; start.secsTo(now) < minutes * 60; ++i) {
        now = now.addMSecs(qMax(0, wait + slack(i)));
        const alert::TickPlan plan = alert::planTick(now, last);
        if (plan.check) {
            last = plan.minute;
            checked << now;
        }
        wait = plan.msToNext;
    }
    return checked;
}

// Every minute from the first checked one on has one check and only one.
void verifyOnePerMinute(const QList<QDateTime> &checked)
{
    QVERIFY(checked.size() > 2);
    for (int i = 1; i < checked.size(); ++i) {
        const QTime a = checked[i - 1].time(), b = checked[i].time();
        QCOMPARE(QTime(a.hour(), a.minute()).addSecs(60), QTime(b.hour(), b.minute()));
    }
}
} // namespace

void TestAlert::ticksFromAnyStart()
{
    for (int ms = 0; ms < 60000; ms += 250) {
        const QDateTime start = at(10, 13).addMSecs(ms);
        const QList<QDateTime> checked = runTimer(start, 5, [](int) { return 0; });
        verifyOnePerMinute(checked);
        if (QTest::currentTestFailed())
            return;
        // The first tick comes at the start of the next minute, not a minute after start-up.
        QCOMPARE(checked.first(), at(10, 14, 1));
        for (const QDateTime &t : checked)
            QCOMPARE(t.time().second(), 1);
    }
}

// Timer slack: a tick may come up to 1.5 s early or 20 s late; every minute is still
// checked once, and the quarter hours never wait for the next one.
void TestAlert::ticksWithTimerSlack()
{
    QRandomGenerator random(20261207);
    for (int run = 0; run < 50; ++run) {
        const QDateTime start = at(10, 0).addMSecs(random.bounded(60000));
        const QList<QDateTime> checked = runTimer(start, 120, [&](int) {
            const int r = random.bounded(100);
            return r < 30 ? -random.bounded(1500) : r < 40 ? random.bounded(20000) : random.bounded(50);
        });
        verifyOnePerMinute(checked);
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(TestAlert)
#include "tst_alert.moc"
