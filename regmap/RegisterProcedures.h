// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "RegisterPlan.h"
#include "SRegisterMap.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// What a register job brought: the values read or written, by register index, and how it
// ended. A failed transaction does not stop a read of several registers (the others are
// still worth seeing); a cancel request does.
struct SRegisterJobResult
{
    SBusProcedureResult result;
    std::map<int, std::uint32_t> values;
    // A write: the value sent.
    std::optional<std::uint32_t> written;
};

// The register work on the bus, as procedures of one job each, so that the window and the
// command line run the same transactions.
namespace RegisterProcedures {

SRegisterJobResult Read(CBusContext &context, std::uint8_t device, const SRegisterMap &map,
                        const std::vector<SRegisterRead> &reads);
// Refuses a read-only register before anything is sent.
SRegisterJobResult WriteRegister(CBusContext &context, std::uint8_t device, const SRegisterMap &map,
                                 int reg, std::uint32_t value);
// Read-modify-write of one field: the register is read (a write-only one starts from
// `lastWritten` or its reset value), the field's bits replaced, the register written.
SRegisterJobResult WriteField(CBusContext &context, std::uint8_t device, const SRegisterMap &map,
                              int reg, int field, std::uint32_t fieldValue,
                              std::optional<std::uint32_t> lastWritten);

} // namespace RegisterProcedures
