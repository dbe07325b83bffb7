// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <cstdint>
#include <vector>

// A humidity and temperature sensor of the command kind, at 0x40: the first byte of every
// write is a command, never a register address. 0xE5/0xF5 measure humidity, 0xE3/0xF3
// temperature, 0xE0 reads the temperature of the last humidity measurement (each read as
// MSB, LSB and a CRC-8 of polynomial 0x31); 0xE6 and 0xE7 write and read user register 1
// (reset value 0x3A), 0x51 and 0x11 the heater register (0x00); 0xFA 0x0F and 0xFC 0xC9
// read the electronic ID, 0x84 0xB8 the firmware revision; 0xFE resets both registers.
// Any other command byte is not acknowledged. Results are ready at once.
class CSimHumiditySensor : public CSimSlave
{
public:
    static constexpr std::uint8_t USER_REGISTER_RESET = 0x3A;
    static constexpr std::uint8_t CMD_RESET = 0xFE;

    explicit CSimHumiditySensor(double relativeHumidity = 45.0, double celsius = 24.0);

    void SetClimate(double relativeHumidity, double celsius);
    std::uint8_t GetUserRegister();
    std::uint8_t GetHeaterRegister();
    // How many 0xFE resets it took since it was made.
    unsigned GetResetCount();
    // The command byte of every write it acknowledged, in order: its part of the wire log.
    std::vector<std::uint8_t> GetCommands();

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;
    void OnPowerUp() override;

private:
    void Reset();
    void Reply(std::uint16_t word);
    // What a read after the last command returns.
    void PrepareRead();

    double m_humidity;
    double m_celsius;
    std::uint8_t m_userRegister = USER_REGISTER_RESET;
    std::uint8_t m_heater = 0;
    unsigned m_resets = 0;
    std::vector<std::uint8_t> m_commands;
    std::uint8_t m_command = 0;
    unsigned m_written = 0; // bytes of the current write, the command included
    std::vector<std::uint8_t> m_reply;
    std::size_t m_replyIndex = 0;
};
