// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRequest.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One transaction of a memory or register range, with the offset its data starts at.
struct SMemoryChunk
{
    std::size_t offset = 0;
    STransactionRequest request;
};

// How a range of a memory-like slave (a register file, a memory) becomes reads:
// every transaction starts by writing the offset, `offsetWidth` bytes big-endian.
namespace MemoryRequests {

std::vector<unsigned char> OffsetBytes(std::size_t offset, int offsetWidth);

// Write/reads of at most `maxRead` bytes each that together read `length` bytes.
std::vector<SMemoryChunk> Reads(std::uint8_t address, std::size_t offset, std::size_t length,
                                int offsetWidth, std::size_t maxRead);

// The length of the group of 2 to 4 bytes that `data` repeats from its start to its end, at
// least twice over, or 0. A slave whose register pointer does not advance returns its first
// register again and again so; a group of one byte (an erased memory) does not count.
std::size_t RepeatedGroup(const std::vector<unsigned char> &data);

} // namespace MemoryRequests
