#include "termination.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {
Termination *active = nullptr; // the exit handler's way back, while one lives

void atExit()
{
    if (active)
        emit active->exiting();
}

// Once per process: from then on, an exit() that skips the event loop still saves.
void watchExit(Termination *termination)
{
    static const bool registered = std::atexit(atExit) == 0;
    active = registered ? termination : nullptr;
}
} // namespace

bool Termination::eventFilter(QObject *watched, QEvent *event)
{
    // The session manager's "die" comes as a Quit, which would ask the main window to close,
    // and that only sends it to the tray: the program ends the way it ends on a signal.
    if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit)
        return false;
    emit requested();
    return true;
}

namespace {
int pipeFds[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(pipeFds[0], &byte, 1);
}
} // namespace

Termination::Termination(QObject *parent) : QObject(parent)
{
    watchExit(this);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pipeFds) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const auto n = ::read(pipeFds[1], &byte, 1);
        emit requested();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        sigaction(sig, &action, nullptr);
}

Termination::~Termination()
{
    active = nullptr;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        signal(sig, SIG_DFL);
    for (int &fd : pipeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}
