// SPDX-License-Identifier: MIT
#include "CSimPressureSensor.h"

#include "SimLock.h"

#include <mutex>

namespace {

constexpr std::uint8_t TRIMMING_FIRST = 0x88;
constexpr std::uint8_t TRIMMING_H1 = 0xA1;
constexpr std::uint8_t TRIMMING_H2 = 0xE1;
constexpr std::uint8_t MODE_MASK = 0x03;
constexpr std::uint8_t MODE_NORMAL = 0x03;
constexpr std::uint32_t SKIPPED_20_BITS = 0x80000;
constexpr std::uint16_t SKIPPED_16_BITS = 0x8000;

void PutLittleEndian(std::uint8_t *at, std::uint16_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
}

void Put20Bits(std::uint8_t *at, std::uint32_t value)
{
    at[0] = std::uint8_t(value >> 12);
    at[1] = std::uint8_t(value >> 4);
    at[2] = std::uint8_t((value & 0x0F) << 4);
}

} // namespace

CSimPressureSensor::CSimPressureSensor(const STrimming &trimming, const SRawReadings &raw)
    : m_trimming(trimming)
    , m_raw(raw)
{
    // The trimming lives in non-volatile memory: it survives resets, so it is laid out once.
    const std::uint16_t words[12] = {m_trimming.t1,
                                     std::uint16_t(m_trimming.t2),
                                     std::uint16_t(m_trimming.t3),
                                     m_trimming.p1,
                                     std::uint16_t(m_trimming.p2),
                                     std::uint16_t(m_trimming.p3),
                                     std::uint16_t(m_trimming.p4),
                                     std::uint16_t(m_trimming.p5),
                                     std::uint16_t(m_trimming.p6),
                                     std::uint16_t(m_trimming.p7),
                                     std::uint16_t(m_trimming.p8),
                                     std::uint16_t(m_trimming.p9)};
    for (std::size_t i = 0; i < std::size(words); ++i)
        PutLittleEndian(&m_registers[TRIMMING_FIRST + 2 * i], words[i]);
    m_registers[TRIMMING_H1] = m_trimming.h1;
    PutLittleEndian(&m_registers[TRIMMING_H2], std::uint16_t(m_trimming.h2));
    const auto h4 = std::uint16_t(m_trimming.h4) & 0x0FFF;
    const auto h5 = std::uint16_t(m_trimming.h5) & 0x0FFF;
    m_registers[TRIMMING_H2 + 2] = m_trimming.h3;
    m_registers[TRIMMING_H2 + 3] = std::uint8_t(h4 >> 4);
    m_registers[TRIMMING_H2 + 4] = std::uint8_t(((h5 & 0x0F) << 4) | (h4 & 0x0F));
    m_registers[TRIMMING_H2 + 5] = std::uint8_t(h5 >> 4);
    m_registers[TRIMMING_H2 + 6] = std::uint8_t(m_trimming.h6);
    m_registers[REG_CHIP_ID] = CHIP_ID;
    Reset();
}

void CSimPressureSensor::SetRawReadings(const SRawReadings &raw)
{
    const std::lock_guard lock(SimMutex());
    m_raw = raw;
    if ((m_registers[REG_CTRL_MEAS] & MODE_MASK) == MODE_NORMAL)
        Measure();
}

CSimPressureSensor::SRawReadings CSimPressureSensor::GetRawReadings()
{
    const std::lock_guard lock(SimMutex());
    return m_raw;
}

CSimPressureSensor::STrimming CSimPressureSensor::GetTrimming()
{
    const std::lock_guard lock(SimMutex());
    return m_trimming;
}

std::uint8_t CSimPressureSensor::GetRegister(std::uint8_t reg)
{
    const std::lock_guard lock(SimMutex());
    return m_registers[reg];
}

unsigned CSimPressureSensor::GetMeasurementCount()
{
    const std::lock_guard lock(SimMutex());
    return m_measurements;
}

bool CSimPressureSensor::OnStart(bool read)
{
    if (!read)
        m_written = 0;
    return true;
}

bool CSimPressureSensor::OnWrite(std::uint8_t byte)
{
    // Even bytes name a register, odd bytes are its value.
    if (m_written++ % 2 == 0)
        m_pointer = byte;
    else
        WriteRegister(m_pointer, byte);
    return true;
}

std::uint8_t CSimPressureSensor::OnRead()
{
    return m_registers[m_pointer++];
}

void CSimPressureSensor::OnPowerUp()
{
    Reset();
}

void CSimPressureSensor::Reset()
{
    for (std::uint8_t reg : {REG_CTRL_HUM, REG_STATUS, REG_CTRL_MEAS, REG_CONFIG})
        m_registers[reg] = 0;
    Put20Bits(&m_registers[REG_DATA], SKIPPED_20_BITS);
    Put20Bits(&m_registers[REG_DATA + 3], SKIPPED_20_BITS);
    m_registers[REG_DATA + 6] = std::uint8_t(SKIPPED_16_BITS >> 8);
    m_registers[REG_DATA + 7] = 0;
}

void CSimPressureSensor::WriteRegister(std::uint8_t reg, std::uint8_t value)
{
    switch (reg) {
    case REG_RESET:
        if (value == RESET_WORD)
            Reset();
        break;
    case REG_CTRL_HUM:
        m_registers[reg] = value & 0x07;
        break;
    case REG_CONFIG:
        m_registers[reg] = value & 0xFD; // bit 1 does not exist
        break;
    case REG_CTRL_MEAS: {
        const std::uint8_t mode = value & MODE_MASK;
        m_registers[reg] = value;
        if (mode == 0)
            break;
        Measure();
        if (mode != MODE_NORMAL)
            m_registers[reg] = value & std::uint8_t(~MODE_MASK);
        break;
    }
    default:
        break;
    }
}

void CSimPressureSensor::Measure()
{
    const std::uint8_t meas = m_registers[REG_CTRL_MEAS];
    const bool pressure = (meas >> 2) & 0x07;
    const bool temperature = (meas >> 5) & 0x07;
    const bool humidity = m_registers[REG_CTRL_HUM] & 0x07;
    Put20Bits(&m_registers[REG_DATA], pressure ? m_raw.pressure : SKIPPED_20_BITS);
    Put20Bits(&m_registers[REG_DATA + 3], temperature ? m_raw.temperature : SKIPPED_20_BITS);
    const std::uint16_t hum = humidity ? m_raw.humidity : SKIPPED_16_BITS;
    m_registers[REG_DATA + 6] = std::uint8_t(hum >> 8);
    m_registers[REG_DATA + 7] = std::uint8_t(hum);
    ++m_measurements;
}
