// Alerts: the due rule, "Reporter", the walk over every kind of row, and the real window's timer
// on a clock the test sets: what is written and what comes up red.
#include "alert/alertcheck.h"
#include "alert/alerttext.h"
#include "alert/clockwatch.h"
#include "testapp.h"

#include <numeric>

namespace {
QDateTime at(int h, int m, int s = 0, QDate day = QDate(2026, 12, 7)) // a Monday, "lundi 07/12"
{
    return QDateTime(day, QTime(h, m, s));
}

} // namespace

class TestAlert : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void init() { testutil::failOnUnexpectedWarnings(); }

    // Due: today's alert, its time reached (compared as "hhmm" text), not alerted ("1").
    void dueRule_data()
    {
        QTest::addColumn<QString>("alertText");
        QTest::addColumn<QString>("now"); // the day's text and "hhmm"
        QTest::addColumn<QString>("alerted");
        QTest::addColumn<bool>("due");
        // clang-format off
        QTest::newRow("on the quarter")    << "lundi 07/12 10h15"    << "lundi 07/12 1015" << ""  << true;
        QTest::newRow("a minute before")   << "lundi 07/12 10h15"    << "lundi 07/12 1014" << ""  << false;
        QTest::newRow("0945 < 1000")       << "lundi 07/12 9h45"     << "lundi 07/12 1000" << ""  << true;
        QTest::newRow("the last quarter")  << "lundi 07/12 19h45"    << "lundi 07/12 1945" << ""  << true;
        QTest::newRow("later today")       << "lundi 07/12 10h00"    << "lundi 07/12 0945" << ""  << false;
        QTest::newRow("alerted")           << "lundi 07/12 9h30"     << "lundi 07/12 1015" << "1" << false;
        QTest::newRow("mark other than 1") << "lundi 07/12 9h30"     << "lundi 07/12 1015" << "0" << true;
        QTest::newRow("yesterday")         << "dimanche 06/12 9h30"  << "lundi 07/12 1015" << ""  << false;
        QTest::newRow("the day after")     << "lundi 07/12 19h45"    << "mardi 08/12 1945" << ""  << false;
        QTest::newRow("capital")           << "Lundi 07/12 9h30"     << "lundi 07/12 1015" << ""  << false;
        QTest::newRow("no first blank")    << "lundi07/12 9h30"      << "lundi 07/12 1015" << ""  << false;
        // clang-format on
    }
    void dueRule()
    {
        QFETCH(QString, alertText);
        QFETCH(QString, now);
        QFETCH(QString, alerted);
        QFETCH(bool, due);
        QCOMPARE(alert::isDue(alertText, alerted, now.section(u' ', 0, 1), now.section(u' ', 2)), due);
    }

    // "Reporter": the first quarter hour at least 15 minutes on, within 7h00 to 19h45, as the
    // editor would spell it.
    void postpone_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("alertText");
        // clang-format off
        QTest::newRow("on a quarter")        << at(10, 0)          << "lundi 07/12 10h15";
        QTest::newRow("a minute past")       << at(10, 1)          << "lundi 07/12 10h30";
        QTest::newRow("seconds not counted") << at(10, 15, 59)     << "lundi 07/12 10h30";
        QTest::newRow("hour of one digit")   << at(8, 50)          << "lundi 07/12 9h15";
        QTest::newRow("19h25")               << at(19, 25)         << "lundi 07/12 19h45";
        QTest::newRow("19h30")               << at(19, 30)         << "lundi 07/12 19h45";
        QTest::newRow("19h31")               << at(19, 31)         << "mardi 08/12 7h00";
        QTest::newRow("19h40")               << at(19, 40)         << "mardi 08/12 7h00";
        QTest::newRow("19h45")               << at(19, 45)         << "mardi 08/12 7h00";
        QTest::newRow("before midnight")     << at(23, 55)         << "mardi 08/12 7h00";
        QTest::newRow("early morning")       << at(5, 30)          << "lundi 07/12 7h00";
        QTest::newRow("6h45")                << at(6, 45)          << "lundi 07/12 7h00";
        QTest::newRow("6h46")                << at(6, 46)          << "lundi 07/12 7h15";
        QTest::newRow("new year")            << at(19, 50, 0, QDate(2026, 12, 31)) << "vendredi 01/01 7h00";
        // clang-format on
    }
    void postpone()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, alertText);
        QCOMPARE(alert::postponed(now), alertText);
    }

    // All 100 slots taken: slot "100"'s window turns red where it is, a due note without a slot is
    // marked all the same, a column 3 naming no slot leaves its row as it is.
    void walkEveryRow()
    {
        QList<QStringList> rows;
        for (int i = 1; i <= 100; ++i)
            rows << QStringList{"", "note", i == 100 ? "lundi 07/12 10h00" : "", "", ""};
        rows << QStringList{"", "sans place", "lundi 07/12 10h15", "", ""}
             << QStringList{"", "", "", "-1", ""}
             << QStringList{"", "hors liste", "lundi 07/12 9h00", "07", ""};
        QList<int> all(100);
        std::iota(all.begin(), all.end(), 1);
        FakeSession fake(rows, all);
        QCOMPARE(alert::walk(fake.session, at(10, 15, 1)), (QList<int>{100, 101}));
        QCOMPARE(fake.log, QStringList{"red 100"});
        QCOMPARE(testutil::rowsOf(fake.session.table).mid(100),
                 (QList<QStringList>{{"", "sans place", "lundi 07/12 10h15", "", "1"},
                                     {"", "", "", "-1", ""},
                                     {"", "hors liste", "lundi 07/12 9h00", "07", ""}}));
    }

    // The wall clock set under the program (a laptop opened, a clock changed by hand): a quarter
    // hour it stepped over is ticked at once, late; a jump that steps over none raises nothing.
    void clockSet_data()
    {
        QTest::addColumn<QDateTime>("lastTick");
        QTest::addColumn<QDateTime>("setTo");
        QTest::addColumn<QString>("mark");
        QTest::newRow("9:00 to 10:20, over 10:15") << at(9, 0, 1) << at(10, 20, 5) << "1";
        QTest::newRow("10:01 to 10:14") << at(10, 1, 1) << at(10, 14, 40) << "";
        QTest::newRow("back, 10:40 to 10:20") << at(10, 40, 1) << at(10, 20, 5) << "";
    }
    void clockSet()
    {
        QFETCH(QDateTime, lastTick);
        QFETCH(QDateTime, setTo);
        QFETCH(QString, mark);
        App app(testutil::records({{"Le 01/12 à 16:26", "un", "lundi 07/12 10h15", ""}}),
                lastTick.addSecs(-61));
        app.tick(lastTick);
        app.clock.set(setTo);
        emit app.w.findChild<alert::ClockWatch *>()->clockSet();
        QCOMPARE(app.stored().value(0).value(Col::Alerted), mark);
        QCOMPARE(app.windowOf(1) && app.windowOf(1)->isRed(), !mark.isEmpty());
    }

    // A quarter-hour tick writes the list even when nothing falls due: a note removed with
    // "Supprimer", no window open, reaches the file then, and not at the minute before.
    void quarterTickWrites()
    {
        App app(testutil::records({{"Le 01/12 à 16:26", "un", "", ""}, {"Le 01/12 à 16:27", "deux", "", ""}}),
                at(10, 28));
        const QByteArray before = testutil::readFile(app.home.notesPath());
        app.select(1);
        app.click("Command3");
        app.tick(at(10, 29, 1));
        QCOMPARE(testutil::readFile(app.home.notesPath()), before);
        app.tick(at(10, 30, 1));
        QCOMPARE(testutil::readFile(app.home.notesPath()), "\"Le 01/12 \xe0 16:27\",\"deux\",\"\",\"\"\r\n");
    }
};

QTEST_MAIN(TestAlert)
#include "tst_alert.moc"
