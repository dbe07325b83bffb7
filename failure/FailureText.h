// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"

#include <cstdint>

// The one table of the failure kinds' wording and error numbers, and of the error codes that
// the adapter reports in a failed write's reply.
namespace FailureText {

// The driver's text of a kind whose failure always reads the same ("Timeout", "Cancelled",
// "NACK received", ...); an empty text for a kind whose text names its details.
const char *Text(EFailureKind kind);

// The errno that a Linux program using i2c-dev would get for such a failure; 0 for None.
int Errno(EFailureKind kind);

// One error code of a write reply: its kind, the driver's text and the window's short
// wording of it (empty where the window says "code" and the number instead).
struct SWriteError
{
    EFailureKind kind;
    const char *text;
    const char *shortText;
};
SWriteError WriteError(std::uint8_t errorCode);

} // namespace FailureText
