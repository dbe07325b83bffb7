#include "CSimEeprom.h"

#include "SimLock.h"

CSimEeprom::CSimEeprom()
{
    m_memory.fill(0xFF);
}

std::vector<unsigned char> CSimEeprom::GetContents() const
{
    const std::lock_guard lock(SimMutex());
    return {m_memory.begin(), m_memory.end()};
}

void CSimEeprom::SetContents(std::size_t offset, const std::vector<unsigned char> &bytes)
{
    const std::lock_guard lock(SimMutex());
    for (std::size_t i = 0; i < bytes.size() && offset + i < SIZE; ++i)
        m_memory[offset + i] = bytes[i];
}

std::uint8_t CSimEeprom::GetAddressPointer() const
{
    const std::lock_guard lock(SimMutex());
    return m_pointer;
}

bool CSimEeprom::OnStart(bool read)
{
    m_pageDirty.fill(false);
    m_expectWordAddress = !read;
    return true;
}

bool CSimEeprom::OnWrite(std::uint8_t byte)
{
    if (m_expectWordAddress) {
        m_pointer = byte;
        m_expectWordAddress = false;
        return true;
    }
    const std::size_t column = m_pointer % PAGE_SIZE;
    m_page[column] = byte;
    m_pageDirty[column] = true;
    const auto pageBase = static_cast<std::uint8_t>(m_pointer - column);
    m_pointer = static_cast<std::uint8_t>(pageBase + (column + 1) % PAGE_SIZE);
    return true;
}

std::uint8_t CSimEeprom::OnRead()
{
    return m_memory[m_pointer++];
}

void CSimEeprom::OnStop()
{
    const std::size_t pageBase = m_pointer - m_pointer % PAGE_SIZE;
    for (std::size_t column = 0; column < PAGE_SIZE; ++column) {
        if (m_pageDirty[column])
            m_memory[pageBase + column] = m_page[column];
    }
    m_pageDirty.fill(false);
    m_expectWordAddress = false;
}
