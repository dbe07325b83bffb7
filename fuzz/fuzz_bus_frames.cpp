// SPDX-License-Identifier: MIT
#include "BusFrames.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Feeds arbitrary bytes to the bus server's frame parser as a stream, as a client's socket
// would deliver them, and checks that every frame it accepts encodes back to exactly the
// bytes it came from, and that it never claims more bytes than it was given.

namespace {

[[noreturn]] void Fail(const char *what)
{
    std::fprintf(stderr, "fuzz_bus_frames: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::size_t offset = 0;
    while (offset < size) {
        const BusFrames::SDecodeResult decoded = BusFrames::Decode(data + offset, size - offset);
        if (decoded.status != BusFrames::EDecodeStatus::Frame) {
            if (decoded.status == BusFrames::EDecodeStatus::Malformed && decoded.error.empty())
                Fail("a malformed frame without a reason");
            break;
        }
        if (decoded.consumed == 0 || decoded.consumed > size - offset)
            Fail("a frame longer than its input");
        const std::vector<unsigned char> encoded = BusFrames::Encode(decoded.frame);
        if (encoded.size() != decoded.consumed ||
            !std::equal(encoded.begin(), encoded.end(), data + offset))
            Fail("a frame that does not encode back to its bytes");
        offset += decoded.consumed;
    }
    return 0;
}
