// The measure the window benchmarks share: gaps between the ticks of a 1 ms
// timer on the user-interface thread. The longest gap is the longest time
// the window could not react to the user.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace mouse::bench {

class Watchdog {
public:
    Watchdog() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start();
        clock_.start();
    }
    // Starts a new measurement from now.
    void Begin() {
        Tick();
        longest_ = 0;
        over16_ = 0;
    }
    double LongestMs() const { return double(longest_) / 1e6; }
    // Gaps longer than one frame at 60 Hz.
    int Over16Ms() const { return over16_; }

private:
    void Tick() {
        const qint64 now = clock_.nsecsElapsed();
        const qint64 gap = now - last_;
        last_ = now;
        longest_ = std::max(longest_, gap);
        over16_ += gap > 16'000'000 ? 1 : 0;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    int over16_ = 0;
};

}  // namespace mouse::bench
