// SPDX-License-Identifier: MIT
#pragma once

#include "CSimWordRegisterDevice.h"

// A temperature sensor of the common 12-bit pointer-register kind. Register 0x00 TEMP
// (read-only): two's complement, left-justified in 16 bits, 0.0625 degrees per step (13
// bits with the extended-mode bit). 0x01 CONFIG, reset 0x60A0: bit 15 one-shot (in
// shutdown, writing 1 makes one conversion; it then reads 1), bits 14:13 resolution
// (read-only, 12 bits), 12:11 fault queue, 10 alert polarity, 9 thermostat mode, 8
// shutdown (freezes the reading), 7:6 conversion rate, 5 alert (read-only; with polarity
// 0 it reads 0 from a conversion at or above THIGH until one below TLOW), 4 extended mode.
// 0x02 TLOW (reset 75 degrees) and 0x03 THIGH (80 degrees) in TEMP's format. A conversion
// ends every 100 ms; the temperature may drift slowly around the set value (a sine with a
// 60 s period) with a little noise on each conversion, both off by default and both in
// degrees.
class CSimTemperatureSensor : public CSimWordRegisterDevice
{
public:
    static constexpr std::uint8_t REG_TEMPERATURE = 0x00;
    static constexpr std::uint8_t REG_CONFIG = 0x01;
    static constexpr std::uint8_t REG_LIMIT_LOW = 0x02;
    static constexpr std::uint8_t REG_LIMIT_HIGH = 0x03;
    static constexpr std::uint16_t CONFIG_RESET = 0x60A0;
    static constexpr std::uint16_t CONFIG_ONE_SHOT = 0x8000;
    static constexpr std::uint16_t CONFIG_SHUTDOWN = 0x0100;
    static constexpr std::uint16_t CONFIG_ALERT = 0x0020;

    explicit CSimTemperatureSensor(double celsius = 23.5);

    void SetTemperature(double celsius);

    std::uint16_t GetRegister(std::uint8_t reg);

protected:
    bool HasRegister(std::uint8_t reg) const override;
    bool IsWritable(std::uint8_t reg) const override;
    std::uint16_t ReadRegister(std::uint8_t reg) override;
    void WriteRegister(std::uint8_t reg, std::uint16_t value) override;

private:
    double CelsiusNow() const;
    void Convert();
    std::uint16_t Encode(double celsius) const;
    void Refresh();

    double m_celsius;
    std::uint16_t m_temperature = 0;
    std::uint16_t m_config = CONFIG_RESET;
    std::uint16_t m_limitLow;
    std::uint16_t m_limitHigh;
    bool m_alert = false;
};
