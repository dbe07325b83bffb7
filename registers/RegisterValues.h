// SPDX-License-Identifier: MIT
#pragma once

#include "SRegisterMap.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <set>

// What the dock knows of a device's registers: the values last read or written, which of
// them changed at the last read, the last value written (a write-only register's field
// edits start from it) and the register values typed but not yet written. Widget-free.
class CRegisterValues
{
public:
    void Clear();
    // A read's values: those that differ from the value held before are marked changed,
    // and every older change mark goes.
    void ApplyRead(const std::map<int, std::uint32_t> &values);
    void ApplyWrite(int reg, std::uint32_t value);
    void SetEdited(int reg, std::uint32_t value) { m_edited[reg] = value; }

    std::optional<std::uint32_t> Value(int reg) const;
    std::optional<std::uint32_t> LastWritten(int reg) const;
    std::optional<std::uint32_t> Edited(int reg) const;
    bool IsChanged(int reg) const { return m_changed.count(reg) != 0; }
    // Whether the value shown differs from the register's reset value.
    static bool DiffersFromReset(const SRegister &reg, std::optional<std::uint32_t> value);

    // The shown values as CSV: a line per register and one per field, with a header.
    static QString Csv(const SRegisterMap &map, const CRegisterValues &values);

private:
    std::map<int, std::uint32_t> m_values;
    std::map<int, std::uint32_t> m_written;
    std::map<int, std::uint32_t> m_edited;
    std::set<int> m_changed;
};
