// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

// Values that several parts of the main window share; everything else stays local to
// the file that uses it.

inline constexpr int STATUS_MESSAGE_MS = 5000;
inline constexpr unsigned char PLACEHOLDER_ADDRESS = 0x50;

inline const QColor STATUS_COLOR_ACTIVE = QColor(0x4C, 0xAF, 0x50).darker(120);
inline const QColor STATUS_COLOR_INACTIVE = QColor(0x60, 0x7D, 0x8B);
