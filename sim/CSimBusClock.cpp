// SPDX-License-Identifier: MIT
#include "CSimBusClock.h"

#include <algorithm>

namespace {

constexpr std::chrono::nanoseconds BIT_TIME_100K(10000);
constexpr std::chrono::nanoseconds BIT_TIME_400K(2500);
constexpr std::chrono::nanoseconds BIT_TIME_50K(20000);
constexpr std::chrono::nanoseconds BIT_TIME_10K(100000);
constexpr std::chrono::nanoseconds BIT_TIME_1000K(1000);

} // namespace

std::chrono::nanoseconds CSimBusClock::BitTime(std::uint8_t speedCode)
{
    switch (speedCode) {
    case 1:
        return BIT_TIME_400K;
    case 2:
        return BIT_TIME_50K;
    case 3:
        return BIT_TIME_10K;
    case 4:
        return BIT_TIME_1000K;
    default:
        return BIT_TIME_100K;
    }
}

CSimBusClock::Clock::time_point CSimBusClock::StartOf(Clock::time_point now) const
{
    return m_enabled ? std::max(now, m_freeAt) : now;
}

CSimBusClock::Clock::time_point CSimBusClock::After(Clock::time_point start, std::uint64_t bits,
                                                    std::uint8_t speedCode) const
{
    if (!m_enabled)
        return start;
    return start + static_cast<std::chrono::nanoseconds::rep>(bits) * BitTime(speedCode);
}

void CSimBusClock::HoldUntil(Clock::time_point until)
{
    m_freeAt = std::max(m_freeAt, until);
}

void CSimBusClock::Release(Clock::time_point now)
{
    m_freeAt = std::min(m_freeAt, now);
}
