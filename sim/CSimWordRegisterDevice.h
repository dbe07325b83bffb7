// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <cstdint>

// A device of 16-bit registers behind a pointer byte, as many sensors and monitors have: a
// write's first byte selects a register, the next two (high byte first) write it; a read
// returns the selected register, high byte first, as often as the master asks, without
// moving the pointer. A pointer to no register, a write to a read-only register and a
// third data byte are not acknowledged.
class CSimWordRegisterDevice : public CSimSlave
{
public:
    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;

    std::uint8_t GetPointer() const;

protected:
    virtual bool HasRegister(std::uint8_t reg) const = 0;
    virtual bool IsWritable(std::uint8_t reg) const = 0;
    // The register's value as a read starts (a read may have side effects, as clearing flags).
    virtual std::uint16_t ReadRegister(std::uint8_t reg) = 0;
    virtual void WriteRegister(std::uint8_t reg, std::uint16_t value) = 0;

private:
    std::uint8_t m_pointer = 0;
    bool m_expectPointer = false;
    int m_dataBytes = 0;
    std::uint8_t m_high = 0;
    std::uint16_t m_latched = 0;
    int m_readBytes = 0;
};
