#pragma once

// Timing shared by the benchmarks that measure work inside this process.

#include <QElapsedTimer>

#include <algorithm>

namespace bench {

// The fastest of `repetitions` runs of `work`, in milliseconds: the run least
// disturbed by whatever else the machine was doing.
template <typename Work> double BestMilliseconds(int repetitions, Work work) {
    double best = 1e300;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace bench
