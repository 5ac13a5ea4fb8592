#include "alertcheck.h"

#include "alerttext.h"
#include "app/session.h"

namespace alert {

namespace {
constexpr int kMinuteMs = 60000;
// Far enough past the minute's start that a tick which fires a little early still falls
// inside the minute it was aimed at.
constexpr int kAfterStartMs = 1000;
const QString kPlaceholder = QStringLiteral("-1");
} // namespace

QList<int> walk(NoteTable &table, const QDateTime &now, AlertWindows &windows)
{
    const QString today = dayText(now.date());
    const QString key = nowKey(now.time());
    QList<int> due;
    for (int r = 1; r < table.Rows(); ++r) {
        if (!isDue(table.TextMatrix(r, Col::Alert), table.TextMatrix(r, Col::Alerted), today, key))
            continue;
        const QString slot = table.TextMatrix(r, Col::Slot); // a copy: opening rewrites the cell
        if (slot.isEmpty()) {
            // With every slot taken nothing opens; the row is marked all the same.
            windows.openRed(r);
        } else if (slot != kPlaceholder) {
            const int s = SlotTable::fromCell(slot);
            if (s == 0)
                continue; // no window of ours: the row is left as it is
            windows.turnRed(s);
        }
        table.setTextMatrix(r, Col::Alerted, QStringLiteral("1"));
        due << r;
    }
    return due;
}

void writePending(Session &session)
{
    if (session.flags.textChanged)
        session.ecrire_notes();
}

QList<int> check(Session &session, const QDateTime &now, AlertWindows &windows)
{
    writePending(session);
    if (!minuteEntries().contains(now.time().toString(QStringLiteral("mm"))))
        return {};
    const QList<int> due = walk(session.table, now, windows);
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

} // namespace alert
