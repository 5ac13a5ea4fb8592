#include "alertcheck.h"

#include "alerttext.h"
#include "clockwatch.h"
#include "session/session.h"

#include <QTimer>

namespace alert {

namespace {
constexpr int kMinuteMs = 60000;
// Far enough past the minute's start that a tick which fires a little early still falls
// inside the minute it was aimed at.
constexpr int kAfterStartMs = 1000;
} // namespace

QList<int> walk(Session &session, const QDateTime &now)
{
    NoteTable &table = session.table;
    const QString today = dayText(now.date());
    const QString key = nowKey(now.time());
    QList<int> due;
    for (int r = 1; r < table.Rows(); ++r) {
        if (!isDue(table.TextMatrix(r, Col::Alert), table.TextMatrix(r, Col::Alerted), today, key))
            continue;
        NoteWindows &windows = session.windows;
        switch (windows.cellOf(r)) {
        case NoteWindows::Cell::None:
            // With every slot taken nothing opens; the row is marked all the same.
            if (NoteWindow *w = windows.ouvrir_fenetre(r, NoteWindowMaker::Fill::Existing))
                w->en_rouge();
            break;
        case NoteWindows::Cell::Slot:
            if (NoteWindow *w = windows.windowOfRow(r))
                w->en_rouge();
            break;
        case NoteWindows::Cell::Placeholder:
            break;
        case NoteWindows::Cell::Foreign:
            continue; // not a slot this program writes: the row is left as it is
        }
        table.setTextMatrix(r, Col::Alerted, QStringLiteral("1"));
        due << r;
    }
    return due;
}

QList<int> check(Session &session, const QDateTime &now)
{
    if (session.flags.textChanged)
        session.ecrire_notes();
    if (!minuteEntries().contains(now.time().toString(QStringLiteral("mm"))))
        return {};
    const QList<int> due = walk(session, now);
    session.ecrire_notes();
    return due;
}

TickPlan planTick(const QDateTime &now, const QDateTime &lastChecked)
{
    const QTime time = now.time();
    const int into = time.second() * 1000 + time.msec();
    TickPlan plan;
    // Offsets from UTC are whole minutes, so a local minute starts on a UTC minute too and
    // the wait below holds across a daylight-saving change.
    plan.minute = now.addMSecs(-into);
    plan.check = !lastChecked.isValid() || plan.minute != lastChecked;
    plan.msToNext = kMinuteMs - into + kAfterStartMs;
    return plan;
}

QDateTime steppedOver(const QDateTime &since, const QDateTime &minute)
{
    if (!since.isValid())
        return {};
    const QDateTime quarter = minute.addSecs(-60 * (minute.time().minute() % 15));
    return quarter > since && quarter < minute ? quarter : QDateTime();
}

AlertTimer::AlertTimer(Session &session, const Clock &clock, QObject *parent)
    : QObject(parent), m_session(session), m_clock(clock), m_timer(new QTimer(this))
{
    // A free-running 60 s timer drifts and, after a suspend or a clock change, can step over a
    // quarter-hour minute; each tick is aimed again from the clock instead.
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setSingleShot(true);
    const TickPlan plan = planTick(m_clock.now(), m_lastTick);
    m_lastSeen = plan.minute;
    m_timer->start(plan.msToNext);
    // A resume or a clock change is a tick now: what it stepped over is checked, the timer re-aimed.
    connect(new ClockWatch(this), &ClockWatch::clockSet, this, &AlertTimer::tick);
}

void AlertTimer::tick()
{
    const QDateTime now = m_clock.now();
    const TickPlan plan = planTick(now, m_lastTick);
    const QDateTime late = steppedOver(m_lastSeen, plan.minute);
    m_lastSeen = plan.minute;
    m_timer->start(plan.msToNext);
    // Not before the notes are loaded, nor once quitting has begun: there is no table to save.
    if (!m_session.loaded || m_session.flags.quitting)
        return;
    m_session.takeWrites(); // a write that failed since the last tick is tried again now
    QList<int> due;
    // The tick that should have run, late, with its own time: what falls due is what would have.
    if (late.isValid() && late != m_lastTick) {
        m_lastTick = late;
        due = check(m_session, late);
    }
    if (plan.check) {
        m_lastTick = plan.minute;
        due += check(m_session, now);
    } else if (m_session.flags.textChanged) {
        m_session.ecrire_notes();
    }
    if (!due.isEmpty())
        emit fellDue(due);
}

} // namespace alert
