// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <array>
#include <cstdint>
#include <vector>

// A 128x64 monochrome display controller, usually at 0x3C. Every write starts with a
// control byte: bit 6 (D/C#) tells data from commands, bit 7 (Co) clear means that all the
// following bytes are of that kind, set means that one byte follows and then another
// control byte. Data bytes go to the 1024-byte display RAM, one byte per column of eight
// pixels, page by page (byte page * 128 + column, bit 0 the top row), at the RAM pointer,
// which moves by the addressing mode (0x20 n): horizontal (0) goes along the columns of
// the 0x21 window, then to the next page of the 0x22 window; vertical (1) down the pages,
// then to the next column; page mode (2, the reset mode) along the page and back to the
// window's first column, with the page chosen by 0xB0-0xB7 and the column by 0x00-0x0F
// (low nibble) and 0x10-0x1F (high nibble). 0xAE/0xAF switch the display off and on, 0x81
// n sets the contrast; the other commands are accepted and ignored, their arguments
// consumed. A read returns the status byte: bit 6 set while the display is off.
class CSimDisplayController : public CSimSlave
{
public:
    static constexpr int WIDTH = 128;
    static constexpr int PAGES = 8;
    static constexpr std::size_t RAM_SIZE = WIDTH * PAGES;
    static constexpr std::uint8_t STATUS_DISPLAY_OFF = 0x40;

    enum class EAddressing : std::uint8_t
    {
        Horizontal = 0,
        Vertical = 1,
        Page = 2
    };

    CSimDisplayController();

    std::vector<std::uint8_t> FrameBuffer();
    bool IsDisplayOn();
    std::uint8_t GetContrast();
    EAddressing GetAddressing();
    // Every command byte it took, arguments excluded, in order.
    std::vector<std::uint8_t> GetCommands();

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;
    void OnPowerUp() override;

private:
    void Reset();
    void Command(std::uint8_t byte);
    void Argument(std::uint8_t byte);
    void Data(std::uint8_t byte);

    std::array<std::uint8_t, RAM_SIZE> m_ram{};
    std::vector<std::uint8_t> m_commands;
    EAddressing m_addressing = EAddressing::Page;
    bool m_displayOn = false;
    std::uint8_t m_contrast = 0x7F;
    int m_column = 0;
    int m_page = 0;
    int m_columnStart = 0;
    int m_columnEnd = WIDTH - 1;
    int m_pageStart = 0;
    int m_pageEnd = PAGES - 1;
    // The control byte in force and whether the next byte is a control byte.
    bool m_expectControl = true;
    bool m_continuation = false;
    bool m_data = false;
    // The command that still waits for arguments, with the ones it has so far.
    std::uint8_t m_pending = 0;
    int m_argumentsDue = 0;
    std::vector<std::uint8_t> m_arguments;
};
