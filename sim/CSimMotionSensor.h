// SPDX-License-Identifier: MIT
#pragma once

#include "CSimRegisterFile.h"

#include <chrono>
#include <functional>

// A six-axis motion sensor of the common kind with 128 byte registers: WHO_AM_I at 0x75
// reads 0x68, PWR_MGMT_1 at 0x6B resets to 0x40 (asleep), and the sample registers
// 0x3B-0x48 hold accelerometer X, Y, Z, temperature and gyroscope X, Y, Z as big-endian
// 16-bit values (2 g and 250 degrees/s ranges). The sensor lies flat (1 g on Z); once
// awake every axis drifts slowly (sines of different periods) with a little noise, and the
// temperature follows the set value. Asleep, the samples keep their last values. The
// sample registers and WHO_AM_I are read-only; a pointer beyond 0x7F is not acknowledged.
class CSimMotionSensor : public CSimRegisterFile
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint8_t REG_SAMPLES = 0x3B;
    static constexpr std::uint8_t REG_PWR_MGMT_1 = 0x6B;
    static constexpr std::uint8_t REG_WHO_AM_I = 0x75;
    static constexpr std::uint8_t WHO_AM_I = 0x68;
    static constexpr std::uint8_t PWR_MGMT_1_RESET = 0x40;

    explicit CSimMotionSensor(double celsius = 24.0);

    // Time source for the drift, so a test can step time instead of waiting.
    void SetClock(std::function<Clock::time_point()> now);

protected:
    void RefreshRegisters() override;

private:
    void SetSample(int index, double value);

    double m_celsius;
    std::function<Clock::time_point()> m_clock;
    Clock::time_point m_epoch;
};
