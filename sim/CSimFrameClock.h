// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// When an input report sent at a given time becomes readable by the host, as on a
// full-speed USB interrupt endpoint: at the next frame boundary of a fixed grid, one report
// per frame. The grid does not move with the requests, so the time a host spends between
// frames is absorbed instead of added up. A period of 0 delivers every report at once.
class CSimFrameClock
{
public:
    using Clock = std::chrono::steady_clock;

    // Starts the grid at `now`.
    void SetFramePeriod(std::chrono::nanoseconds period, Clock::time_point now);
    std::chrono::nanoseconds GetFramePeriod() const { return m_period; }

    Clock::time_point NextSlot(Clock::time_point sent);
    // Reports not sent by `now` were withdrawn: their frames are free again.
    void Release(Clock::time_point now);

private:
    std::chrono::nanoseconds m_period{0};
    Clock::time_point m_epoch;
    Clock::time_point m_lastSlot;
};
