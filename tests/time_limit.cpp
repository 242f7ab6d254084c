#include "time_limit.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

bool endsWithin(double dSeconds, const std::function<void()>& work, const std::function<void()>& stop)
{
    std::mutex m;
    std::condition_variable cv;
    bool bDone = false, bLate = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(m);
        const auto limit = std::chrono::duration<double>(dSeconds);
        if (cv.wait_for(lock, limit, [&] { return bDone; })) return;
        bLate = true;
        while (!bDone) {
            lock.unlock();
            stop();
            lock.lock();
            cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return bDone; });
        }
    });
    work();
    {
        std::lock_guard<std::mutex> lock(m);
        bDone = true;
    }
    cv.notify_all();
    watchdog.join();
    return !bLate;
}
