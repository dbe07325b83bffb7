#include "CSimTemperatureSensor.h"

#include "SimLock.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t REGISTER_COUNT = 16;
constexpr std::uint8_t CONFIG_SHUTDOWN = 0x01;
constexpr std::uint8_t STATUS_HIGH = 0x01;
constexpr std::uint8_t STATUS_LOW = 0x02;
constexpr std::uint8_t DEFAULT_LIMIT_HIGH = 80;
constexpr std::uint8_t DEFAULT_LIMIT_LOW = 0xF6; // -10 degrees

} // namespace

CSimTemperatureSensor::CSimTemperatureSensor(double celsius)
    : CSimRegisterFile(REGISTER_COUNT)
    , m_celsius(celsius)
{
    m_registers[REG_LIMIT_HIGH] = DEFAULT_LIMIT_HIGH;
    m_registers[REG_LIMIT_LOW] = DEFAULT_LIMIT_LOW;
    m_registers[REG_ID] = DEVICE_ID;
    for (std::size_t reg = 0; reg < REGISTER_COUNT; ++reg) {
        const bool writable = reg == REG_CONFIG || reg == REG_LIMIT_HIGH || reg == REG_LIMIT_LOW;
        m_readOnly[reg] = !writable;
    }
    RefreshRegisters();
}

void CSimTemperatureSensor::SetTemperature(double celsius)
{
    const std::lock_guard lock(SimMutex());
    m_celsius = celsius;
}

void CSimTemperatureSensor::RefreshRegisters()
{
    if ((m_registers[REG_CONFIG] & CONFIG_SHUTDOWN) != 0)
        return;
    const long sixteenths = std::clamp(std::lround(m_celsius * 16.0), -2048L, 2047L);
    const auto raw = static_cast<std::uint16_t>(sixteenths * 16);
    m_registers[REG_TEMPERATURE_HIGH] = static_cast<std::uint8_t>(raw >> 8);
    m_registers[REG_TEMPERATURE_LOW] = static_cast<std::uint8_t>(raw & 0xF0);
    const auto whole = static_cast<std::int8_t>(m_registers[REG_TEMPERATURE_HIGH]);
    std::uint8_t status = 0;
    if (whole > static_cast<std::int8_t>(m_registers[REG_LIMIT_HIGH]))
        status |= STATUS_HIGH;
    if (whole < static_cast<std::int8_t>(m_registers[REG_LIMIT_LOW]))
        status |= STATUS_LOW;
    m_registers[REG_STATUS] = status;
}
