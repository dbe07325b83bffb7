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

} // namespace MemoryRequests
