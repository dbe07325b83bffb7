// SPDX-License-Identifier: MIT
#include "CSimWordRegisterDevice.h"

#include "SimLock.h"

bool CSimWordRegisterDevice::OnStart(bool read)
{
    m_expectPointer = !read;
    m_dataBytes = 0;
    m_readBytes = 0;
    if (read)
        m_latched = ReadRegister(m_pointer);
    return true;
}

bool CSimWordRegisterDevice::OnWrite(std::uint8_t byte)
{
    if (m_expectPointer) {
        if (!HasRegister(byte))
            return false;
        m_pointer = byte;
        m_expectPointer = false;
        return true;
    }
    if (!IsWritable(m_pointer) || m_dataBytes >= 2)
        return false;
    if (m_dataBytes++ == 0) {
        m_high = byte;
        return true;
    }
    WriteRegister(m_pointer, static_cast<std::uint16_t>(m_high << 8 | byte));
    return true;
}

std::uint8_t CSimWordRegisterDevice::OnRead()
{
    const bool high = m_readBytes++ % 2 == 0;
    return static_cast<std::uint8_t>(high ? m_latched >> 8 : m_latched & 0xFF);
}

std::uint8_t CSimWordRegisterDevice::GetPointer() const
{
    const std::lock_guard lock(SimMutex());
    return m_pointer;
}
