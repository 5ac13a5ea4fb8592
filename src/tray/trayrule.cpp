#include "trayrule.h"

bool TrayRule::exposed()
{
    if (m_state == State::Showing)
        m_state = State::Shown;
    return m_state == State::Waiting;
}

TrayRule::Step TrayRule::minimised(bool trayThere)
{
    switch (m_state) {
    case State::Showing:
        return Step::ShowAgain; // the user asked to see it: nothing may hide it now
    case State::Shown:
        if (!trayThere)
            return Step::None; // it stays on the taskbar, like any other window
        m_state = State::Hidden;
        return Step::Hide;
    case State::Hidden:
    case State::Waiting:
        break;
    }
    return Step::None;
}

TrayRule::Step TrayRule::trayCame(bool minimised)
{
    if (m_state != State::Waiting)
        return Step::None;
    if (!minimised) { // the user took the window out of the taskbar meanwhile
        m_state = State::Shown;
        return Step::None;
    }
    m_state = State::Hidden;
    return Step::Hide;
}
