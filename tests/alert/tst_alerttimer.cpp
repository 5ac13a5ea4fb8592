// The alert timer in the real main window, with real note windows and the real notes file,
// driven by a clock the test sets: what comes up red, where, when, and what the file holds.
#include "alert/alertcheck.h"
#include "app/f_iir.h"
#include "app/placement.h"
#include "note/f_test.h"
#include "testutil.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeZone>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

const QDate kMonday(2026, 12, 7); // "lundi 07/12"
const QColor kRed(255, 0, 0);
const QColor kLightYellow(255, 255, 128);

QDateTime at(int h, int m, int s = 0, QDate day = kMonday)
{
    return QDateTime(day, QTime(h, m, s));
}

// Paris time from UTC, so that the hour that comes twice in October is not ambiguous.
QDateTime paris(QDate day, int utcHour, int m, int s)
{
    return QDateTime(day, QTime(utcHour, m, s), Qt::UTC).toTimeZone(QTimeZone("Europe/Paris"));
}

// A record of the notes file: stamp, text, alert text, alerted flag.
QStringList note(const QString &text, const QString &alertText, const QString &alerted = QString())
{
    return {QStringLiteral("Le 01/12 à 16:26"), text, alertText, alerted};
}

// The real program on a notes file of its own, its clock in the test's hands.
struct App {
    App(const QList<QStringList> &records, const QDateTime &start) : clock(start)
    {
        if (!records.isEmpty()) {
            QString text;
            for (const QStringList &r : records)
                text += QLatin1Char('"') + r.join(QStringLiteral("\",\"")) + QStringLiteral("\"\r\n");
            testutil::writeFile(home.notesPath(), testutil::cp1252(text));
        }
        main = std::make_unique<f_iir>(clock);
        main->Form_Load();
    }

    NoteTable &table() { return main->session().table; }
    QString cell(int row, int col) { return table().TextMatrix(row, col); }
    int writes() const { return main->session().file.writeCount(); }

    // The open note window of a slot; a closed one may linger until deleted.
    f_test *window(int slot) const
    {
        return main->session().slotTable.inUse(slot) ? main->fenetre(slot) : nullptr;
    }
    f_test *windowOfRow(int row) { return window(alert::slotNumber(cell(row, Col::Slot))); }
    QList<f_test *> openWindows() const
    {
        QList<f_test *> open;
        for (int s = 1; s <= SlotTable::kMax; ++s)
            if (f_test *w = window(s))
                open << w;
        return open;
    }

    // "Voir" on a row.
    f_test *view(int row)
    {
        table().setRow(row);
        main->Command2_Click();
        return windowOfRow(row);
    }

    void tick(const QDateTime &t)
    {
        clock.set(t);
        main->Timer1_Timer();
    }

    QList<QStringList> stored() const
    {
        NoteTable t;
        t.setUp();
        NotesFile(home.folder()).charger_notes(t);
        return testutil::rowsOf(t);
    }

    QPoint cellOf(int slot) const
    {
        const QPoint c = cellOfSlot(slot, main->session().workArea);
        return QPoint(twipsToPixels(c.x()), twipsToPixels(c.y()));
    }

    TempDataHome home;
    MockClock clock;
    std::unique_ptr<f_iir> main;
};

QColor background(const QWidget *w)
{
    return w->palette().color(QPalette::Window);
}

// Sets an alert in a window's editor as the user does: "M'alerter", the lists, "Ok".
void setAlert(f_test *w, int dayIndex, const QString &hour, const QString &minutes)
{
    w->Command1_Click();
    w->Combo1->setCurrentIndex(dayIndex);
    w->Combo2->setCurrentIndex(w->Combo2->findText(hour));
    w->Combo3->setCurrentIndex(w->Combo3->findText(minutes));
    w->Command3_Click();
}

// A change of the clock while the timer waits: set to a time, or a suspend during which
// the clock goes on and the timer does not.
struct ClockEvent {
    qint64 atMs = 0; // time since start-up, as the timer counts it
    QDateTime setTo;
    qint64 suspendMs = 0;
};

QString stamp(const QDateTime &t, const char *format)
{
    QString s = t.toString(QLatin1String(format));
    if (t.timeSpec() == Qt::TimeZone)
        s += QStringLiteral(" +%1").arg(t.offsetFromUtc() / 3600);
    return s;
}

// What a run of the timer did: the rows that came up red (each window is closed by the user
// at once, so an alert raised twice would show twice), the minutes walked, the ticks that
// did not fall one second into a minute although the clock had not been changed.
struct Run {
    QStringList raised;
    QStringList walked;
    QStringList notAimed;
};

Run runTimer(App &app, qint64 durationMs, QList<ClockEvent> events)
{
    Run run;
    qint64 elapsed = 0;
    qint64 deadline = app.main->Timer1->interval(); // armed when the window was made
    bool clockChanged = false;
    auto moveOn = [&](qint64 to) {
        app.clock.set(app.clock.now().addMSecs(to - elapsed));
        elapsed = to;
    };
    while (elapsed < durationMs) {
        if (!events.isEmpty() && events.first().atMs < deadline) {
            const ClockEvent e = events.takeFirst();
            moveOn(e.atMs);
            app.clock.set(e.setTo.isValid() ? e.setTo : app.clock.now().addMSecs(e.suspendMs));
            clockChanged = true;
            continue;
        }
        moveOn(deadline);
        const QDateTime now = app.clock.now();
        if (!clockChanged && (now.time().second() != 1 || now.time().msec() != 0))
            run.notAimed << stamp(now, "dd/MM HH:mm:ss.zzz");
        clockChanged = false;
        const int writes = app.writes();
        app.main->Timer1_Timer();
        if (app.writes() > writes)
            run.walked << stamp(now, "dd/MM HH:mm");
        deadline = elapsed + app.main->Timer1->interval();
        for (f_test *w : app.openWindows()) {
            if (w->isRed()) {
                run.raised << QString::number(w->f_pos) + QLatin1Char(' ') + stamp(now, "dd/MM HH:mm:ss");
                w->close();
            }
        }
    }
    return run;
}

} // namespace

Q_DECLARE_METATYPE(QList<ClockEvent>)

class TestAlertTimer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testutil::useFrenchLocale(); }

    void timerIsAimed();
    void earlyTickOnlyWritesPendingText();
    void minuteSevenOnlyPendingWrite();
    void dueNoteComesUpInItsCell();
    void openWindowTurnsRedInPlace();
    void alertSetLateFallsDue_data();
    void alertSetLateFallsDue();
    void twoDueNotesInRowOrder();
    void windowOpenOverMidnight();
    void closedRedWindowNotRaisedAgain();
    void placeholderNeverDue();
    void handEditedAlertText();
    void noFreeSlot();
    void clockFaults_data();
    void clockFaults();
};

void TestAlertTimer::timerIsAimed()
{
    App app({}, at(10, 14, 30).addMSecs(250));
    QTimer *t = app.main->Timer1;
    QVERIFY(t->isActive());
    QVERIFY(t->isSingleShot());
    QCOMPARE(t->timerType(), Qt::PreciseTimer);
    QCOMPARE(t->interval(), 30750); // to 10:15:01
    app.tick(at(10, 15, 1));
    QVERIFY(t->isActive());
    QCOMPARE(t->interval(), 60000);
    app.tick(at(10, 15, 59).addMSecs(900)); // early: minute 15 was checked already
    QCOMPARE(t->interval(), 1100);
    app.tick(at(11, 40, 13)); // the clock moved: aimed again from it
    QCOMPARE(t->interval(), 48000);
}

// A tick that comes early, late in a minute already walked, writes what was typed but does
// not walk that minute again: the next quarter hour does.
void TestAlertTimer::earlyTickOnlyWritesPendingText()
{
    App app({note(QStringLiteral("a"), QStringLiteral("lundi 07/12 10h15")),
             note(QStringLiteral("b"), QString())},
            at(10, 10));
    app.tick(at(10, 15, 1));
    app.windowOfRow(1)->close();
    app.table().setTextMatrix(1, Col::Alerted, QString()); // armed again
    app.table().setTextMatrix(2, Col::Text, QStringLiteral("b2"));
    app.main->session().flags.textChanged = true;
    const int writes = app.writes();

    app.tick(at(10, 15, 59).addMSecs(900));
    QCOMPARE(app.writes(), writes + 1);
    QCOMPARE(app.stored()[1][Col::Text], QStringLiteral("b2"));
    QVERIFY(app.openWindows().isEmpty());
    QCOMPARE(app.main->Timer1->interval(), 1100);
    app.tick(at(10, 16, 1));
    QVERIFY(app.openWindows().isEmpty());
    app.tick(at(10, 30, 1));
    QCOMPARE(app.openWindows().size(), 1);
}

void TestAlertTimer::minuteSevenOnlyPendingWrite()
{
    App app({note(QStringLiteral("pain"), QStringLiteral("lundi 07/12 10h00"))}, at(10, 5));
    f_test *w = app.view(1);
    QVERIFY(w);
    app.tick(at(10, 6, 1)); // writes what reinit set
    const int writes = app.writes();
    QTest::keyClicks(w->Text2, QStringLiteral(" et lait"));
    app.tick(at(10, 7, 1));
    QCOMPARE(app.writes(), writes + 1);
    QCOMPARE(app.stored()[0][Col::Text], QStringLiteral("pain et lait"));
    QVERIFY(!w->isRed());
    QCOMPARE(app.cell(1, Col::Alerted), QString());
    app.tick(at(10, 8, 1)); // nothing typed since
    QCOMPARE(app.writes(), writes + 1);
}

// At 10:15 a due note without a window comes up in a new red window, in its slot's cell.
void TestAlertTimer::dueNoteComesUpInItsCell()
{
    App app({note(QStringLiteral("Appeler le garage\r\navant midi"), QStringLiteral("lundi 07/12 10h15")),
             note(QStringLiteral("sans alerte"), QString())},
            at(10, 10));
    QVERIFY(app.view(2)); // slot 1
    app.tick(at(10, 14, 1));
    QCOMPARE(app.openWindows().size(), 1);
    app.tick(at(10, 15, 1));

    f_test *w = app.window(2);
    QVERIFY(w);
    QCOMPARE(w->f_pos, 1);
    QVERIFY(w->isVisible());
    QCOMPARE(w->pos(), app.cellOf(2));
    QCOMPARE(w->windowTitle(), QStringLiteral("Le 01/12 à 16:26"));
    QCOMPARE(w->Text2->toPlainText(), QStringLiteral("Appeler le garage\navant midi"));
    QCOMPARE(w->Label1->text(), QStringLiteral("lundi 07/12 10h15"));
    QVERIFY(w->isRed());
    for (QWidget *red : std::initializer_list<QWidget *>{w, w->Frame1, w->Label2, w->Label3, w->Label4})
        QCOMPARE(background(red), kRed);
    QCOMPARE(w->Text2->palette().color(QPalette::Base), kRed);
    QVERIFY(background(w->Label1) != kRed);
    QVERIFY(w->Command1->palette().color(QPalette::Button) != kRed);
    QCOMPARE(app.cell(1, Col::Slot), QStringLiteral("2"));
    QCOMPARE(app.cell(1, Col::Alerted), QStringLiteral("1"));
    QCOMPARE(app.stored()[0][Col::Alerted], QStringLiteral("1"));
    QVERIFY(!app.window(1)->isRed());
}

// The open window of a due note turns red where it stands; it is not read again or moved.
void TestAlertTimer::openWindowTurnsRedInPlace()
{
    App app({note(QStringLiteral("Rendre les livres"), QStringLiteral("lundi 07/12 10h00"))}, at(10, 5));
    QPointer<f_test> w = app.view(1);
    QVERIFY(w);
    w->move(40, 50);
    QTest::keyClicks(w->Text2, QStringLiteral("!"));
    // Whatever reinit would show instead.
    app.table().setTextMatrix(1, Col::Stamp, QStringLiteral("Le 02/12 à 09:05"));
    app.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.main.get()));

    app.tick(at(10, 15, 1));
    QVERIFY(w);
    QCOMPARE(app.windowOfRow(1), w.data());
    QVERIFY(w->isRed());
    QCOMPARE(w->pos(), QPoint(40, 50));
    QCOMPARE(w->Text2->toPlainText(), QStringLiteral("Rendre les livres!"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Le 01/12 à 16:26"));
    QCOMPARE(app.openWindows().size(), 1);
    QCOMPARE(app.cell(1, Col::Alerted), QStringLiteral("1"));
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::activeWindow(), app.main.get());
}

void TestAlertTimer::alertSetLateFallsDue_data()
{
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<bool>("dueAt1015");
    QTest::newRow("10h00") << "00" << true;
    QTest::newRow("10h15") << "15" << true;
    QTest::newRow("10h30") << "30" << false;
}

// An alert set at 10:07 falls due at the first quarter hour at or after its time.
void TestAlertTimer::alertSetLateFallsDue()
{
    QFETCH(QString, minutes);
    QFETCH(bool, dueAt1015);
    App app({}, at(10, 7));
    app.main->Command1_Click(); // Nouvelle
    f_test *w = app.window(1);
    QVERIFY(w);
    setAlert(w, 0, QStringLiteral("10"), minutes);
    QCOMPARE(app.cell(1, Col::Alert), QStringLiteral("lundi 07/12 10h") + minutes);
    app.tick(at(10, 7, 1));
    app.tick(at(10, 8, 1));
    QVERIFY(!w->isRed());
    app.tick(at(10, 15, 1));
    QCOMPARE(w->isRed(), dueAt1015);
    app.tick(at(10, 30, 1));
    QVERIFY(w->isRed());
    QCOMPARE(app.stored()[0][Col::Alerted], QStringLiteral("1"));
}

void TestAlertTimer::twoDueNotesInRowOrder()
{
    App app({note(QStringLiteral("un"), QStringLiteral("lundi 07/12 10h00")),
             note(QStringLiteral("deux"), QString()),
             note(QStringLiteral("trois"), QStringLiteral("lundi 07/12 10h15")),
             note(QStringLiteral("quatre"), QStringLiteral("lundi 07/12 10h30"))},
            at(10, 10));
    QVERIFY(app.view(2)); // takes slot 1
    app.tick(at(10, 15, 1));
    // Row order: row 1 gets the lowest free slot, row 3 the next.
    QCOMPARE(app.cell(1, Col::Slot), QStringLiteral("2"));
    QCOMPARE(app.cell(3, Col::Slot), QStringLiteral("3"));
    QCOMPARE(app.cell(4, Col::Slot), QString());
    QCOMPARE(app.window(2)->pos(), app.cellOf(2));
    QCOMPARE(app.window(3)->pos(), app.cellOf(3));
    QVERIFY(app.window(2)->isRed() && app.window(3)->isRed() && !app.window(1)->isRed());
    const QList<QStringList> stored = app.stored();
    QCOMPARE(stored[0][Col::Alerted], QStringLiteral("1"));
    QCOMPARE(stored[1][Col::Alerted], QString());
    QCOMPARE(stored[2][Col::Alerted], QStringLiteral("1"));
    QCOMPARE(stored[3][Col::Alerted], QString());
}

// A window left open over midnight still offers yesterday first: an alert set on it then
// never falls due. Today's alerts wait for their time.
void TestAlertTimer::windowOpenOverMidnight()
{
    const QDate tuesday = kMonday.addDays(1);
    App app({note(QStringLiteral("hier soir"), QStringLiteral("lundi 07/12 19h45")),
             note(QStringLiteral("demain matin"), QStringLiteral("mardi 08/12 7h00"))},
            at(23, 46));
    app.main->Command1_Click();
    f_test *w = app.window(1);
    QCOMPARE(w->f_pos, 3);
    app.clock.set(at(0, 5, 0, tuesday));
    setAlert(w, 0, QStringLiteral("7"), QStringLiteral("00"));
    QCOMPARE(app.cell(3, Col::Alert), QStringLiteral("lundi 07/12 7h00"));

    Run run = runTimer(app, 24LL * 3600 * 1000, {});
    QCOMPARE(run.raised, QStringList{QStringLiteral("2 08/12 07:00:01")});
    QCOMPARE(app.cell(1, Col::Alerted), QString());
    QCOMPARE(app.cell(3, Col::Alerted), QString());
    QVERIFY(run.notAimed.isEmpty());
    QCOMPARE(run.walked.size(), 24 * 4);
}

// A red window closed stays closed; shown again it is light yellow, and "Ok" arms its alert
// again, even for the same day and time.
void TestAlertTimer::closedRedWindowNotRaisedAgain()
{
    App app({note(QStringLiteral("garage"), QStringLiteral("lundi 07/12 10h15"))}, at(10, 10));
    app.tick(at(10, 15, 1));
    f_test *red = app.windowOfRow(1);
    QVERIFY(red && red->isRed());
    red->close();
    QCOMPARE(app.cell(1, Col::Slot), QString());
    QCOMPARE(app.cell(1, Col::Alerted), QStringLiteral("1"));

    app.tick(at(10, 30, 1));
    QVERIFY(app.openWindows().isEmpty());
    QCOMPARE(app.stored()[0][Col::Alerted], QStringLiteral("1"));

    f_test *w = app.view(1);
    QVERIFY(w && !w->isRed());
    QCOMPARE(background(w), kLightYellow);
    QCOMPARE(w->Label1->text(), QStringLiteral("lundi 07/12 10h15"));
    w->Command1_Click();
    w->Command3_Click(); // the same day and time, already past
    QCOMPARE(app.cell(1, Col::Alert), QStringLiteral("lundi 07/12 10h15"));
    QCOMPARE(app.cell(1, Col::Alerted), QString());
    QCOMPARE(app.stored()[0][Col::Alerted], QString());
    app.tick(at(10, 44, 1));
    QVERIFY(!w->isRed());
    app.tick(at(10, 45, 1));
    QCOMPARE(app.windowOfRow(1), w);
    QVERIFY(w->isRed());
    QCOMPARE(app.openWindows().size(), 1);
}

void TestAlertTimer::placeholderNeverDue()
{
    {
        App app({}, at(0, 0));
        Run run = runTimer(app, 24LL * 3600 * 1000, {});
        QVERIFY(run.raised.isEmpty());
        QCOMPARE(run.walked.size(), 24 * 4);
        QCOMPARE(app.table().Rows(), 2);
        QCOMPARE(app.cell(1, Col::Slot), QStringLiteral("-1"));
        QCOMPARE(app.cell(1, Col::Alerted), QString());
        QCOMPARE(app.stored(), (QList<QStringList>{{"", "", "", "", ""}}));
    }
    // Stored and read back, it is a blank note: no alert either.
    App app({{"", "", "", ""}}, at(10, 0));
    QVERIFY(runTimer(app, 3600 * 1000, {}).raised.isEmpty());
}

// A text edited by hand that cannot be split is no alert; the others still come up.
void TestAlertTimer::handEditedAlertText()
{
    App app({note(QStringLiteral("a"), QStringLiteral("lundi07/12 10h00")),
             note(QStringLiteral("b"), QStringLiteral("lundi 07/12 10:00")),
             note(QStringLiteral("c"), QStringLiteral("lundi 07/12 10h00"))},
            at(10, 10));
    Run run = runTimer(app, 10 * 60 * 1000, {});
    QCOMPARE(run.raised, QStringList{QStringLiteral("3 07/12 10:15:01")});
    QCOMPARE(app.cell(1, Col::Alerted), QString());
    QCOMPARE(app.cell(2, Col::Alerted), QString());
}

// With every slot taken a due note gets no window but is marked; open windows stay as they are.
void TestAlertTimer::noFreeSlot()
{
    QList<QStringList> records;
    for (int i = 1; i <= 101; ++i)
        records << note(QStringLiteral("note %1").arg(i),
                        i == 101 ? QStringLiteral("lundi 07/12 10h00") : QString());
    App app(records, at(10, 10));
    app.main->m_toutafficher_Click();
    QCOMPARE(app.openWindows().size(), 100);
    app.tick(at(10, 15, 1));
    QCOMPARE(app.cell(101, Col::Slot), QString());
    QCOMPARE(app.cell(101, Col::Alerted), QStringLiteral("1"));
    for (f_test *w : app.openWindows())
        QVERIFY(!w->isRed());
}

void TestAlertTimer::clockFaults_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QList<QStringList>>("notes");
    QTest::addColumn<QList<ClockEvent>>("events");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QStringList>("raised");
    QTest::addColumn<QStringList>("walked");
    const qint64 min = 60 * 1000;

    // At 10:20:30 the clock goes back to 09:20:30: the hour comes again, no alert twice.
    QTest::newRow("back one hour") << at(10, 10, 20)
                                   << QList<QStringList>{note("a", "lundi 07/12 10h15"),
                                                         note("b", "lundi 07/12 10h30"),
                                                         note("c", "lundi 07/12 9h45")}
                                   << QList<ClockEvent>{{10 * min + 10000, at(9, 20, 30), 0}} << 100
                                   << QStringList{"1 07/12 10:15:01", "3 07/12 10:15:01", "2 07/12 10:30:01"}
                                   << QStringList{"07/12 10:15", "07/12 09:30", "07/12 09:45", "07/12 10:00",
                                                  "07/12 10:15", "07/12 10:30", "07/12 10:45"};

    // At 10:20:30 the clock jumps to the next day: the day before's alert never falls due.
    QTest::newRow("forward one day") << at(10, 10, 20)
                                     << QList<QStringList>{note("a", "lundi 07/12 10h30"),
                                                           note("b", "mardi 08/12 10h30"),
                                                           note("c", "mardi 08/12 9h00")}
                                     << QList<ClockEvent>{{10 * min + 10000,
                                                           at(10, 20, 30, kMonday.addDays(1)), 0}}
                                     << 40 << QStringList{"2 08/12 10:30:01", "3 08/12 10:30:01"}
                                     << QStringList{"07/12 10:15", "08/12 10:30", "08/12 10:45"};

    // A suspend of six minutes and a half over 10:15: the timer sleeps too, so 10:15 gets
    // no tick; what fell due comes up at the next quarter hour.
    QTest::newRow("suspend over a quarter hour")
        << at(10, 10, 20)
        << QList<QStringList>{note("a", "lundi 07/12 10h15"), note("b", "lundi 07/12 10h30")}
        << QList<ClockEvent>{{3 * min + 10000, QDateTime(), 6 * min + 30000}} << 30
        << QStringList{"1 07/12 10:30:01", "2 07/12 10:30:01"} << QStringList{"07/12 10:30", "07/12 10:45"};

    // Back from a short suspend inside the quarter-hour minute: that minute is still checked.
    QTest::newRow("resume within 10:15")
        << at(10, 10, 20) << QList<QStringList>{note("a", "lundi 07/12 10h15")}
        << QList<ClockEvent>{{4 * min + 30000, QDateTime(), 40000}} << 10 << QStringList{"1 07/12 10:15:41"}
        << QStringList{"07/12 10:15"};

    // Alerts at times that only a hand-edited file can hold test the night's changes.
    const QDate spring(2026, 3, 29), autumn(2026, 10, 25);
    QTest::newRow("summer time begins")
        << paris(spring, 0, 40, 20)
        << QList<QStringList>{note("a", "dimanche 29/03 3h00"), note("b", "dimanche 29/03 2h30"),
                              note("c", "dimanche 29/03 3h15"), note("d", "dimanche 29/03 1h45")}
        << QList<ClockEvent>{} << 50
        << QStringList{"4 29/03 01:45:01 +1", "1 29/03 03:00:01 +2", "2 29/03 03:00:01 +2",
                       "3 29/03 03:15:01 +2"}
        << QStringList{"29/03 01:45 +1", "29/03 03:00 +2", "29/03 03:15 +2", "29/03 03:30 +2"};

    QTest::newRow("summer time ends")
        << paris(autumn, 0, 40, 20)
        << QList<QStringList>{note("a", "dimanche 25/10 2h45"), note("b", "dimanche 25/10 2h15"),
                              note("c", "dimanche 25/10 2h50")}
        << QList<ClockEvent>{} << 85
        << QStringList{"1 25/10 02:45:01 +2", "2 25/10 02:45:01 +2", "3 25/10 03:00:01 +1"}
        << QStringList{"25/10 02:45 +2", "25/10 02:00 +1", "25/10 02:15 +1",
                       "25/10 02:30 +1", "25/10 02:45 +1", "25/10 03:00 +1"};

    QTest::newRow("midnight") << at(23, 40, 20)
                              << QList<QStringList>{note("a", "lundi 07/12 23h50"),
                                                    note("b", "mardi 08/12 0h00"),
                                                    note("c", "lundi 07/12 23h45")}
                              << QList<ClockEvent>{} << 25
                              << QStringList{"3 07/12 23:45:01", "2 08/12 00:00:01"}
                              << QStringList{"07/12 23:45", "08/12 00:00"};
}

// Clock faults: no alert that the due rule makes due is skipped, none comes up twice, and
// the ticks fall one second into each minute again right after the change.
void TestAlertTimer::clockFaults()
{
    QFETCH(QDateTime, start);
    QFETCH(QList<QStringList>, notes);
    QFETCH(QList<ClockEvent>, events);
    QFETCH(int, minutes);
    QFETCH(QStringList, raised);
    QFETCH(QStringList, walked);
    QVERIFY(start.isValid());
    if (start.timeSpec() == Qt::TimeZone)
        QCOMPARE(start.timeZone().id(), QByteArray("Europe/Paris"));
    App app(notes, start);
    const Run run = runTimer(app, minutes * 60LL * 1000, events);
    QCOMPARE(run.raised, raised);
    QCOMPARE(run.walked, walked);
    QCOMPARE(run.notAimed, QStringList());
}

QTEST_MAIN(TestAlertTimer)
#include "tst_alerttimer.moc"
