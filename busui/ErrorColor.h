// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

// The colour of whatever reports a failure: a failed row of the output table, a device file
// that does not load, a watch reading that failed. One colour, so a failure looks the same
// wherever it shows.
inline constexpr QColor ERROR_COLOR(0xF4, 0x43, 0x36);
