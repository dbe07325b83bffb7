// SPDX-License-Identifier: MIT
#include "CSimTemperatureSensor.h"

#include "SimLock.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr std::uint16_t CONFIG_READ_ONLY = 0x6000 | CSimTemperatureSensor::CONFIG_ALERT;
constexpr std::uint16_t CONFIG_POLARITY = 0x0400;
constexpr std::uint16_t CONFIG_EXTENDED = 0x0010;
constexpr double LIMIT_LOW_CELSIUS = 75.0;
constexpr double LIMIT_HIGH_CELSIUS = 80.0;
constexpr std::chrono::milliseconds CONVERSION_TIME(100);
constexpr double DRIFT_PERIOD_S = 60.0;
constexpr std::uint64_t NOISE_SEED = 0x54454D5000000048ULL;

} // namespace

CSimTemperatureSensor::CSimTemperatureSensor(double celsius)
    : CSimWordRegisterDevice(CONVERSION_TIME, DRIFT_PERIOD_S, NOISE_SEED)
    , m_celsius(celsius)
    , m_limitLow(Encode(LIMIT_LOW_CELSIUS))
    , m_limitHigh(Encode(LIMIT_HIGH_CELSIUS))
{
    Convert();
}

void CSimTemperatureSensor::SetTemperature(double celsius)
{
    const std::lock_guard lock(SimMutex());
    m_celsius = celsius;
}

std::uint16_t CSimTemperatureSensor::GetRegister(std::uint8_t reg)
{
    const std::lock_guard lock(SimMutex());
    return ReadRegister(reg);
}

double CSimTemperatureSensor::CelsiusNow() const
{
    if (!Varies())
        return m_celsius;
    // The register holds the last finished conversion.
    const std::int64_t conversion = ConversionIndex();
    return m_celsius + Drift(conversion) + Noise(conversion);
}

std::uint16_t CSimTemperatureSensor::Encode(double celsius) const
{
    const bool extended = (m_config & CONFIG_EXTENDED) != 0;
    const long limit = extended ? 4096 : 2048;
    const long sixteenths = std::clamp(std::lround(celsius * 16.0), -limit, limit - 1);
    return static_cast<std::uint16_t>(sixteenths * (extended ? 8 : 16));
}

// One conversion: the reading, then the alert, which keeps its state between the limits.
void CSimTemperatureSensor::Convert()
{
    m_temperature = Encode(CelsiusNow());
    const auto reading = static_cast<std::int16_t>(m_temperature);
    if (reading >= static_cast<std::int16_t>(m_limitHigh))
        m_alert = true;
    else if (reading < static_cast<std::int16_t>(m_limitLow))
        m_alert = false;
}

void CSimTemperatureSensor::Refresh()
{
    if ((m_config & CONFIG_SHUTDOWN) == 0)
        Convert();
}

bool CSimTemperatureSensor::HasRegister(std::uint8_t reg) const
{
    return reg <= REG_LIMIT_HIGH;
}

bool CSimTemperatureSensor::IsWritable(std::uint8_t reg) const
{
    return reg != REG_TEMPERATURE;
}

std::uint16_t CSimTemperatureSensor::ReadRegister(std::uint8_t reg)
{
    Refresh();
    switch (reg) {
    case REG_TEMPERATURE:
        return m_temperature;
    case REG_CONFIG: {
        const bool alertBit = m_alert == ((m_config & CONFIG_POLARITY) != 0);
        return static_cast<std::uint16_t>((m_config & ~CONFIG_ALERT) |
                                          (alertBit ? CONFIG_ALERT : 0));
    }
    case REG_LIMIT_LOW:
        return m_limitLow;
    default:
        return m_limitHigh;
    }
}

void CSimTemperatureSensor::WriteRegister(std::uint8_t reg, std::uint16_t value)
{
    if (reg == REG_LIMIT_LOW) {
        m_limitLow = value;
    } else if (reg == REG_LIMIT_HIGH) {
        m_limitHigh = value;
    } else if (reg == REG_CONFIG) {
        const bool oneShot = (value & CONFIG_ONE_SHOT) != 0 && (value & CONFIG_SHUTDOWN) != 0;
        m_config = static_cast<std::uint16_t>((m_config & CONFIG_READ_ONLY) |
                                              (value & ~CONFIG_READ_ONLY & ~CONFIG_ONE_SHOT));
        if (oneShot) {
            Convert();
            m_config |= CONFIG_ONE_SHOT;
        }
    }
}
