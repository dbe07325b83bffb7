// SPDX-License-Identifier: MIT
#include "CSimTemperatureSensor.h"

#include "SimLock.h"
#include "SimNoise.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr std::size_t REGISTER_COUNT = 16;
constexpr std::uint8_t CONFIG_SHUTDOWN = 0x01;
constexpr std::uint8_t STATUS_HIGH = 0x01;
constexpr std::uint8_t STATUS_LOW = 0x02;
constexpr std::uint8_t DEFAULT_LIMIT_HIGH = 80;
constexpr std::uint8_t DEFAULT_LIMIT_LOW = 0xF6; // -10 degrees
constexpr std::chrono::milliseconds CONVERSION_TIME(100);
constexpr double DRIFT_PERIOD_S = 60.0;
constexpr std::uint64_t NOISE_SEED = 0x54454D5000000048ULL;

} // namespace

CSimTemperatureSensor::CSimTemperatureSensor(double celsius)
    : CSimRegisterFile(REGISTER_COUNT)
    , m_celsius(celsius)
    , m_clock([] { return Clock::now(); })
    , m_epoch(m_clock())
{
    m_registers[REG_LIMIT_HIGH] = DEFAULT_LIMIT_HIGH;
    m_registers[REG_LIMIT_LOW] = DEFAULT_LIMIT_LOW;
    m_registers[REG_ID] = DEVICE_ID;
    for (std::size_t reg = 0; reg < REGISTER_COUNT; ++reg) {
        const bool writable = reg == REG_CONFIG || reg == REG_LIMIT_HIGH || reg == REG_LIMIT_LOW;
        m_readOnly[reg] = !writable;
    }
    RefreshRegisters();
}

void CSimTemperatureSensor::SetTemperature(double celsius)
{
    const std::lock_guard lock(SimMutex());
    m_celsius = celsius;
}

void CSimTemperatureSensor::SetVariation(double celsius)
{
    const std::lock_guard lock(SimMutex());
    m_variation = celsius;
}

void CSimTemperatureSensor::SetNoise(double celsius)
{
    const std::lock_guard lock(SimMutex());
    m_noise = celsius;
}

void CSimTemperatureSensor::SetClock(std::function<Clock::time_point()> now)
{
    const std::lock_guard lock(SimMutex());
    m_clock = std::move(now);
    m_epoch = m_clock();
}

double CSimTemperatureSensor::CelsiusNow() const
{
    if (m_variation == 0.0 && m_noise == 0.0)
        return m_celsius;
    // The registers hold the last finished conversion.
    const auto conversion = (m_clock() - m_epoch) / CONVERSION_TIME;
    const double seconds = std::chrono::duration<double>(conversion * CONVERSION_TIME).count();
    const double phase = 2.0 * std::numbers::pi * seconds / DRIFT_PERIOD_S;
    const double noise = m_noise * SimNoise(NOISE_SEED, static_cast<std::uint64_t>(conversion));
    return m_celsius + m_variation * std::sin(phase) + noise;
}

void CSimTemperatureSensor::RefreshRegisters()
{
    if ((m_registers[REG_CONFIG] & CONFIG_SHUTDOWN) != 0)
        return;
    const long sixteenths = std::clamp(std::lround(CelsiusNow() * 16.0), -2048L, 2047L);
    const auto raw = static_cast<std::uint16_t>(sixteenths * 16);
    m_registers[REG_TEMPERATURE_HIGH] = static_cast<std::uint8_t>(raw >> 8);
    m_registers[REG_TEMPERATURE_LOW] = static_cast<std::uint8_t>(raw & 0xF0);
    const auto whole = static_cast<std::int8_t>(m_registers[REG_TEMPERATURE_HIGH]);
    std::uint8_t status = 0;
    if (whole > static_cast<std::int8_t>(m_registers[REG_LIMIT_HIGH]))
        status |= STATUS_HIGH;
    if (whole < static_cast<std::int8_t>(m_registers[REG_LIMIT_LOW]))
        status |= STATUS_LOW;
    m_registers[REG_STATUS] = status;
}
