#pragma once

#include <QtGlobal>
#include <ctime>

// Processor time in milliseconds, which a busy machine does not inflate as it does wall time.
inline qint64 cpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// "Well under a second" for a 1 MB file: linear work takes a few hundred milliseconds at most,
// a few times that with the sanitizers.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kSecond = 3000;
#else
constexpr qint64 kSecond = 1000;
#endif
