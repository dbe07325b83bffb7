// SPDX-License-Identifier: MIT
#pragma once

#include "CSimAdapter.h"

#include <string>

// What the guest's gadget set-up needs to present a simulated adapter to the host's USB
// stack, as one line of tab-separated fields: model letter, vendor ID, product ID and
// device release (4 lower-case hex digits each), serial number, manufacturer, product,
// the special-mode interface number, all interface numbers (comma-separated) and the
// addresses from 0x08 to 0x77 that hold a slave (2 lower-case hex digits, comma-separated).
std::string GadgetIdentityLine(const CSimAdapter &adapter);
