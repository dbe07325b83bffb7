// SPDX-License-Identifier: MIT
#pragma once

#include "CSimPresetBench.h"

#include <QString>

// What makes the application the demo: the simulated preset bench with bus time and
// moving sensor values, and on a first start device files for the bench's EEPROM and,
// with full register maps, its temperature sensor and power monitor.
// Call before qMain; pass DEMO_TITLE_SUFFIX to it, and the bench to AddSimulatorMenu.
SSimPresetBench PrepareDemo();

// The demo program from start to end: PrepareDemo, then qMain with the title suffix and the
// Simulator menu on the window. Returns the exit code.
int RunDemo(int argc, char **argv);

inline const QString DEMO_TITLE_SUFFIX = QStringLiteral(" (simulated adapters)");
