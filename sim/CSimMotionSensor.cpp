// SPDX-License-Identifier: MIT
#include "CSimMotionSensor.h"

#include "SimLock.h"
#include "SimNoise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr std::size_t REGISTER_COUNT = 128;
constexpr int SAMPLE_COUNT = 7; // accel X, Y, Z, temperature, gyro X, Y, Z
constexpr int TEMPERATURE_SAMPLE = 3;
constexpr std::uint8_t SLEEP_BIT = 0x40;
constexpr double COUNTS_PER_G = 16384.0;
constexpr double COUNTS_PER_DEGREE_S = 131.0;
constexpr double TEMPERATURE_COUNTS_PER_C = 340.0;
constexpr double TEMPERATURE_OFFSET_C = 36.53;
// Drift amplitude (in the axis's counts) and period of every sample but the temperature.
constexpr std::array<double, SAMPLE_COUNT> DRIFT_COUNTS{300.0, 200.0, 150.0, 0.0, 40.0, 30.0, 20.0};
constexpr std::array<double, SAMPLE_COUNT> DRIFT_PERIOD_S{7.0, 11.0, 13.0, 1.0, 5.0, 9.0, 17.0};
constexpr double NOISE_COUNTS = 8.0;
constexpr std::chrono::milliseconds SAMPLE_PERIOD(10);
constexpr std::uint64_t NOISE_SEED = 0x4D4F54494F4E0068ULL;

} // namespace

CSimMotionSensor::CSimMotionSensor(double celsius)
    : CSimRegisterFile(REGISTER_COUNT)
    , m_celsius(celsius)
    , m_clock([] { return Clock::now(); })
    , m_epoch(m_clock())
{
    m_registers[REG_WHO_AM_I] = WHO_AM_I;
    m_registers[REG_PWR_MGMT_1] = PWR_MGMT_1_RESET;
    m_readOnly[REG_WHO_AM_I] = true;
    for (int reg = REG_SAMPLES; reg < REG_SAMPLES + 2 * SAMPLE_COUNT; ++reg)
        m_readOnly[std::size_t(reg)] = true;
}

void CSimMotionSensor::SetClock(std::function<Clock::time_point()> now)
{
    const std::lock_guard lock(SimMutex());
    m_clock = std::move(now);
    m_epoch = m_clock();
}

void CSimMotionSensor::SetSample(int index, double value)
{
    const long counts = std::clamp(std::lround(value), -32768L, 32767L);
    const auto bits = static_cast<std::uint16_t>(counts);
    m_registers[std::size_t(REG_SAMPLES + 2 * index)] = static_cast<std::uint8_t>(bits >> 8);
    m_registers[std::size_t(REG_SAMPLES + 2 * index + 1)] = static_cast<std::uint8_t>(bits);
}

void CSimMotionSensor::RefreshRegisters()
{
    if ((m_registers[REG_PWR_MGMT_1] & SLEEP_BIT) != 0)
        return;
    const auto sample = (m_clock() - m_epoch) / SAMPLE_PERIOD;
    const double seconds = std::chrono::duration<double>(sample * SAMPLE_PERIOD).count();
    for (int i = 0; i < SAMPLE_COUNT; ++i) {
        const double noise = NOISE_COUNTS * SimNoise(NOISE_SEED + std::uint64_t(i),
                                                     static_cast<std::uint64_t>(sample));
        if (i == TEMPERATURE_SAMPLE) {
            SetSample(i, (m_celsius - TEMPERATURE_OFFSET_C) * TEMPERATURE_COUNTS_PER_C + noise);
            continue;
        }
        const double rest = i == 2 ? COUNTS_PER_G : 0.0;
        const double phase = 2.0 * std::numbers::pi * seconds / DRIFT_PERIOD_S[std::size_t(i)];
        SetSample(i, rest + DRIFT_COUNTS[std::size_t(i)] * std::sin(phase) + noise);
    }
}
