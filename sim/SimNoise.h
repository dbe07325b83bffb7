// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// A repeatable pseudo-random value in [-1, 1) for sample `index` of stream `seed`: the same
// sample always has the same noise, so a test that steps a clock sees the same readings
// on every run.
double SimNoise(std::uint64_t seed, std::uint64_t index);
