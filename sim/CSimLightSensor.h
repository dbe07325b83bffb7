// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <chrono>
#include <functional>

// The ambient light sensor of the example device file, at 0x23 or 0x5C. Every written
// byte is an opcode: 0x00 power down, 0x01 power on, 0x07 reset (clears the reading,
// only while powered), 0x10/0x11/0x13 continuous high, high-2 and low resolution,
// 0x20/0x21/0x23 the same once (then power down), 0x40..0x47 and 0x60..0x7F the
// measurement time register. Other opcodes are not acknowledged. A read returns the last
// finished measurement, high byte first, as count = lux * 1.2 * (time register / 69),
// doubled in high-2 mode; a measurement takes 120 ms (16 ms at low resolution), scaled
// by the time register. The light level wanders slowly around the set value (a sine with
// a 30 s period), and each measurement may carry a little noise of its own.
class CSimLightSensor : public CSimSlave
{
public:
    using Clock = std::chrono::steady_clock;

    explicit CSimLightSensor(double lux = 320.0);

    void SetIlluminance(double lux);
    // Relative amplitude of the slow wander of the light level; 0 keeps it constant.
    void SetVariation(double relativeAmplitude);
    // Relative amplitude of the noise on each measurement; 0 (the default) has none.
    void SetNoise(double relativeAmplitude);
    // Time source for measurements, so a test can step time instead of waiting.
    void SetClock(std::function<Clock::time_point()> now);

    // State as of now: a finished one-time measurement has already powered it down.
    bool IsPoweredOn();
    std::uint8_t GetMode(); // the running measurement opcode, 0 when none
    std::uint16_t GetReading();

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;
    void OnPowerUp() override;

private:
    Clock::time_point Now() const;
    Clock::duration MeasurementTime() const;
    double LuxAt(Clock::time_point time) const;
    std::uint16_t CountFor(double lux) const;
    void StartMeasurement(std::uint8_t mode);
    void Update();

    double m_lux;
    double m_variation = 0.05;
    double m_noise = 0.0;
    std::function<Clock::time_point()> m_clock;
    Clock::time_point m_epoch;
    Clock::time_point m_measurementStart;
    bool m_poweredOn = false;
    std::uint8_t m_mode = 0;
    std::uint8_t m_timeRegister = 69;
    std::uint16_t m_reading = 0;
    unsigned m_readIndex = 0;
};
