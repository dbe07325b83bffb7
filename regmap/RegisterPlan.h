// SPDX-License-Identifier: MIT
#pragma once

#include "SRegisterMap.h"
#include "STransactionRequest.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One write/read of a register map: the register address written, then `byteCount` bytes
// read, holding the registers listed (indexes into the map's list, ascending by address).
struct SRegisterRead
{
    std::uint32_t address = 0;
    std::size_t byteCount = 0;
    std::vector<int> registers;
};

// What goes on the bus for reading and writing the registers of a map, before anything
// is sent; the procedures and the command line's dry run share it.
namespace RegisterPlan {

// The access of a field: its own, else its register's.
ERegisterAccess FieldAccess(const SRegister &reg, const SRegisterField &field);
// Whether Read All reads it: not write-only and no side effect on reading.
bool ReadAllReads(const SRegister &reg);

// Read All: every register it reads; with auto-increment one write/read per run of
// registers that follow each other without a gap (the next address is this one plus its
// size), at most `maxReadCount` bytes each (0: no limit), else one per register.
std::vector<SRegisterRead> ReadAll(const SRegisterMap &map, std::size_t maxReadCount);
// The named registers (indexes), one write/read each, in the order given.
std::vector<SRegisterRead> ReadEach(const SRegisterMap &map, const std::vector<int> &registers);

STransactionRequest ReadRequest(std::uint8_t device, const SRegisterMap &map,
                                const SRegisterRead &read);
// The register address, then the value in the map's byte order, in one write.
STransactionRequest WriteRequest(std::uint8_t device, const SRegisterMap &map, int reg,
                                 std::uint32_t value);

// Why a write of the register (or of one field of it) must not be sent, or empty.
QString WriteRefusal(const SRegister &reg, const SRegisterField *field);
// The value a field write puts into the register: `current` with the field replaced and
// the bits of every other "w1c" field written as 0, so that no other flag is cleared.
std::uint32_t ComposeFieldWrite(const SRegister &reg, int field, std::uint32_t current,
                                std::uint32_t fieldValue);
// Where a field write of a write-only register starts from: the last value written, else
// the reset value; none when neither is known.
std::optional<std::uint32_t> WriteOnlyBase(const SRegister &reg,
                                           std::optional<std::uint32_t> lastWritten);

} // namespace RegisterPlan
