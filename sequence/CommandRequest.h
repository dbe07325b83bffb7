// SPDX-License-Identifier: MIT
#pragma once

#include "SI2cCommand.h"
#include "STransactionRequest.h"

#include <QString>

#include <cstdint>
#include <optional>

// Why a stored command gives no single request.
enum class ECommandRefusal
{
    None,
    Sequence,     // its steps run as a sequence of their own, not as one request
    SendsNothing, // a write without bytes and without a start
    NoBytes,      // a write/read without bytes to write before the read
    BadCount,     // a read count outside 1..65535
    BadMode,      // a write mode that is no start/stop choice
};

// A stored command of a device file as the one request it sends; every front end executes
// and watches a command through this, so the same command sends the same bytes everywhere.
namespace CommandRequest {

// The request of `command` for the device at `address`; nothing for a sequence and for a
// command that would send nothing or that no device file holds, with the reason in
// `refusal`.
std::optional<STransactionRequest> FromCommand(std::uint8_t address, const SI2cCommand &command,
                                               ECommandRefusal &refusal);

// The reason as the command line words it, after the command's `name` (e.g. a quoted label).
QString RefusalText(ECommandRefusal refusal, const QString &name);

} // namespace CommandRequest
