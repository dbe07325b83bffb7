// SPDX-License-Identifier: MIT
#include "SimNoise.h"

double SimNoise(std::uint64_t seed, std::uint64_t index)
{
    // One round of the splitmix64 finaliser spreads neighbouring indices over the range.
    std::uint64_t x = seed ^ (index + 0x9E3779B97F4A7C15ULL);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    x ^= x >> 31;
    constexpr double UNIT = 1.0 / 9007199254740992.0; // 2^-53
    return static_cast<double>(x >> 11) * UNIT * 2.0 - 1.0;
}
