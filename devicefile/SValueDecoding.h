// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

// How the bytes a command reads turn into one number: which bytes (from `offset`), read
// as which type, then multiplied by `scale`, `add` added, shown with `unit`.
enum class EValueType
{
    U8,
    S8,
    U16Be,
    U16Le,
    S16Be,
    S16Le,
    U24Be,
    U24Le,
    S24Be,
    S24Le,
    U32Be,
    U32Le,
    S32Be,
    S32Le,
    F32Be,
    F32Le,
};

struct SValueDecoding
{
    std::size_t offset = 0;
    EValueType type = EValueType::U8;
    double scale = 1.0;
    double add = 0.0;
    QString unit;

    friend bool operator==(const SValueDecoding &, const SValueDecoding &) = default;

    // The word of a type as device files store it ("u16be", "f32le", ...), and back.
    static QString TypeWord(EValueType type);
    static std::optional<EValueType> TypeFromWord(const QString &word);
    // Every type, in the order of the enumeration, for choosers.
    static std::vector<EValueType> Types();
    static std::size_t TypeSize(EValueType type);

    // The decoded number, or nothing when the bytes are too few for offset and type or the
    // result is not finite.
    std::optional<double> Decode(const std::vector<unsigned char> &bytes) const;
    // The bytes a read must bring at least: offset plus the type's size.
    std::size_t BytesNeeded() const { return offset + TypeSize(type); }
};
