// SPDX-License-Identifier: MIT
#pragma once

// The exit status of the command-line program, fixed for scripts.
enum class ECliExit : int
{
    Success = 0,
    BusFailure = 1, // NACK, arbitration lost, time-out, or a verify that found a difference
    Usage = 2,      // a bad or missing argument; nothing was sent
    NoAdapter = 3,  // none attached, the chosen one missing, or no permission to open it
    Interrupted = 130,
};
