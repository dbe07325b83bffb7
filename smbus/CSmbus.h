// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "SBusAdapterInfo.h"
#include "SSmbusRequest.h"

#include <cstddef>
#include <optional>
#include <vector>

// SMBus transactions on an adapter that knows plain I2C writes, reads and write/reads only.
// A read of a block whose length the slave announces cannot stop at that length in one
// transaction, so the longest block (count byte, 32 bytes, PEC) is read and the count byte
// tells how much of it belongs to the block.
class CSmbus
{
public:
    static constexpr std::size_t BLOCK_MAX = 32;

    // Whether the adapter's model can carry the operation at all.
    static bool IsSupported(ESmbusOperation operation, const SBusAdapterInfo &adapter);

    // The bus transaction that carries the request, with the PEC appended to what is
    // written and one more byte read for the PEC; none when the request's data do not
    // fit the operation, with the reason in `error`.
    static std::optional<STransactionRequest> Plan(const SSmbusRequest &request,
                                                   std::string &error);

    // Runs the request on the bus and checks the PEC and the count byte of what came back.
    static SSmbusResult Execute(CBusContext &context, const SSmbusRequest &request);

    // The class of a transaction's failure.
    static ESmbusFault Classify(EFailureKind failure);
};
