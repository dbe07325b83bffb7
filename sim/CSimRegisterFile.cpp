// SPDX-License-Identifier: MIT
#include "CSimRegisterFile.h"

#include "SimLock.h"

CSimRegisterFile::CSimRegisterFile(std::size_t registerCount)
    : m_registers(registerCount, 0)
    , m_readOnly(registerCount, false)
{}

void CSimRegisterFile::SetRegister(std::uint8_t reg, std::uint8_t value)
{
    const std::lock_guard lock(SimMutex());
    if (reg < m_registers.size())
        m_registers[reg] = value;
}

std::uint8_t CSimRegisterFile::GetRegister(std::uint8_t reg) const
{
    const std::lock_guard lock(SimMutex());
    return reg < m_registers.size() ? m_registers[reg] : 0xFF;
}

void CSimRegisterFile::SetReadOnly(std::uint8_t reg, bool readOnly)
{
    const std::lock_guard lock(SimMutex());
    if (reg < m_readOnly.size())
        m_readOnly[reg] = readOnly;
}

std::uint8_t CSimRegisterFile::GetPointer() const
{
    const std::lock_guard lock(SimMutex());
    return static_cast<std::uint8_t>(m_pointer);
}

bool CSimRegisterFile::OnStart(bool read)
{
    m_expectPointer = !read;
    if (read)
        RefreshRegisters();
    return true;
}

bool CSimRegisterFile::OnWrite(std::uint8_t byte)
{
    if (m_expectPointer) {
        if (byte >= m_registers.size())
            return false;
        m_pointer = byte;
        m_expectPointer = false;
        return true;
    }
    if (m_pointer >= m_registers.size() || m_readOnly[m_pointer])
        return false;
    m_registers[m_pointer] = byte;
    m_pointer = (m_pointer + 1) % m_registers.size();
    return true;
}

std::uint8_t CSimRegisterFile::OnRead()
{
    if (m_pointer >= m_registers.size())
        return 0xFF;
    const std::uint8_t value = m_registers[m_pointer];
    m_pointer = (m_pointer + 1) % m_registers.size();
    return value;
}
