// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// One I2C slave behind a simulated adapter, seen through the bus events addressed to it.
// The callbacks run with the simulator's lock held: they must not call back into the
// simulator. A test slave needs only OnWrite and OnRead:
//
//     struct CEchoSlave : CSimSlave {
//         std::uint8_t last = 0;
//         bool OnWrite(std::uint8_t byte) override { last = byte; return true; }
//         std::uint8_t OnRead() override { return last; }
//     };
class CSimSlave
{
public:
    virtual ~CSimSlave() = default;

    // A start or repeated start with this slave's address; false leaves it unacknowledged.
    virtual bool OnStart(bool read)
    {
        static_cast<void>(read);
        return true;
    }
    // One byte from the master; false refuses it (no acknowledge).
    virtual bool OnWrite(std::uint8_t byte) = 0;
    // One byte to the master.
    virtual std::uint8_t OnRead() = 0;
    // A stop condition ended the transaction with this slave.
    virtual void OnStop() {}
    // The adapter was plugged in again: the bus lost power.
    virtual void OnPowerUp() {}
};
