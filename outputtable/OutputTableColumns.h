// SPDX-License-Identifier: MIT
#pragma once

#include <Qt>

// The output table's columns and what its items keep besides their texts.

inline constexpr int COLUMN_TYPE = 0;
inline constexpr int COLUMN_FLAGS = 1;
inline constexpr int COLUMN_DATA = 2;
// Last in the model, so the first three keep their indexes; the view shows it first.
inline constexpr int COLUMN_TIME = 3;
// The program that asked for a row's transaction through the shared adapter, empty for the
// window's own; the view shows it after the time.
inline constexpr int COLUMN_ORIGIN = 4;

// What the Time item of a row keeps besides its text: the start in milliseconds since the
// epoch, the duration in microseconds (absent for a row without a transaction) and the
// error mark, and where the transaction went (adapter and speed texts, the 7-bit address),
// each absent when the row has none. The Data item keeps a row's bytes under Qt::UserRole.
inline constexpr int TIME_ROLE_STARTED_MS = Qt::UserRole;
inline constexpr int TIME_ROLE_DURATION_US = Qt::UserRole + 1;
inline constexpr int TIME_ROLE_ERROR = Qt::UserRole + 2;
inline constexpr int TIME_ROLE_ADAPTER = Qt::UserRole + 3;
inline constexpr int TIME_ROLE_SPEED = Qt::UserRole + 4;
inline constexpr int TIME_ROLE_ADDRESS = Qt::UserRole + 5;
// The request of a transfer row (kind, address, data, count, start, stop as a list), so that
// selected rows can be sent again as a sequence.
inline constexpr int TIME_ROLE_TRANSFER = Qt::UserRole + 6;

// What the Origin item of another program's row keeps besides its text: the program's name
// and its process id.
inline constexpr int ORIGIN_ROLE_PROGRAM = Qt::UserRole;
inline constexpr int ORIGIN_ROLE_PID = Qt::UserRole + 1;
