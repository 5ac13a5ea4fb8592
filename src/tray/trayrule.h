#pragma once

// Decides what the main window's states, as the window system reports them, mean for the tray.
// The program hides the window to the tray and brings it back itself; the window manager
// minimises it when the user asks, but may also report, late, a state from before the program's
// last show. A minimise is the user's only once the window system has shown the window since the
// program last asked for it; before that it is an echo, and the window is asked for again.
class TrayRule {
public:
    enum class Step { None, Hide, ShowAgain };

    void hiding() { m_state = State::Hidden; }   // the program hides the window to the tray
    void showing() { m_state = State::Showing; } // the program asks for the window on screen
    void waitingForTray() { m_state = State::Waiting; }
    bool waiting() const { return m_state == State::Waiting; }
    bool showingPending() const { return m_state == State::Showing; }

    // The window system shows the window on screen; true when it is to be minimised again: a
    // window manager may map a window asked for minimised as a normal one.
    bool exposed();
    // The window system reports the window minimised; `trayThere`: a notification area to hide to.
    Step minimised(bool trayThere);
    // The notification area has come while the program waited for it; `minimised` as reported.
    Step trayCame(bool minimised);

private:
    enum class State { Hidden, Waiting, Showing, Shown };
    State m_state = State::Hidden;
};
