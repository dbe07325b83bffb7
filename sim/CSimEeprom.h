// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

// The shape of a serial EEPROM: its size (at most 64 KiB), the number of address bytes a
// write starts with (1 or 2), the page a write rolls over in, and how long the chip stays
// busy after it has committed a write.
struct SSimEepromGeometry
{
    std::size_t size = 256;
    std::size_t pageSize = 8;
    std::size_t addressBytes = 1;
    std::chrono::microseconds writeCycle{0};
};

// A serial EEPROM. The first bytes of a write set the address pointer, high byte first,
// address bits beyond the size ignored; further bytes fill a page buffer, rolling over
// within the page, and are committed by the stop condition (a repeated start discards them,
// as on the chip). A commit starts the write cycle, during which the chip acknowledges no
// start, so the host polls until it answers again. Reads start at the pointer and wrap from
// the last cell to the first. Blank cells read 0xFF.
class CSimEeprom : public CSimSlave
{
public:
    using Clock = std::chrono::steady_clock;

    // 256 bytes of the 24C02 kind. It has no write cycle, so a test may read back at once.
    static constexpr SSimEepromGeometry SMALL{256, 8, 1, std::chrono::microseconds(0)};
    // 32 KiB of the 24C256 kind: two address bytes, 64-byte pages, a 5 ms write cycle.
    static constexpr SSimEepromGeometry LARGE{32768, 64, 2, std::chrono::microseconds(5000)};

    explicit CSimEeprom(const SSimEepromGeometry &geometry = SMALL);

    std::vector<unsigned char> GetContents() const;
    void SetContents(std::size_t offset, const std::vector<unsigned char> &bytes);
    std::uint16_t GetAddressPointer() const;
    // Time source of the write cycle, so a test can step time instead of waiting.
    void SetClock(std::function<Clock::time_point()> now);
    bool IsWriteCycleRunning() const;

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;
    void OnStop() override;
    void OnPowerUp() override;

private:
    bool IsBusyLocked() const;

    SSimEepromGeometry m_geometry;
    std::vector<unsigned char> m_memory;
    std::vector<unsigned char> m_page;
    std::vector<bool> m_pageDirty;
    std::size_t m_pointer = 0;
    std::size_t m_addressBytesLeft = 0;
    std::size_t m_newPointer = 0;
    std::function<Clock::time_point()> m_clock;
    Clock::time_point m_busyUntil = Clock::time_point::min();
};
