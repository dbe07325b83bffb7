// SPDX-License-Identifier: MIT
#include "CSimWordRegisterDevice.h"

#include "SimLock.h"
#include "SimNoise.h"

#include <cmath>
#include <numbers>

CSimWordRegisterDevice::CSimWordRegisterDevice(Clock::duration conversionTime,
                                               double driftPeriodSeconds, std::uint64_t noiseSeed)
    : m_conversionTime(conversionTime)
    , m_driftPeriodSeconds(driftPeriodSeconds)
    , m_noiseSeed(noiseSeed)
    , m_clock([] { return Clock::now(); })
    , m_epoch(m_clock())
{}

void CSimWordRegisterDevice::SetVariation(double amplitude)
{
    const std::lock_guard lock(SimMutex());
    m_variation = amplitude;
}

void CSimWordRegisterDevice::SetNoise(double amplitude)
{
    const std::lock_guard lock(SimMutex());
    m_noise = amplitude;
}

void CSimWordRegisterDevice::SetClock(std::function<Clock::time_point()> now)
{
    const std::lock_guard lock(SimMutex());
    m_clock = std::move(now);
    m_epoch = m_clock();
    OnClockSet();
}

bool CSimWordRegisterDevice::Varies() const
{
    return m_variation != 0.0 || m_noise != 0.0;
}

std::int64_t CSimWordRegisterDevice::ConversionIndex() const
{
    return std::int64_t((m_clock() - m_epoch) / m_conversionTime);
}

double CSimWordRegisterDevice::Drift(std::int64_t conversion) const
{
    const double seconds = std::chrono::duration<double>(conversion * m_conversionTime).count();
    return m_variation * std::sin(2.0 * std::numbers::pi * seconds / m_driftPeriodSeconds);
}

double CSimWordRegisterDevice::Noise(std::int64_t conversion) const
{
    return m_noise * SimNoise(m_noiseSeed, static_cast<std::uint64_t>(conversion));
}

bool CSimWordRegisterDevice::OnStart(bool read)
{
    m_expectPointer = !read;
    m_dataBytes = 0;
    m_readBytes = 0;
    if (read)
        m_latched = ReadRegister(m_pointer);
    return true;
}

bool CSimWordRegisterDevice::OnWrite(std::uint8_t byte)
{
    if (m_expectPointer) {
        if (!HasRegister(byte))
            return false;
        m_pointer = byte;
        m_expectPointer = false;
        return true;
    }
    if (!IsWritable(m_pointer) || m_dataBytes >= 2)
        return false;
    if (m_dataBytes++ == 0) {
        m_high = byte;
        return true;
    }
    WriteRegister(m_pointer, static_cast<std::uint16_t>(m_high << 8 | byte));
    return true;
}

std::uint8_t CSimWordRegisterDevice::OnRead()
{
    const bool high = m_readBytes++ % 2 == 0;
    return static_cast<std::uint8_t>(high ? m_latched >> 8 : m_latched & 0xFF);
}

std::uint8_t CSimWordRegisterDevice::GetPointer() const
{
    const std::lock_guard lock(SimMutex());
    return m_pointer;
}
