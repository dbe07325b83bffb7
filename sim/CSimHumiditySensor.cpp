// SPDX-License-Identifier: MIT
#include "CSimHumiditySensor.h"

#include "SimLock.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

constexpr std::uint8_t MEASURE_HUMIDITY_HOLD = 0xE5;
constexpr std::uint8_t MEASURE_HUMIDITY = 0xF5;
constexpr std::uint8_t MEASURE_TEMPERATURE_HOLD = 0xE3;
constexpr std::uint8_t MEASURE_TEMPERATURE = 0xF3;
constexpr std::uint8_t PREVIOUS_TEMPERATURE = 0xE0;
constexpr std::uint8_t WRITE_USER_REGISTER = 0xE6;
constexpr std::uint8_t READ_USER_REGISTER = 0xE7;
constexpr std::uint8_t WRITE_HEATER = 0x51;
constexpr std::uint8_t READ_HEATER = 0x11;
constexpr std::uint8_t READ_ID_FIRST = 0xFA;
constexpr std::uint8_t READ_ID_SECOND = 0xFC;
constexpr std::uint8_t READ_FIRMWARE = 0x84;
constexpr std::uint8_t FIRMWARE_REVISION = 0x20;
constexpr std::uint8_t DEVICE_ID = 0x15; // SNB_3 of the humidity sensor this one models
constexpr std::uint8_t SERIAL_A[4] = {0x5E, 0x1A, 0x70, 0x21};
constexpr std::uint8_t SERIAL_B[3] = {0x00, 0x2B, 0x4C};

std::uint8_t Crc8(const std::uint8_t *bytes, std::size_t count)
{
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = std::uint8_t((crc & 0x80) ? (crc << 1) ^ 0x31 : crc << 1);
    }
    return crc;
}

std::uint16_t Code(double value, double scale, double offset)
{
    const long code = std::lround((value + offset) * 65536.0 / scale);
    // The two lowest bits are status bits and read as zero.
    return std::uint16_t(std::clamp(code, 0L, 65535L) & 0xFFFC);
}

} // namespace

CSimHumiditySensor::CSimHumiditySensor(double relativeHumidity, double celsius)
    : m_humidity(relativeHumidity)
    , m_celsius(celsius)
{}

void CSimHumiditySensor::SetClimate(double relativeHumidity, double celsius)
{
    const std::lock_guard lock(SimMutex());
    m_humidity = relativeHumidity;
    m_celsius = celsius;
}

std::uint8_t CSimHumiditySensor::GetUserRegister()
{
    const std::lock_guard lock(SimMutex());
    return m_userRegister;
}

std::uint8_t CSimHumiditySensor::GetHeaterRegister()
{
    const std::lock_guard lock(SimMutex());
    return m_heater;
}

unsigned CSimHumiditySensor::GetResetCount()
{
    const std::lock_guard lock(SimMutex());
    return m_resets;
}

std::vector<std::uint8_t> CSimHumiditySensor::GetCommands()
{
    const std::lock_guard lock(SimMutex());
    return m_commands;
}

bool CSimHumiditySensor::OnStart(bool read)
{
    if (read)
        PrepareRead();
    else
        m_written = 0;
    return true;
}

bool CSimHumiditySensor::OnWrite(std::uint8_t byte)
{
    if (m_written++ > 0) {
        // The byte after a command: a register value or the second half of an ID command.
        if (m_command == WRITE_USER_REGISTER)
            m_userRegister = byte;
        else if (m_command == WRITE_HEATER)
            m_heater = byte & 0x0F;
        return true;
    }
    switch (byte) {
    case MEASURE_HUMIDITY_HOLD:
    case MEASURE_HUMIDITY:
    case MEASURE_TEMPERATURE_HOLD:
    case MEASURE_TEMPERATURE:
    case PREVIOUS_TEMPERATURE:
    case WRITE_USER_REGISTER:
    case READ_USER_REGISTER:
    case WRITE_HEATER:
    case READ_HEATER:
    case READ_ID_FIRST:
    case READ_ID_SECOND:
    case READ_FIRMWARE:
        break;
    case CMD_RESET:
        Reset();
        ++m_resets;
        break;
    default:
        m_written = 0;
        return false;
    }
    m_command = byte;
    m_commands.push_back(byte);
    return true;
}

std::uint8_t CSimHumiditySensor::OnRead()
{
    return m_replyIndex < m_reply.size() ? m_reply[m_replyIndex++] : 0xFF;
}

void CSimHumiditySensor::OnPowerUp()
{
    Reset();
}

void CSimHumiditySensor::Reset()
{
    m_userRegister = USER_REGISTER_RESET;
    m_heater = 0;
    m_command = 0;
}

void CSimHumiditySensor::Reply(std::uint16_t word)
{
    const std::uint8_t bytes[2] = {std::uint8_t(word >> 8), std::uint8_t(word)};
    m_reply = {bytes[0], bytes[1], Crc8(bytes, 2)};
}

void CSimHumiditySensor::PrepareRead()
{
    m_replyIndex = 0;
    m_reply.clear();
    switch (m_command) {
    case MEASURE_HUMIDITY_HOLD:
    case MEASURE_HUMIDITY:
        Reply(Code(m_humidity, 125.0, 6.0));
        break;
    case MEASURE_TEMPERATURE_HOLD:
    case MEASURE_TEMPERATURE:
    case PREVIOUS_TEMPERATURE:
        Reply(Code(m_celsius, 175.72, 46.85));
        break;
    case READ_USER_REGISTER:
        m_reply = {m_userRegister};
        break;
    case READ_HEATER:
        m_reply = {m_heater};
        break;
    case READ_ID_FIRST:
        // Each serial byte followed by a CRC of the serial bytes so far.
        for (std::size_t i = 0; i < std::size(SERIAL_A); ++i) {
            m_reply.push_back(SERIAL_A[i]);
            m_reply.push_back(Crc8(SERIAL_A, i + 1));
        }
        break;
    case READ_ID_SECOND: {
        const std::uint8_t serial[4] = {DEVICE_ID, SERIAL_B[0], SERIAL_B[1], SERIAL_B[2]};
        for (std::size_t i = 0; i < std::size(serial); i += 2) {
            m_reply.push_back(serial[i]);
            m_reply.push_back(serial[i + 1]);
            m_reply.push_back(Crc8(serial, i + 2));
        }
        break;
    }
    case READ_FIRMWARE:
        m_reply = {FIRMWARE_REVISION};
        break;
    default:
        break;
    }
}
