#include "framework/BackgroundWork.h"

#include "ui/Prompt.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace BackgroundWork {

bool Run(Prompt& prompt, const QString& text, const std::function<void()>& work,
         const std::function<void()>& abort) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work();
        finished = true;
    });
    bool stopped = false;
    {
        ProgressScope progress(prompt, text);
        // Steps count up with no total: the bar shows that work goes on, and
        // a stop is noticed within one interval.
        for (qint64 step = 0; !finished; ++step) {
            if (!stopped && !progress.Step(step, 0)) {
                stopped = true;
                abort();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    worker.join();
    return !stopped;
}

} // namespace BackgroundWork
