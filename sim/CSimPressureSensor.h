// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <array>
#include <cstdint>

// A combined pressure, temperature and humidity sensor with 8-bit registers, usually at
// 0x76. Reads return registers from the pointer on and increment it; a write is the
// pointer followed by register/value pairs (the first value goes to the pointer, then each
// further pair names its own register). 0xD0 chip ID (0x60), 0xE0 reset (writing 0xB6
// resets, reads 0), 0xF2 ctrl_hum (bits 2:0 humidity oversampling), 0xF3 status (bit 3
// measuring, bit 0 copying trimming; both always 0, since results are ready at once), 0xF4
// ctrl_meas (bits 7:5 temperature oversampling, 4:2 pressure oversampling, 1:0 mode),
// 0xF5 config, 0xF7-0xF9 pressure (20 bits, MSB first, the last nibble in bits 7:4 of
// 0xF9), 0xFA-0xFC temperature (the same layout), 0xFD-0xFE humidity (16 bits, MSB first).
// Trimming: 0x88-0x9F dig_T1..T3 and dig_P1..P9 (16 bits each, LSB first), 0xA1 dig_H1,
// 0xE1-0xE2 dig_H2, 0xE3 dig_H3, 0xE4/0xE5[3:0] dig_H4 (12 bits, 0xE4 the upper eight),
// 0xE5[7:4]/0xE6 dig_H5 (12 bits, 0xE6 the upper eight), 0xE7 dig_H6. Writing ctrl_meas
// with mode 01 or 10 (forced) measures once and returns to sleep (mode 00); mode 11
// (normal) keeps the data registers current. A quantity whose oversampling is 0 is skipped
// and reads as 0x80000 (0x8000 for humidity), the value the data registers hold after
// power-up or a reset. Other registers read 0 and ignore writes.
class CSimPressureSensor : public CSimSlave
{
public:
    static constexpr std::uint8_t CHIP_ID = 0x60;
    static constexpr std::uint8_t REG_CHIP_ID = 0xD0;
    static constexpr std::uint8_t REG_RESET = 0xE0;
    static constexpr std::uint8_t REG_CTRL_HUM = 0xF2;
    static constexpr std::uint8_t REG_STATUS = 0xF3;
    static constexpr std::uint8_t REG_CTRL_MEAS = 0xF4;
    static constexpr std::uint8_t REG_CONFIG = 0xF5;
    static constexpr std::uint8_t REG_DATA = 0xF7;
    static constexpr std::uint8_t RESET_WORD = 0xB6;

    // The trimming values, as the sensor's own non-volatile memory would hold them.
    struct STrimming
    {
        std::uint16_t t1;
        std::int16_t t2, t3;
        std::uint16_t p1;
        std::int16_t p2, p3, p4, p5, p6, p7, p8, p9;
        std::uint8_t h1;
        std::int16_t h2;
        std::uint8_t h3;
        std::int16_t h4, h5; // 12 bits each
        std::int8_t h6;
    };

    struct SRawReadings
    {
        std::uint32_t pressure;    // 20 bits
        std::uint32_t temperature; // 20 bits
        std::uint16_t humidity;
    };

    // Values of a typical part; with DEFAULT_RAW they read about 25.1 degrees, 1006.5 hPa
    // and 50 % relative humidity.
    static constexpr STrimming DEFAULT_TRIMMING = {27504, 26435, -1000, 36477, -10685, 3024,
                                                   2855,  140,   -7,    15500, -14600, 6000,
                                                   75,    362,   12,    313,   50,     30};
    static constexpr SRawReadings DEFAULT_RAW = {415148, 519888, 29100};

    explicit CSimPressureSensor(const STrimming &trimming = DEFAULT_TRIMMING,
                                const SRawReadings &raw = DEFAULT_RAW);

    // What the next measurement yields.
    void SetRawReadings(const SRawReadings &raw);
    SRawReadings GetRawReadings();
    STrimming GetTrimming();
    std::uint8_t GetRegister(std::uint8_t reg);
    // How many measurements it made since it was made.
    unsigned GetMeasurementCount();

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;
    void OnPowerUp() override;

private:
    void Reset();
    void WriteRegister(std::uint8_t reg, std::uint8_t value);
    void Measure();

    STrimming m_trimming;
    SRawReadings m_raw;
    std::array<std::uint8_t, 256> m_registers{};
    unsigned m_measurements = 0;
    std::uint8_t m_pointer = 0;
    unsigned m_written = 0; // bytes of the current write
};
