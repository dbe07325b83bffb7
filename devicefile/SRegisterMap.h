// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// Who may read and write a register or a field. ReadClears: reading has a side effect
// (flags clear), so nothing reads it unasked. WriteOneClears (fields only): writing 1
// clears the bit, writing 0 leaves it. Sticky (fields only): readable, and writing 1
// sets the bit, but writing 0 leaves it set; only a reset or power cycle clears it.
enum class ERegisterAccess
{
    ReadWrite,
    ReadOnly,
    WriteOnly,
    ReadClears,
    WriteOneClears,
    Sticky,
};

enum class ERegisterByteOrder
{
    Big,
    Little,
};

// A run of bits of a register with its own meaning: a number (raw * scale + add, with
// unit), a choice of texts, or one flag.
struct SRegisterField
{
    QString name;
    int msb = 0;
    int lsb = 0;
    std::optional<ERegisterAccess> access; // none: the register's
    bool isSigned = false;
    // Field value -> text, ascending by value.
    std::vector<std::pair<std::uint32_t, QString>> enumTexts;
    double scale = 1.0;
    double add = 0.0;
    QString unit;
    QString description;

    int Width() const { return msb - lsb + 1; }
    bool HasNumber() const { return scale != 1.0 || add != 0.0 || !unit.isEmpty(); }

    friend bool operator==(const SRegisterField &, const SRegisterField &) = default;
};

struct SRegister
{
    QString name;
    std::uint32_t address = 0;
    int size = 1; // bytes, 1 to 4
    ERegisterAccess access = ERegisterAccess::ReadWrite;
    std::optional<std::uint32_t> reset;
    QString description;
    QList<SRegisterField> fields;

    friend bool operator==(const SRegister &, const SRegister &) = default;
};

// A device's registers: how their addresses and values travel, and the list in file order.
struct SRegisterMap
{
    int addressBytes = 1;
    ERegisterByteOrder byteOrder = ERegisterByteOrder::Big;
    bool autoIncrement = false;
    QList<SRegister> registers;

    friend bool operator==(const SRegisterMap &, const SRegisterMap &) = default;
};

namespace RegisterNames {

// The register or field of that name (exact, else letter case aside), or -1.
int FindRegister(const SRegisterMap &map, const QString &name);
int FindField(const SRegister &reg, const QString &name);

} // namespace RegisterNames

namespace RegisterAccess {

// The file's words: "rw", "ro", "wo", "rc", "w1c", "sticky".
QString Word(ERegisterAccess access);
std::optional<ERegisterAccess> FromWord(const QString &word);

inline bool IsReadable(ERegisterAccess access)
{
    return access == ERegisterAccess::ReadWrite || access == ERegisterAccess::ReadOnly ||
           access == ERegisterAccess::WriteOneClears || access == ERegisterAccess::Sticky;
}
inline bool IsWritable(ERegisterAccess access)
{
    return access != ERegisterAccess::ReadOnly;
}

} // namespace RegisterAccess
