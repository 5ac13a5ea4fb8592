#include "clockwatch.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#endif

namespace alert {

ClockWatch::ClockWatch(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_LINUX
    m_fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        return;
    if (!arm()) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ClockWatch::readable);
#endif
}

ClockWatch::~ClockWatch()
{
#ifdef Q_OS_LINUX
    delete m_notifier; // before the descriptor it watches
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

// Aimed a year ahead on the wall clock, the timer never expires in practice: what wakes it is
// the kernel cancelling it when the clock is set.
bool ClockWatch::arm()
{
#ifdef Q_OS_LINUX
    timespec now{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0)
        return false;
    itimerspec at{};
    at.it_value.tv_sec = now.tv_sec + 366 * 24 * 3600;
    return timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &at, nullptr) == 0;
#else
    return false;
#endif
}

void ClockWatch::readable()
{
#ifdef Q_OS_LINUX
    std::uint64_t expirations = 0;
    // ECANCELED after a setting of the clock; either way the timer is armed again, and a watch
    // that cannot be re-armed stops rather than wake the loop for ever.
    [[maybe_unused]] const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    if (!arm())
        m_notifier->setEnabled(false);
    emit clockSet();
#endif
}

} // namespace alert
