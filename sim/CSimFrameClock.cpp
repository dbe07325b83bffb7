#include "CSimFrameClock.h"

void CSimFrameClock::SetFramePeriod(std::chrono::nanoseconds period)
{
    m_period = period.count() > 0 ? period : std::chrono::nanoseconds(0);
    m_epoch = Clock::now();
    m_lastSlot = m_epoch;
}

CSimFrameClock::Clock::time_point CSimFrameClock::NextSlot(Clock::time_point now)
{
    if (m_period.count() == 0)
        return now;
    const auto framesPassed = (now - m_epoch) / m_period;
    Clock::time_point slot = m_epoch + (framesPassed + 1) * m_period;
    if (slot <= m_lastSlot)
        slot = m_lastSlot + m_period;
    m_lastSlot = slot;
    return slot;
}
