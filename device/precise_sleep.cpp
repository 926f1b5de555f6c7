#include "device/precise_sleep.h"

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>
#include <cstdint>

namespace mouse {

namespace {

int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The last stretch is waited out on the clock: a wake-up from a sleep comes
// up to a few tenths of a millisecond late on a busy or virtual machine.
constexpr int64_t kSpinNs = 150000;

}  // namespace

void UsePreciseTimers() {
    thread_local bool done = false;
    if (!done) {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        done = true;
    }
}

void PreciseSleep(int ms) {
    if (ms <= 0) {
        return;
    }
    UsePreciseTimers();
    const int64_t deadline = NowNs() + int64_t(ms) * 1000000;
    const int64_t wake = deadline - kSpinNs;
    timespec ts{};
    ts.tv_sec = time_t(wake / 1000000000);
    ts.tv_nsec = long(wake % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
    while (NowNs() < deadline) {
    }
}

}  // namespace mouse
