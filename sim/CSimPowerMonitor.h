// SPDX-License-Identifier: MIT
#pragma once

#include "CSimWordRegisterDevice.h"

// A current and power monitor of 16-bit registers behind a pointer byte, high byte first,
// measuring across a 10 milliohm shunt. 0x00 CONFIG (reset 0x4127; writing bit 15 resets
// every register, and the bit reads 0), 0x01 SHUNT voltage (signed, 2.5 uV per step), 0x02
// BUS voltage (1.25 mV per step), 0x03 POWER (25 current steps times the bus voltage),
// 0x04 CURRENT (shunt steps * CALIBRATION / 2048), 0x05 CALIBRATION, 0x06 MASK/ENABLE (bits
// 15:10 choose the alert: shunt over or under, bus over or under, power over, conversion
// ready; bit 4 alert flag, bit 3 conversion ready, both cleared by reading the register
// (the alert flag only when latched by bit 0); bit 1 alert polarity), 0x07 ALERT LIMIT,
// 0xFE manufacturer ID 0x5449 and 0xFF die ID 0x2260, both fixed. Readings are read-only;
// a conversion ends every 2.2 ms. The current may drift slowly around the set value (a sine
// with a 20 s period) with a little noise on each conversion, both off by default and both
// relative to the current.
class CSimPowerMonitor : public CSimWordRegisterDevice
{
public:
    static constexpr std::uint8_t REG_CONFIG = 0x00;
    static constexpr std::uint8_t REG_SHUNT = 0x01;
    static constexpr std::uint8_t REG_BUS = 0x02;
    static constexpr std::uint8_t REG_POWER = 0x03;
    static constexpr std::uint8_t REG_CURRENT = 0x04;
    static constexpr std::uint8_t REG_CALIBRATION = 0x05;
    static constexpr std::uint8_t REG_MASK_ENABLE = 0x06;
    static constexpr std::uint8_t REG_ALERT_LIMIT = 0x07;
    static constexpr std::uint8_t REG_MANUFACTURER_ID = 0xFE;
    static constexpr std::uint8_t REG_DIE_ID = 0xFF;
    static constexpr std::uint16_t CONFIG_RESET = 0x4127;
    static constexpr std::uint16_t MANUFACTURER_ID = 0x5449;
    static constexpr std::uint16_t DIE_ID = 0x2260;
    static constexpr std::uint16_t FLAG_ALERT = 0x0010;
    static constexpr std::uint16_t FLAG_CONVERSION_READY = 0x0008;

    explicit CSimPowerMonitor(double busVolts = 5.0, double amps = 0.25);

    void SetReadings(double busVolts, double amps);

    // The register as the master would read it, without a read's side effects.
    std::uint16_t PeekRegister(std::uint8_t reg);

protected:
    void OnClockSet() override;
    bool HasRegister(std::uint8_t reg) const override;
    bool IsWritable(std::uint8_t reg) const override;
    std::uint16_t ReadRegister(std::uint8_t reg) override;
    void WriteRegister(std::uint8_t reg, std::uint16_t value) override;

private:
    struct SReadings
    {
        std::int16_t shunt = 0;
        std::uint16_t bus = 0;
        std::int16_t current = 0;
        std::uint16_t power = 0;
    };

    void Reset();
    SReadings Measure(std::int64_t conversion) const;
    bool AlertCondition(const SReadings &readings) const;
    void Update();
    std::uint16_t Value(std::uint8_t reg) const;

    double m_busVolts;
    double m_amps;
    std::uint16_t m_config = CONFIG_RESET;
    std::uint16_t m_calibration = 0;
    std::uint16_t m_maskEnable = 0;
    std::uint16_t m_alertLimit = 0;
    SReadings m_readings;
    std::int64_t m_lastConversion = -1;
    std::int64_t m_conversionSeen = -1;
    bool m_alertFlag = false;
};
