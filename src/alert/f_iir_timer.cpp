// The alert timer of the main window: one tick a minute, aimed just after the minute starts.
#include "alert/alertcheck.h"
#include "app/f_iir.h"

#include <QTimer>

namespace {

// The note windows as the alert check reaches them, through the list commands' own steps.
class NoteWindows : public alert::AlertWindows {
public:
    explicit NoteWindows(f_iir &main) : m_main(main) {}

    bool openRed(int row) override
    {
        if (!m_main.ouvrir_fenetre(row))
            return false;
        const int slot = m_main.session().slotTable.lastOpened();
        m_main.positionner_fenetre(slot);
        f_test *w = m_main.fenetre(slot);
        w->reinit();
        w->en_rouge();
        return true;
    }

    void turnRed(int slot) override
    {
        if (f_test *w = m_main.fenetre(slot))
            w->en_rouge();
    }

private:
    f_iir &m_main;
};

} // namespace

// A free-running 60 s timer drifts and, after a suspend or a clock change, can step over a
// quarter-hour minute; each tick is aimed again from the clock instead.
void f_iir::armTimer1()
{
    Timer1->setSingleShot(true);
    Timer1->start(alert::planTick(m_clock.now(), m_lastTick).msToNext);
}

void f_iir::Timer1_Timer()
{
    const QDateTime now = m_clock.now();
    const alert::TickPlan plan = alert::planTick(now, m_lastTick);
    Timer1->start(plan.msToNext);
    // Not before the notes are loaded, nor once quitting has begun: there is no table to save.
    if (!m_loaded || m_session.flags.quitting)
        return;
    if (!plan.check) {
        alert::writePending(m_session);
        return;
    }
    m_lastTick = plan.minute;
    NoteWindows windows(*this);
    alert::check(m_session, now, windows);
}
