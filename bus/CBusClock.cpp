// SPDX-License-Identifier: MIT
#include "CBusClock.h"

#include <algorithm>
#include <thread>

namespace {

// How often a sleeping procedure looks at its cancel request.
constexpr std::chrono::milliseconds CANCEL_SLICE{5};

} // namespace

CBusClock::Clock::time_point CBusClock::Now() const
{
    return Clock::now();
}

bool CBusClock::Sleep(std::chrono::microseconds duration, const std::function<bool()> &cancelled)
{
    const Clock::time_point end = Clock::now() + duration;
    for (;;) {
        if (cancelled && cancelled())
            return false;
        const Clock::time_point now = Clock::now();
        if (now >= end)
            return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(
            end - now, std::chrono::duration_cast<Clock::duration>(CANCEL_SLICE)));
    }
}

bool CManualBusClock::Sleep(std::chrono::microseconds duration,
                            const std::function<bool()> &cancelled)
{
    if (cancelled && cancelled())
        return false;
    m_now += duration;
    return true;
}
