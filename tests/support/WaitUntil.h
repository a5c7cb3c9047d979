// Polls a condition that another thread or process makes true, for at most a given time.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

// True as soon as done() is; false when it still is not after the limit.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(2000))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
