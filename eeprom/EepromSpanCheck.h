// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "SEepromPart.h"

#include <cstdint>
#include <optional>
#include <vector>

// Whether the device addresses a part spans from its base answer as that one part, asked
// before anything is written: a wrong part must not write into the chip next door.
//
// Every spanned address must acknowledge. With one address byte, the blocks of one chip share
// one address counter that a sequential read carries from the end of a block into the next;
// so each further block's first bytes, read through its own address with a one-byte pointer,
// must equal the bytes that a read through the block before it gives past that block's end.
// A chip that takes two address bytes reads from elsewhere after one pointer byte, and a chip
// of its own wraps within itself. Where the compared bytes are all alike, the whole block is
// compared; a block and a chip that read the same throughout (both blank) cannot be told
// apart without writing. A part with two address bytes is judged by the acknowledge alone:
// its reads stay within their block.
namespace EepromSpanCheck {

enum class EFault
{
    Silent,    // the address does not acknowledge
    OtherChip, // it acknowledges, but reads as another chip
};

struct SFault
{
    std::uint8_t address = 0;
    std::size_t block = 0;
    EFault fault = EFault::Silent;
};

// The device address of each block of the part from `base`, in block order.
std::vector<std::uint8_t> Addresses(const SEepromPart &part, std::uint8_t base);

// ok with `fault` empty: every spanned address belongs to the part; ok with `fault`: the
// first one that does not; not ok: the bus failed or the check was cancelled. Reads only.
SBusProcedureResult Check(CBusContext &context, const SEepromPart &part, std::uint8_t base,
                          std::optional<SFault> &fault);

} // namespace EepromSpanCheck
