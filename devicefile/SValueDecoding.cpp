// SPDX-License-Identifier: MIT
#include "SValueDecoding.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

struct STypeInfo
{
    EValueType type;
    const char *word;
    std::size_t size;
    bool isSigned;
    bool bigEndian;
    bool isFloat;
};

constexpr std::array<STypeInfo, 16> TYPES{{
    {EValueType::U8, "u8", 1, false, true, false},
    {EValueType::S8, "s8", 1, true, true, false},
    {EValueType::U16Be, "u16be", 2, false, true, false},
    {EValueType::U16Le, "u16le", 2, false, false, false},
    {EValueType::S16Be, "s16be", 2, true, true, false},
    {EValueType::S16Le, "s16le", 2, true, false, false},
    {EValueType::U24Be, "u24be", 3, false, true, false},
    {EValueType::U24Le, "u24le", 3, false, false, false},
    {EValueType::S24Be, "s24be", 3, true, true, false},
    {EValueType::S24Le, "s24le", 3, true, false, false},
    {EValueType::U32Be, "u32be", 4, false, true, false},
    {EValueType::U32Le, "u32le", 4, false, false, false},
    {EValueType::S32Be, "s32be", 4, true, true, false},
    {EValueType::S32Le, "s32le", 4, true, false, false},
    {EValueType::F32Be, "f32be", 4, false, true, true},
    {EValueType::F32Le, "f32le", 4, false, false, true},
}};

const STypeInfo &InfoOf(EValueType type)
{
    for (const STypeInfo &info : TYPES) {
        if (info.type == type)
            return info;
    }
    return TYPES.front();
}

} // namespace

QString SValueDecoding::TypeWord(EValueType type)
{
    return QString::fromLatin1(InfoOf(type).word);
}

std::optional<EValueType> SValueDecoding::TypeFromWord(const QString &word)
{
    for (const STypeInfo &info : TYPES) {
        if (word.compare(QLatin1String(info.word), Qt::CaseInsensitive) == 0)
            return info.type;
    }
    return std::nullopt;
}

std::vector<EValueType> SValueDecoding::Types()
{
    std::vector<EValueType> types;
    for (const STypeInfo &info : TYPES)
        types.push_back(info.type);
    return types;
}

std::size_t SValueDecoding::TypeSize(EValueType type)
{
    return InfoOf(type).size;
}

std::optional<double> SValueDecoding::Decode(const std::vector<unsigned char> &bytes) const
{
    const STypeInfo &info = InfoOf(type);
    if (offset > bytes.size() || bytes.size() - offset < info.size)
        return std::nullopt;
    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < info.size; ++i) {
        const std::size_t at = info.bigEndian ? i : info.size - 1 - i;
        raw = raw << 8 | bytes[offset + at];
    }
    double value = 0;
    if (info.isFloat) {
        value = double(std::bit_cast<float>(raw));
    } else if (info.isSigned) {
        // Sign-extend from the type's width.
        const unsigned shift = unsigned(32 - 8 * info.size);
        value = double(std::int32_t(raw << shift) >> shift);
    } else {
        value = double(raw);
    }
    const double result = value * scale + add;
    // A float's NaN or infinity is no number to show or plot.
    if (!std::isfinite(result))
        return std::nullopt;
    return result;
}
