// SPDX-License-Identifier: MIT
#pragma once

#include "CSimRegisterFile.h"

#include <chrono>
#include <functional>

// A temperature sensor with 16 registers: 0x00 temperature high byte (whole degrees
// Celsius, two's complement), 0x01 low byte (sixteenths of a degree in the top four
// bits), 0x02 configuration (bit 0 shuts the conversion down and freezes the reading),
// 0x03 and 0x04 the high and low alert limits in whole degrees, 0x05 status (bit 0 above
// the high limit, bit 1 below the low limit), 0x0F the device ID 0x5A. The temperature,
// status, ID and the reserved registers 0x06..0x0E are read-only. A conversion ends every
// 100 ms; the temperature may drift slowly around the set value (a sine with a 60 s period)
// with a little noise on each conversion, both off by default.
class CSimTemperatureSensor : public CSimRegisterFile
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint8_t REG_TEMPERATURE_HIGH = 0x00;
    static constexpr std::uint8_t REG_TEMPERATURE_LOW = 0x01;
    static constexpr std::uint8_t REG_CONFIG = 0x02;
    static constexpr std::uint8_t REG_LIMIT_HIGH = 0x03;
    static constexpr std::uint8_t REG_LIMIT_LOW = 0x04;
    static constexpr std::uint8_t REG_STATUS = 0x05;
    static constexpr std::uint8_t REG_ID = 0x0F;
    static constexpr std::uint8_t DEVICE_ID = 0x5A;

    explicit CSimTemperatureSensor(double celsius = 23.5);

    void SetTemperature(double celsius);
    // Amplitude of the slow drift in degrees; 0 keeps the temperature at the set value.
    void SetVariation(double celsius);
    // Amplitude of the noise on each conversion in degrees; 0 has none.
    void SetNoise(double celsius);
    // Time source for conversions, so a test can step time instead of waiting.
    void SetClock(std::function<Clock::time_point()> now);

protected:
    void RefreshRegisters() override;

private:
    double CelsiusNow() const;

    double m_celsius;
    double m_variation = 0.0;
    double m_noise = 0.0;
    std::function<Clock::time_point()> m_clock;
    Clock::time_point m_epoch;
};
