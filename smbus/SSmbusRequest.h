// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The SMBus protocols, and the I2C block transfers that SMBus controllers offer beside them.
enum class ESmbusOperation
{
    Quick,            // the address with the write bit, no data
    ReceiveByte,      // one byte read
    SendByte,         // the command byte written
    ReadByteData,     // command, then one byte read after a repeated start
    WriteByteData,    // command and one byte
    ReadWordData,     // command, then two bytes read, low byte first
    WriteWordData,    // command and two bytes, low byte first
    ProcessCall,      // command and a word written, a word read after a repeated start
    ReadBlockData,    // command, then a count byte and that many bytes
    WriteBlockData,   // command, a count byte and the bytes
    BlockProcessCall, // a block written, a block read after a repeated start
    ReadI2cBlock,     // command, then `length` bytes without a count byte
    WriteI2cBlock,    // command and the bytes, without a count byte
};

// Why an SMBus transaction failed, in the classes that callers tell apart.
enum class ESmbusFault
{
    None,
    Nack,        // the slave did not acknowledge
    Timeout,     // the adapter did not answer
    Arbitration, // another master took the bus
    BadPec,      // the packet error code read does not match the bytes read
    BadLength,   // a block's count byte is 0 or more than 32, or a block argument is
    Unsupported, // the adapter's model cannot do it; nothing was sent
    Cancelled,
    Other,
};

struct SSmbusRequest
{
    ESmbusOperation operation = ESmbusOperation::ReadByteData;
    std::uint8_t address = 0; // 7-bit
    std::uint8_t command = 0;
    // Written data: the byte, the word (low byte first) or the block; not the PEC.
    std::vector<unsigned char> data;
    // ReadI2cBlock: bytes to read, 1 to 32.
    std::size_t length = 32;
    bool pec = false;
};

struct SSmbusResult
{
    bool ok = false;
    ESmbusFault fault = ESmbusFault::None;
    // What was read: the byte, the word (low byte first) or the block without its count
    // byte and PEC.
    std::vector<unsigned char> data;
    std::string error;
    // The bus transactions in the order they ran.
    std::vector<STransactionRecord> records;

    // The word of ReadWordData and ProcessCall, the byte of the byte reads.
    unsigned Value() const;
};
