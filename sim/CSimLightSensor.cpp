// SPDX-License-Identifier: MIT
#include "CSimLightSensor.h"

#include "SimLock.h"
#include "SimNoise.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr std::uint8_t OP_POWER_DOWN = 0x00;
constexpr std::uint8_t OP_POWER_ON = 0x01;
constexpr std::uint8_t OP_RESET = 0x07;
constexpr std::uint8_t OP_CONTINUOUS_H = 0x10;
constexpr std::uint8_t OP_CONTINUOUS_H2 = 0x11;
constexpr std::uint8_t OP_CONTINUOUS_L = 0x13;
constexpr std::uint8_t OP_ONE_TIME_H = 0x20;
constexpr std::uint8_t OP_ONE_TIME_H2 = 0x21;
constexpr std::uint8_t OP_ONE_TIME_L = 0x23;
constexpr std::uint8_t DEFAULT_TIME_REGISTER = 69;
constexpr double WANDER_PERIOD_S = 30.0;
constexpr std::uint64_t NOISE_SEED = 0x4C55580000000023ULL;

bool IsContinuous(std::uint8_t mode)
{
    return mode == OP_CONTINUOUS_H || mode == OP_CONTINUOUS_H2 || mode == OP_CONTINUOUS_L;
}

bool IsLowResolution(std::uint8_t mode)
{
    return mode == OP_CONTINUOUS_L || mode == OP_ONE_TIME_L;
}

bool IsHighResolution2(std::uint8_t mode)
{
    return mode == OP_CONTINUOUS_H2 || mode == OP_ONE_TIME_H2;
}

} // namespace

CSimLightSensor::CSimLightSensor(double lux)
    : m_lux(lux)
    , m_clock([] { return Clock::now(); })
    , m_epoch(Clock::now())
{}

void CSimLightSensor::SetIlluminance(double lux)
{
    const std::lock_guard lock(SimMutex());
    m_lux = lux;
}

void CSimLightSensor::SetVariation(double relativeAmplitude)
{
    const std::lock_guard lock(SimMutex());
    m_variation = relativeAmplitude;
}

void CSimLightSensor::SetNoise(double relativeAmplitude)
{
    const std::lock_guard lock(SimMutex());
    m_noise = relativeAmplitude;
}

void CSimLightSensor::SetClock(std::function<Clock::time_point()> now)
{
    const std::lock_guard lock(SimMutex());
    m_clock = std::move(now);
    m_epoch = m_clock();
    m_measurementStart = m_epoch;
}

bool CSimLightSensor::IsPoweredOn()
{
    const std::lock_guard lock(SimMutex());
    Update();
    return m_poweredOn;
}

std::uint8_t CSimLightSensor::GetMode()
{
    const std::lock_guard lock(SimMutex());
    Update();
    return m_mode;
}

std::uint16_t CSimLightSensor::GetReading()
{
    const std::lock_guard lock(SimMutex());
    Update();
    return m_reading;
}

bool CSimLightSensor::OnStart(bool read)
{
    if (read) {
        Update();
        m_readIndex = 0;
    }
    return true;
}

bool CSimLightSensor::OnWrite(std::uint8_t byte)
{
    Update();
    switch (byte) {
    case OP_POWER_DOWN:
        m_poweredOn = false;
        m_mode = 0;
        return true;
    case OP_POWER_ON:
        m_poweredOn = true;
        return true;
    case OP_RESET:
        // The data register is cleared and a running measurement starts over.
        if (m_poweredOn) {
            m_reading = 0;
            m_measurementStart = Now();
        }
        return true;
    case OP_CONTINUOUS_H:
    case OP_CONTINUOUS_H2:
    case OP_CONTINUOUS_L:
    case OP_ONE_TIME_H:
    case OP_ONE_TIME_H2:
    case OP_ONE_TIME_L:
        StartMeasurement(byte);
        return true;
    default:
        break;
    }
    if ((byte & 0xF8) == 0x40) {
        m_timeRegister = static_cast<std::uint8_t>((m_timeRegister & 0x1F) | (byte & 0x07) << 5);
        return true;
    }
    if ((byte & 0xE0) == 0x60) {
        m_timeRegister = static_cast<std::uint8_t>((m_timeRegister & 0xE0) | (byte & 0x1F));
        return true;
    }
    return false;
}

std::uint8_t CSimLightSensor::OnRead()
{
    const bool high = m_readIndex++ % 2 == 0;
    return static_cast<std::uint8_t>(high ? m_reading >> 8 : m_reading & 0xFF);
}

void CSimLightSensor::OnPowerUp()
{
    m_poweredOn = false;
    m_mode = 0;
    m_reading = 0;
    m_timeRegister = DEFAULT_TIME_REGISTER;
}

CSimLightSensor::Clock::time_point CSimLightSensor::Now() const
{
    return m_clock();
}

CSimLightSensor::Clock::duration CSimLightSensor::MeasurementTime() const
{
    const std::chrono::microseconds base = IsLowResolution(m_mode)
                                               ? std::chrono::microseconds(16000)
                                               : std::chrono::microseconds(120000);
    return base * m_timeRegister / DEFAULT_TIME_REGISTER;
}

double CSimLightSensor::LuxAt(Clock::time_point time) const
{
    const double seconds = std::chrono::duration<double>(time - m_epoch).count();
    const double phase = 2.0 * std::numbers::pi * seconds / WANDER_PERIOD_S;
    // Every measurement ends at its own moment, which therefore picks its noise.
    const auto sample = static_cast<std::uint64_t>((time - m_epoch).count());
    const double noise = m_noise == 0.0 ? 0.0 : m_noise * SimNoise(NOISE_SEED, sample);
    return std::max(0.0, m_lux * (1.0 + m_variation * std::sin(phase) + noise));
}

std::uint16_t CSimLightSensor::CountFor(double lux) const
{
    double count = lux * 1.2 * m_timeRegister / DEFAULT_TIME_REGISTER;
    if (IsHighResolution2(m_mode))
        count *= 2.0;
    auto value = static_cast<unsigned>(std::lround(std::min(count, 65535.0)));
    // Low resolution resolves about 4 lx: the lowest two bits carry nothing.
    if (IsLowResolution(m_mode))
        value &= ~3U;
    return static_cast<std::uint16_t>(value);
}

void CSimLightSensor::StartMeasurement(std::uint8_t mode)
{
    // A measurement opcode also wakes a powered-down sensor.
    m_poweredOn = true;
    m_mode = mode;
    m_measurementStart = Now();
}

void CSimLightSensor::Update()
{
    if (!m_poweredOn || m_mode == 0)
        return;
    const Clock::duration period = MeasurementTime();
    const Clock::time_point now = Now();
    if (now < m_measurementStart + period)
        return;
    if (IsContinuous(m_mode)) {
        const auto cycles = (now - m_measurementStart) / period;
        m_reading = CountFor(LuxAt(m_measurementStart + cycles * period));
        return;
    }
    m_reading = CountFor(LuxAt(m_measurementStart + period));
    m_mode = 0;
    m_poweredOn = false;
}
