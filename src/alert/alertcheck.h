#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>

class Clock;
class QTimer;
class Session;

namespace alert {

// The walk of a quarter-hour tick alone, whatever the minute of `now`: marks every due row in
// table order, turns its window red (opening one, placed and filled, for a row that has none)
// and returns the rows. It writes nothing to disk.
QList<int> walk(Session &session, const QDateTime &now);

// One tick of the alert check at the local time `now`: the pending write, then at minutes
// 00, 15, 30 and 45 the walk and the write of the notes file. Returns the rows that fell due.
QList<int> check(Session &session, const QDateTime &now);

// When the one-minute timer fires next, and whether this tick runs the check. A tick in a
// minute already checked (the timer fired early, or the clock went back a little) only
// writes a pending text and re-aims.
struct TickPlan {
    bool check = false;
    QDateTime minute; // the start of the minute that `now` falls in
    int msToNext = 0; // to one second after the start of the next minute
};

// Aims every tick about one second after the start of a minute, from the clock alone, so
// that each minute gets one tick whatever the timer's slack, a suspend or a clock change.
// `lastChecked` is the `minute` of the last tick that checked (invalid before the first).
TickPlan planTick(const QDateTime &now, const QDateTime &lastChecked);

// The latest quarter-hour minute after `since` and before `minute` (both starts of minutes), or
// none: the quarter-hour tick that a suspend, a clock set forward or a late timer stepped over.
QDateTime steppedOver(const QDateTime &since, const QDateTime &minute);

// The one-minute timer Timer1 and its alert check. It runs from its creation to the end of the
// run; a tick does nothing before the notes are loaded, nor once quitting has begun. When the
// wall clock is set under it, it ticks at once; a quarter hour stepped over is checked late.
class AlertTimer : public QObject {
    Q_OBJECT
public:
    AlertTimer(Session &session, const Clock &clock, QObject *parent = nullptr);

    QTimer *timer() const { return m_timer; } // fires tick()'s caller
    void tick();

signals:
    void fellDue(const QList<int> &rows); // rows raised by a tick, in table order

private:
    Session &m_session;
    const Clock &m_clock;
    QTimer *m_timer;
    QDateTime m_lastTick; // the minute of the last tick that ran the check
    QDateTime m_lastSeen; // the minute of the last tick, or of the creation
};

} // namespace alert
