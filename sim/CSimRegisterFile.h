// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"

#include <cstddef>
#include <vector>

// A device with a file of 8-bit registers behind a register pointer, as most sensors
// have: the first byte of a write sets the pointer, further bytes are stored from there
// on, and reads return registers from the pointer on; the pointer increments after
// each byte and wraps at the end of the file. A pointer beyond the file, or a write to
// a read-only register, is not acknowledged.
class CSimRegisterFile : public CSimSlave
{
public:
    explicit CSimRegisterFile(std::size_t registerCount = 256);

    void SetRegister(std::uint8_t reg, std::uint8_t value);
    std::uint8_t GetRegister(std::uint8_t reg) const;
    void SetReadOnly(std::uint8_t reg, bool readOnly);
    std::uint8_t GetPointer() const;

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;

protected:
    // Lets a derived device bring its registers up to date before the master reads.
    virtual void RefreshRegisters() {}

    std::vector<std::uint8_t> m_registers;
    std::vector<bool> m_readOnly;

private:
    std::size_t m_pointer = 0;
    bool m_expectPointer = false;
};
