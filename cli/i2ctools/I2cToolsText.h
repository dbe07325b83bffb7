// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "SSmbusRequest.h"

#include <cstdio>
#include <optional>
#include <string>

// What the i2c-tools programs share: their number syntax, their confirmation prompt and
// the error numbers a Linux adapter driver reports.
namespace I2cToolsText {

// A C-style integer (0x hex, leading 0 octal, else decimal) filling the whole text, as
// i2c-tools checks its numbers: none when anything follows it, and an empty text reads 0.
std::optional<long> ParseLong(const std::string &text);

// Reads the answer to "Continue?": `def` for a bare Return, false at end of input.
bool UserAck(std::FILE *in, bool def);

// The errno a Linux adapter driver gives for such a failure. A cancel is EINTR here: these
// commands are stopped only by a signal, which interrupts an i2c-dev call with it.
int ErrnoOf(EFailureKind failure);
int ErrnoOf(ESmbusFault fault);
inline int ErrnoOf(const SSmbusResult &result)
{
    return ErrnoOf(result.fault);
}
// The C library's text of that errno.
std::string ErrnoText(int number);

} // namespace I2cToolsText
