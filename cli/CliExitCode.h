// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"

// The exit status of the command-line program, fixed for scripts.
enum class ECliExit : int
{
    Success = 0,
    BusFailure = 1, // NACK, arbitration lost, time-out, or a verify that found a difference
    Usage = 2,      // a bad or missing argument; nothing was sent
    NoAdapter = 3,  // none attached, the chosen one missing, or no permission to open it
    Interrupted = 130,
};

// The status of an operation that failed this way; one that failed without a kind of its
// own is a bus failure. An adapter unplugged during a command ends it as a bus failure, as
// it always has: scripts tell "never opened" (3) from "lost on the way" (1).
constexpr ECliExit ExitOf(EFailureKind failure)
{
    switch (failure) {
    case EFailureKind::Cancelled:
        return ECliExit::Interrupted;
    case EFailureKind::PermissionDenied:
        return ECliExit::NoAdapter;
    case EFailureKind::NotSupported:
    case EFailureKind::InvalidArgument:
        return ECliExit::Usage;
    case EFailureKind::None:
    case EFailureKind::AdapterGone:
    case EFailureKind::AddressNack:
    case EFailureKind::DataNack:
    case EFailureKind::Timeout:
    case EFailureKind::ArbitrationLost:
    case EFailureKind::AdapterError:
    case EFailureKind::FileIo:
    case EFailureKind::Other:
        break;
    }
    return ECliExit::BusFailure;
}
