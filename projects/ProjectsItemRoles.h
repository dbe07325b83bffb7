// SPDX-License-Identifier: MIT
#pragma once

#include <Qt>

// Data roles on the items of the projects tree's model.

// Index into the panel's device list; -1 on error rows.
constexpr int ROLE_DEVICE_INDEX = Qt::UserRole + 1;
// Index into the device's command list; -1 on device and error rows.
constexpr int ROLE_COMMAND_INDEX = Qt::UserRole + 2;
// Absolute file path, only on the Name item of device rows and error rows.
constexpr int ROLE_FILE_PATH = Qt::UserRole + 3;
