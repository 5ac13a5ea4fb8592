// For bench/clockjump.sh: steps the wall clock forward by one microsecond, which the kernel tells
// every timer armed with TFD_TIMER_CANCEL_ON_SET as a setting of the clock, as it does after a
// resume from suspend; the time itself moves by nothing anyone could see. Needs CAP_SYS_TIME.
#include <sys/timex.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main()
{
    timex step{};
    step.modes = ADJ_SETOFFSET; // microseconds: the kernel's nanosecond status is left alone
    step.time.tv_sec = 0;
    step.time.tv_usec = 1;
    if (adjtimex(&step) < 0) {
        std::fprintf(stderr, "clockstep: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
