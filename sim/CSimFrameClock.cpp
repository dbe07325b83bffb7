// SPDX-License-Identifier: MIT
#include "CSimFrameClock.h"

#include <algorithm>

void CSimFrameClock::SetFramePeriod(std::chrono::nanoseconds period, Clock::time_point now)
{
    m_period = period.count() > 0 ? period : std::chrono::nanoseconds(0);
    m_epoch = now;
    m_lastSlot = m_epoch;
}

CSimFrameClock::Clock::time_point CSimFrameClock::NextSlot(Clock::time_point sent)
{
    if (m_period.count() == 0)
        return sent;
    const auto framesPassed = (sent - m_epoch) / m_period;
    Clock::time_point slot = m_epoch + (framesPassed + 1) * m_period;
    if (slot <= m_lastSlot)
        slot = m_lastSlot + m_period;
    m_lastSlot = slot;
    return slot;
}

void CSimFrameClock::Release(Clock::time_point now)
{
    m_lastSlot = std::min(m_lastSlot, now);
}
