// SPDX-License-Identifier: MIT
#include "CDriverSession.h"
#include "ScriptedHid.h"
#include "SessionFormat.h"
#include "SessionInput.h"

#include <cstddef>
#include <cstdint>

// Scripts one session with a connected adapter of the model the input picks: the host
// calls and, for every reply the driver waits for, what the HID layer delivers (see
// SessionFormat.h). Each call is checked as it returns; a broken rule aborts.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CSessionInput input(data, size);
    CDriverSession session(input, CScriptedHid::Instance());
    session.Run(MAX_HOST_CALLS);
    return 0;
}
