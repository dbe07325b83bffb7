// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// What went wrong on the bus or around it. Every failing operation of the transport, the
// driver, the session and the file classes leaves one beside its text, so that callers
// decide by the kind and show the text.
enum class EFailureKind : std::uint8_t
{
    None,
    AddressNack,      // no slave acknowledged the address
    DataNack,         // the slave acknowledged its address but refused a data byte
    Timeout,          // the adapter did not answer in time
    Cancelled,        // stopped on the user's request
    AdapterGone,      // the adapter is not connected, or no longer attached
    PermissionDenied, // the system refused to open the adapter
    NotSupported,     // this adapter model cannot do it; nothing was sent
    InvalidArgument,  // the request itself is wrong; nothing was sent
    ArbitrationLost,  // another master took the bus
    AdapterError,     // the adapter reported an error of its own in its status byte
    FileIo,           // a file could not be read or written
    Other,
};

// Both kinds of a missing acknowledge: the adapter does not always say which byte it was.
constexpr bool IsNotAcknowledged(EFailureKind kind)
{
    return kind == EFailureKind::AddressNack || kind == EFailureKind::DataNack;
}
