#pragma once

#include <QDateTime>

// The current local time; tests hand in a clock of their own.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }

    static const Clock &instance()
    {
        static const SystemClock clock;
        return clock;
    }
};
