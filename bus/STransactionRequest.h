// SPDX-License-Identifier: MIT
#pragma once

#include "I2cFacts.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// What one bus transaction does.
enum class ETransactionKind
{
    Write,     // the data bytes, after the address byte when a start is generated
    Read,      // count bytes from the address
    WriteRead, // the data bytes with a start and without a stop, then a read of count
               // bytes whose start is the repeated start
    Search,    // a one-byte probe of every address of a range, in ascending order
};

// One transaction as a front end asks for it. Addresses are 7-bit values; the layer puts
// the address byte (address shifted left by one) before written data itself.
struct STransactionRequest
{
    ETransactionKind kind = ETransactionKind::Write;
    std::uint8_t address = 0;
    std::vector<unsigned char> data;
    std::size_t count = 0;
    bool start = true;
    bool stop = true;
    std::uint8_t firstAddress = I2cFacts::FIRST_REGULAR_ADDRESS;
    std::uint8_t lastAddress = I2cFacts::LAST_REGULAR_ADDRESS;

    static STransactionRequest Write(std::uint8_t address, std::vector<unsigned char> data,
                                     bool start = true, bool stop = true);
    static STransactionRequest Read(std::uint8_t address, std::size_t count);
    static STransactionRequest WriteRead(std::uint8_t address, std::vector<unsigned char> data,
                                         std::size_t count);
    static STransactionRequest Search(std::uint8_t firstAddress = I2cFacts::FIRST_REGULAR_ADDRESS,
                                      std::uint8_t lastAddress = I2cFacts::LAST_REGULAR_ADDRESS);

    // The bytes a write puts on the bus: the address byte first when a start is made.
    std::vector<unsigned char> WireBytes() const;
    // The unit of progress: bytes written and read, or addresses probed.
    std::size_t ProgressTotal() const;
};
