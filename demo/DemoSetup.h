// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What makes the application the demo: the simulated preset bench with bus time and
// moving sensor values, and on a first start device files for the bench's EEPROM and,
// with full register maps, its temperature sensor and power monitor.
// Call before qMain; pass DEMO_TITLE_SUFFIX to it.
void PrepareDemo();

inline const QString DEMO_TITLE_SUFFIX = QStringLiteral(" (simulated adapters)");
