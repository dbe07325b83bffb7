// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <chrono>
#include <cstdint>
#include <functional>

// A device of 16-bit registers behind a pointer byte, as many sensors and monitors have: a
// write's first byte selects a register, the next two (high byte first) write it; a read
// returns the selected register, high byte first, as often as the master asks, without
// moving the pointer. A pointer to no register, a write to a read-only register and a
// third data byte are not acknowledged. Such a device measures in conversions of a fixed
// time; its reading may drift slowly as a sine around the set value with a little noise on
// each conversion, both off by default.
class CSimWordRegisterDevice : public CSimSlave
{
public:
    using Clock = std::chrono::steady_clock;

    // Amplitude of the slow drift, in the unit the device names; 0 keeps the set value.
    void SetVariation(double amplitude);
    // Amplitude of the noise on each conversion, in the unit the device names; 0 has none.
    void SetNoise(double amplitude);
    // Time source for conversions, so a test can step time instead of waiting.
    void SetClock(std::function<Clock::time_point()> now);

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;

    std::uint8_t GetPointer() const;

protected:
    CSimWordRegisterDevice(Clock::duration conversionTime, double driftPeriodSeconds,
                           std::uint64_t noiseSeed);

    // Called under the simulator's lock once a new clock is set, for conversion state.
    virtual void OnClockSet() {}
    bool Varies() const;
    // The number of the last finished conversion since the clock was set.
    std::int64_t ConversionIndex() const;
    // The drift and the noise of that conversion, each scaled by its amplitude.
    double Drift(std::int64_t conversion) const;
    double Noise(std::int64_t conversion) const;

    virtual bool HasRegister(std::uint8_t reg) const = 0;
    virtual bool IsWritable(std::uint8_t reg) const = 0;
    // The register's value as a read starts (a read may have side effects, as clearing flags).
    virtual std::uint16_t ReadRegister(std::uint8_t reg) = 0;
    virtual void WriteRegister(std::uint8_t reg, std::uint16_t value) = 0;

private:
    Clock::duration m_conversionTime;
    double m_driftPeriodSeconds;
    std::uint64_t m_noiseSeed;
    double m_variation = 0.0;
    double m_noise = 0.0;
    std::function<Clock::time_point()> m_clock;
    Clock::time_point m_epoch;
    std::uint8_t m_pointer = 0;
    bool m_expectPointer = false;
    int m_dataBytes = 0;
    std::uint8_t m_high = 0;
    std::uint16_t m_latched = 0;
    int m_readBytes = 0;
};
