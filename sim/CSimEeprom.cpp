// SPDX-License-Identifier: MIT
#include "CSimEeprom.h"

#include "SimLock.h"

#include <algorithm>

namespace {

constexpr std::size_t MAX_SIZE = 262144;
constexpr std::size_t MAX_ADDRESS_BYTES = 2;

SSimEepromGeometry Sanitised(SSimEepromGeometry geometry)
{
    geometry.size = std::clamp<std::size_t>(geometry.size, 1, MAX_SIZE);
    geometry.pageSize = std::clamp<std::size_t>(geometry.pageSize, 1, geometry.size);
    // Pages tile the memory, so a rolled-over page write never reaches past its end.
    while (geometry.size % geometry.pageSize != 0)
        --geometry.pageSize;
    geometry.addressBytes = std::clamp<std::size_t>(geometry.addressBytes, 1, MAX_ADDRESS_BYTES);
    geometry.writeCycle = std::max(geometry.writeCycle, std::chrono::microseconds(0));
    return geometry;
}

// A further block of a chip, reached at its own device address.
class CBlockPort : public CSimSlave
{
public:
    CBlockPort(std::shared_ptr<CSimEeprom> chip, std::size_t block)
        : m_chip(std::move(chip))
        , m_block(block)
    {}

    bool OnStart(bool read) override { return m_chip->OnStartInBlock(m_block, read); }
    bool OnWrite(std::uint8_t byte) override { return m_chip->OnWrite(byte); }
    std::uint8_t OnRead() override { return m_chip->OnRead(); }
    void OnStop() override { m_chip->OnStop(); }

private:
    std::shared_ptr<CSimEeprom> m_chip;
    std::size_t m_block;
};

} // namespace

CSimEeprom::CSimEeprom(const SSimEepromGeometry &geometry)
    : m_geometry(Sanitised(geometry))
    , m_memory(m_geometry.size, 0xFF)
    , m_page(m_geometry.pageSize, 0)
    , m_pageDirty(m_geometry.pageSize, false)
    , m_clock([] { return Clock::now(); })
{
    m_blockCount = (m_geometry.size + BlockSize() - 1) / BlockSize();
}

std::shared_ptr<CSimSlave> CSimEeprom::BlockPort(const std::shared_ptr<CSimEeprom> &chip,
                                                 std::size_t block)
{
    return std::make_shared<CBlockPort>(chip, block);
}

std::size_t CSimEeprom::BlockSize() const
{
    return std::size_t(1) << (8 * m_geometry.addressBytes);
}

std::vector<unsigned char> CSimEeprom::GetContents() const
{
    const std::lock_guard lock(SimMutex());
    return m_memory;
}

void CSimEeprom::SetContents(std::size_t offset, const std::vector<unsigned char> &bytes)
{
    const std::lock_guard lock(SimMutex());
    for (std::size_t i = 0; i < bytes.size() && offset + i < m_memory.size(); ++i)
        m_memory[offset + i] = bytes[i];
}

std::size_t CSimEeprom::GetAddressPointer() const
{
    const std::lock_guard lock(SimMutex());
    return m_pointer;
}

void CSimEeprom::SetClock(std::function<Clock::time_point()> now)
{
    const std::lock_guard lock(SimMutex());
    m_clock = std::move(now);
    m_busyUntil = Clock::time_point::min();
}

bool CSimEeprom::IsWriteCycleRunning() const
{
    const std::lock_guard lock(SimMutex());
    return IsBusyLocked();
}

bool CSimEeprom::OnStart(bool read)
{
    return OnStartInBlock(0, read);
}

bool CSimEeprom::OnStartInBlock(std::size_t block, bool read)
{
    if (IsBusyLocked())
        return false;
    m_block = block;
    std::fill(m_pageDirty.begin(), m_pageDirty.end(), false);
    m_addressBytesLeft = read ? 0 : m_geometry.addressBytes;
    m_newPointer = 0;
    return true;
}

bool CSimEeprom::OnWrite(std::uint8_t byte)
{
    if (m_addressBytesLeft > 0) {
        m_newPointer = m_newPointer << 8 | byte;
        if (--m_addressBytesLeft == 0)
            m_pointer = (m_block * BlockSize() + m_newPointer % BlockSize()) % m_memory.size();
        return true;
    }
    const std::size_t column = m_pointer % m_page.size();
    m_page[column] = byte;
    m_pageDirty[column] = true;
    m_pointer = m_pointer - column + (column + 1) % m_page.size();
    return true;
}

std::uint8_t CSimEeprom::OnRead()
{
    const std::uint8_t byte = m_memory[m_pointer];
    // With one address byte the counter runs through the blocks, with two it stays in its own.
    if (m_geometry.addressBytes == 2 && m_blockCount > 1) {
        const std::size_t base = m_pointer - m_pointer % BlockSize();
        m_pointer = base + (m_pointer + 1 - base) % BlockSize();
    } else {
        m_pointer = (m_pointer + 1) % m_memory.size();
    }
    return byte;
}

void CSimEeprom::OnStop()
{
    const std::size_t pageBase = m_pointer - m_pointer % m_page.size();
    bool written = false;
    for (std::size_t column = 0; column < m_page.size(); ++column) {
        if (!m_pageDirty[column])
            continue;
        m_memory[pageBase + column] = m_page[column];
        m_pageDirty[column] = false;
        written = true;
    }
    m_addressBytesLeft = 0;
    if (written && m_geometry.writeCycle.count() > 0)
        m_busyUntil = m_clock() + m_geometry.writeCycle;
}

void CSimEeprom::OnPowerUp()
{
    std::fill(m_pageDirty.begin(), m_pageDirty.end(), false);
    m_addressBytesLeft = 0;
    m_busyUntil = Clock::time_point::min();
}

bool CSimEeprom::IsBusyLocked() const
{
    return m_clock() < m_busyUntil;
}
