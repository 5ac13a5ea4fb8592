#pragma once

#include <QObject>

class QSocketNotifier;

namespace alert {

// Tells at once when the wall clock has been set under the program: by hand, by the network
// time stepping it, or by a resume from suspend, which the kernel counts as a setting too. On
// Linux, a CLOCK_REALTIME timerfd armed with TFD_TIMER_CANCEL_ON_SET; elsewhere it never tells,
// and the minute timer catches up at its next tick.
class ClockWatch : public QObject {
    Q_OBJECT
public:
    explicit ClockWatch(QObject *parent = nullptr);
    ~ClockWatch() override;

signals:
    void clockSet();

private:
    bool arm();
    void readable();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace alert
