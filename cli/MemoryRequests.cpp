// SPDX-License-Identifier: MIT
#include "MemoryRequests.h"

#include <algorithm>

namespace MemoryRequests {

std::vector<unsigned char> OffsetBytes(std::size_t offset, int offsetWidth)
{
    std::vector<unsigned char> bytes;
    for (int shift = (offsetWidth - 1) * 8; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<unsigned char>(offset >> shift));
    return bytes;
}

std::vector<SMemoryChunk> Reads(std::uint8_t address, std::size_t offset, std::size_t length,
                                int offsetWidth, std::size_t maxRead)
{
    std::vector<SMemoryChunk> chunks;
    if (maxRead == 0)
        return chunks;
    for (std::size_t done = 0; done < length;) {
        const std::size_t count = std::min(maxRead, length - done);
        chunks.push_back(
            {offset + done, STransactionRequest::WriteRead(
                                address, OffsetBytes(offset + done, offsetWidth), count)});
        done += count;
    }
    return chunks;
}

std::size_t RepeatedGroup(const std::vector<unsigned char> &data)
{
    constexpr std::size_t LONGEST = 4;
    if (std::all_of(data.begin(), data.end(), [&](unsigned char byte) { return byte == data[0]; }))
        return 0;
    for (std::size_t group = 2; group <= LONGEST && 2 * group <= data.size(); ++group) {
        bool repeats = true;
        for (std::size_t i = group; i < data.size() && repeats; ++i)
            repeats = data[i] == data[i % group];
        if (repeats)
            return group;
    }
    return 0;
}

} // namespace MemoryRequests
