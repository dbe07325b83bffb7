// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <functional>

// The time a procedure on the bus waits by: delays, poll intervals and time-outs. The
// default is the steady clock; a test installs one that a simulator shares, so that waits
// cost no real time.
class CBusClock
{
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CBusClock() = default;

    virtual Clock::time_point Now() const;
    // Waits for `duration`, or less when `cancelled` turns true meanwhile (it is asked every
    // few milliseconds). Returns false when the wait was cut short.
    virtual bool Sleep(std::chrono::microseconds duration, const std::function<bool()> &cancelled);
};

// A clock that only moves when it is told to, or when a procedure sleeps on it.
class CManualBusClock : public CBusClock
{
public:
    Clock::time_point Now() const override { return m_now; }
    bool Sleep(std::chrono::microseconds duration, const std::function<bool()> &cancelled) override;
    void Advance(std::chrono::nanoseconds duration) { m_now += duration; }

private:
    Clock::time_point m_now = Clock::now();
};
