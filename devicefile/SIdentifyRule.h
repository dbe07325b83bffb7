// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// One check that tells a part from others at its address: the named register, read and
// masked, must hold `value`.
struct SIdentifyRule
{
    QString registerName;
    std::optional<std::uint32_t> mask; // none: every bit of the register counts
    std::uint32_t value = 0;

    bool Matches(std::uint32_t read) const
    {
        const std::uint32_t bits = mask.value_or(0xFFFFFFFFu);
        return (read & bits) == (value & bits);
    }

    friend bool operator==(const SIdentifyRule &, const SIdentifyRule &) = default;
};
