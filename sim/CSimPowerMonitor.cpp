// SPDX-License-Identifier: MIT
#include "CSimPowerMonitor.h"

#include "SimLock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

constexpr double SHUNT_OHMS = 0.01;
constexpr double SHUNT_VOLTS_PER_STEP = 2.5e-6;
constexpr double BUS_VOLTS_PER_STEP = 1.25e-3;
constexpr std::uint16_t CONFIG_RESET_BIT = 0x8000;
constexpr std::uint16_t MASK_WRITABLE = 0xFC03;
constexpr std::uint16_t MASK_LATCH = 0x0001;
constexpr std::uint16_t ALERT_SHUNT_OVER = 0x8000;
constexpr std::uint16_t ALERT_SHUNT_UNDER = 0x4000;
constexpr std::uint16_t ALERT_BUS_OVER = 0x2000;
constexpr std::uint16_t ALERT_BUS_UNDER = 0x1000;
constexpr std::uint16_t ALERT_POWER_OVER = 0x0800;
constexpr std::uint16_t ALERT_CONVERSION_READY = 0x0400;
constexpr std::chrono::microseconds CONVERSION_TIME(2200);
constexpr double DRIFT_PERIOD_S = 20.0;
constexpr std::uint64_t NOISE_SEED = 0x504F574552000040ULL;

template <typename T>
T Clamped(double value)
{
    return static_cast<T>(std::clamp(std::lround(value), long(std::numeric_limits<T>::min()),
                                     long(std::numeric_limits<T>::max())));
}

} // namespace

CSimPowerMonitor::CSimPowerMonitor(double busVolts, double amps)
    : CSimWordRegisterDevice(CONVERSION_TIME, DRIFT_PERIOD_S, NOISE_SEED)
    , m_busVolts(busVolts)
    , m_amps(amps)
{}

void CSimPowerMonitor::SetReadings(double busVolts, double amps)
{
    const std::lock_guard lock(SimMutex());
    m_busVolts = busVolts;
    m_amps = amps;
}

void CSimPowerMonitor::OnClockSet()
{
    m_lastConversion = m_conversionSeen = -1;
}

std::uint16_t CSimPowerMonitor::PeekRegister(std::uint8_t reg)
{
    const std::lock_guard lock(SimMutex());
    Update();
    return Value(reg);
}

void CSimPowerMonitor::Reset()
{
    m_config = CONFIG_RESET;
    m_calibration = 0;
    m_maskEnable = 0;
    m_alertLimit = 0;
    m_alertFlag = false;
}

CSimPowerMonitor::SReadings CSimPowerMonitor::Measure(std::int64_t conversion) const
{
    double amps = m_amps;
    if (Varies())
        amps *= 1.0 + Drift(conversion) + Noise(conversion);
    SReadings readings;
    readings.shunt = Clamped<std::int16_t>(amps * SHUNT_OHMS / SHUNT_VOLTS_PER_STEP);
    readings.bus = static_cast<std::uint16_t>(
        std::clamp(std::lround(m_busVolts / BUS_VOLTS_PER_STEP), 0L, 0x7FFFL));
    // The device's own integer arithmetic: current from the calibration, power from both.
    readings.current =
        static_cast<std::int16_t>(std::clamp(std::int64_t(readings.shunt) * m_calibration / 2048,
                                             std::int64_t(-32768), std::int64_t(32767)));
    readings.power = static_cast<std::uint16_t>(std::min<std::int64_t>(
        std::abs(std::int64_t(readings.current)) * readings.bus / 20000, 0xFFFF));
    return readings;
}

bool CSimPowerMonitor::AlertCondition(const SReadings &readings) const
{
    const auto limit = static_cast<std::int16_t>(m_alertLimit);
    if ((m_maskEnable & ALERT_SHUNT_OVER) != 0)
        return readings.shunt > limit;
    if ((m_maskEnable & ALERT_SHUNT_UNDER) != 0)
        return readings.shunt < limit;
    if ((m_maskEnable & ALERT_BUS_OVER) != 0)
        return readings.bus > m_alertLimit;
    if ((m_maskEnable & ALERT_BUS_UNDER) != 0)
        return readings.bus < m_alertLimit;
    if ((m_maskEnable & ALERT_POWER_OVER) != 0)
        return readings.power > m_alertLimit;
    if ((m_maskEnable & ALERT_CONVERSION_READY) != 0)
        return true;
    return false;
}

// Brings the readings to the last finished conversion; the alert flag follows each one,
// and stays set once set when the alert is latched.
void CSimPowerMonitor::Update()
{
    const std::int64_t conversion = ConversionIndex();
    if (conversion == m_lastConversion)
        return;
    m_lastConversion = conversion;
    m_readings = Measure(conversion);
    const bool condition = AlertCondition(m_readings);
    m_alertFlag = condition || ((m_maskEnable & MASK_LATCH) != 0 && m_alertFlag);
}

std::uint16_t CSimPowerMonitor::Value(std::uint8_t reg) const
{
    switch (reg) {
    case REG_CONFIG:
        return m_config;
    case REG_SHUNT:
        return static_cast<std::uint16_t>(m_readings.shunt);
    case REG_BUS:
        return m_readings.bus;
    case REG_POWER:
        return m_readings.power;
    case REG_CURRENT:
        return static_cast<std::uint16_t>(m_readings.current);
    case REG_CALIBRATION:
        return m_calibration;
    case REG_MASK_ENABLE: {
        std::uint16_t value = m_maskEnable;
        if (m_alertFlag)
            value |= FLAG_ALERT;
        if (m_lastConversion > m_conversionSeen)
            value |= FLAG_CONVERSION_READY;
        return value;
    }
    case REG_ALERT_LIMIT:
        return m_alertLimit;
    case REG_MANUFACTURER_ID:
        return MANUFACTURER_ID;
    default:
        return DIE_ID;
    }
}

bool CSimPowerMonitor::HasRegister(std::uint8_t reg) const
{
    return reg <= REG_ALERT_LIMIT || reg == REG_MANUFACTURER_ID || reg == REG_DIE_ID;
}

bool CSimPowerMonitor::IsWritable(std::uint8_t reg) const
{
    return reg == REG_CONFIG || reg == REG_CALIBRATION || reg == REG_MASK_ENABLE ||
           reg == REG_ALERT_LIMIT;
}

std::uint16_t CSimPowerMonitor::ReadRegister(std::uint8_t reg)
{
    Update();
    const std::uint16_t value = Value(reg);
    if (reg == REG_MASK_ENABLE) {
        m_conversionSeen = m_lastConversion;
        if ((m_maskEnable & MASK_LATCH) != 0)
            m_alertFlag = false;
    }
    return value;
}

void CSimPowerMonitor::WriteRegister(std::uint8_t reg, std::uint16_t value)
{
    switch (reg) {
    case REG_CONFIG:
        if ((value & CONFIG_RESET_BIT) != 0)
            Reset();
        else
            m_config = value;
        break;
    case REG_CALIBRATION:
        m_calibration = value & 0x7FFF;
        break;
    case REG_MASK_ENABLE:
        m_maskEnable = value & MASK_WRITABLE;
        break;
    default:
        m_alertLimit = value;
        break;
    }
    // Readings derived from the calibration or compared against the new limit are redone.
    m_lastConversion = -1;
    Update();
}
