// SPDX-License-Identifier: MIT
#pragma once

#include "CSimPresetBench.h"

class QMainWindow;
class QMenu;

// The demo's Simulator menu: unplug and plug in each adapter of the bench, lose the next
// reply, slow the report frames, silence a slave. Each takes effect at once, so a user can
// see what the tool does on a pulled cable, a time-out or a NACK. Returns the menu, which
// sits before the window's last menu (Help). Its "Simulator Window" shows the unplug and
// reply entries in a window of their own, which stays usable while a transfer runs.
QMenu *AddSimulatorMenu(QMainWindow &window, const SSimPresetBench &bench);
