// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>

// The time one adapter's I2C bus takes, when switched on. A transaction costs one bit time
// for a start (or repeated start) and one for a stop, and nine for every byte (eight bits
// and the acknowledge), the address byte included, at the bit time of the configured speed
// code (0 = 100, 1 = 400, 2 = 50, 3 = 10, 4 = 1000 kbit/s). The bus serves one request
// after the other: a request that arrives while it is busy starts when it is free.
// Switched off (the default), every request starts and ends when it arrives.
class CSimBusClock
{
public:
    using Clock = std::chrono::steady_clock;

    static std::chrono::nanoseconds BitTime(std::uint8_t speedCode);

    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool IsEnabled() const { return m_enabled; }

    // When a request that arrives at `now` gets the bus.
    Clock::time_point StartOf(Clock::time_point now) const;
    // The moment `bits` bit times after `start`.
    Clock::time_point After(Clock::time_point start, std::uint64_t bits,
                            std::uint8_t speedCode) const;
    void HoldUntil(Clock::time_point until);
    // The transaction under way was dropped: the bus is free from `now` on.
    void Release(Clock::time_point now);

private:
    bool m_enabled = false;
    Clock::time_point m_freeAt;
};
