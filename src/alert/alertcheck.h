#pragma once

#include <QDateTime>
#include <QList>

class NoteTable;
struct Session;

namespace alert {

// What the alert check needs of the note windows; the main window gives the real ones.
class AlertWindows {
public:
    virtual ~AlertWindows() = default;
    // Opens a window for a row that has none, places it, fills it from the row and turns it
    // red. False when no slot was free: then nothing opened.
    virtual bool openRed(int row) = 0;
    // Turns red, where it stands, the open window of a slot.
    virtual void turnRed(int slot) = 0;
};

// The walk of a quarter-hour tick alone, whatever the minute of `now`: marks and raises every
// due row in table order and returns them. It writes nothing to disk.
QList<int> walk(NoteTable &table, const QDateTime &now, AlertWindows &windows);

// Writes the notes file when a note's text changed since the last write.
void writePending(Session &session);

// One tick of the alert check at the local time `now`: the pending write, then at minutes
// 00, 15, 30 and 45 the walk over the rows in table order, marking and raising every due
// note, and the write of the notes file. Returns the rows that fell due, in order.
QList<int> check(Session &session, const QDateTime &now, AlertWindows &windows);

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

} // namespace alert
