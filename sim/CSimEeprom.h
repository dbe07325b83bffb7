// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// The shape of a serial EEPROM: its size (at most 256 KiB), the number of address bytes a
// write starts with (1 or 2), the page a write rolls over in, and how long the chip stays
// busy after it has committed a write. What the address bytes cannot reach is split into
// blocks that the device address selects (see CSimEeprom::BlockPort).
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
// the last cell to the first (with two address bytes, the last cell of the block to its
// first). Blank cells read 0xFF. The object itself answers for block 0.
class CSimEeprom : public CSimSlave
{
public:
    using Clock = std::chrono::steady_clock;

    // 256 bytes of the 24C02 kind. It has no write cycle, so a test may read back at once.
    static constexpr SSimEepromGeometry SMALL{256, 8, 1, std::chrono::microseconds(0)};
    // 32 KiB of the 24C256 kind: two address bytes, 64-byte pages, a 5 ms write cycle.
    static constexpr SSimEepromGeometry LARGE{32768, 64, 2, std::chrono::microseconds(5000)};

    // 2 KiB of the 24C16 kind: one address byte, eight blocks of 256 bytes, 16-byte pages.
    static constexpr SSimEepromGeometry BLOCKS_OF_256{2048, 16, 1, std::chrono::microseconds(5000)};
    // 128 KiB of the 24xx1025 kind: two halves of 64 KiB, 128-byte pages.
    static constexpr SSimEepromGeometry TWO_HALVES{131072, 128, 2, std::chrono::microseconds(5000)};

    explicit CSimEeprom(const SSimEepromGeometry &geometry = SMALL);

    std::size_t GetBlockCount() const { return m_blockCount; }
    // The slave that answers for block `block` (1 to GetBlockCount() - 1) at the address the
    // part gives it: the same chip, with that block selected by the device address.
    static std::shared_ptr<CSimSlave> BlockPort(const std::shared_ptr<CSimEeprom> &chip,
                                                std::size_t block);

    std::vector<unsigned char> GetContents() const;
    void SetContents(std::size_t offset, const std::vector<unsigned char> &bytes);
    std::size_t GetAddressPointer() const;
    // Time source of the write cycle, so a test can step time instead of waiting.
    void SetClock(std::function<Clock::time_point()> now);
    bool IsWriteCycleRunning() const;

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;
    void OnStop() override;
    void OnPowerUp() override;

    // A start through the device address of `block`.
    bool OnStartInBlock(std::size_t block, bool read);

private:
    bool IsBusyLocked() const;
    std::size_t BlockSize() const;

    SSimEepromGeometry m_geometry;
    std::size_t m_blockCount = 1;
    std::size_t m_block = 0;
    std::vector<unsigned char> m_memory;
    std::vector<unsigned char> m_page;
    std::vector<bool> m_pageDirty;
    std::size_t m_pointer = 0;
    std::size_t m_addressBytesLeft = 0;
    std::size_t m_newPointer = 0;
    std::function<Clock::time_point()> m_clock;
    Clock::time_point m_busyUntil = Clock::time_point::min();
};
