#pragma once

#include "CSimRegisterFile.h"

// A temperature sensor with 16 registers: 0x00 temperature high byte (whole degrees
// Celsius, two's complement), 0x01 low byte (sixteenths of a degree in the top four
// bits), 0x02 configuration (bit 0 shuts the conversion down and freezes the reading),
// 0x03 and 0x04 the high and low alert limits in whole degrees, 0x05 status (bit 0 above
// the high limit, bit 1 below the low limit), 0x0F the device ID 0x5A. The temperature,
// status, ID and the reserved registers 0x06..0x0E are read-only.
class CSimTemperatureSensor : public CSimRegisterFile
{
public:
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

protected:
    void RefreshRegisters() override;

private:
    double m_celsius;
};
