// SPDX-License-Identifier: MIT
#include "WideToUtf8.h"

#include <cstdint>
#include <type_traits>

namespace {

constexpr std::uint32_t MAX_CODE_POINT = 0x10FFFF;
constexpr std::uint32_t REPLACEMENT_CHARACTER = 0xFFFD;

void AppendCodePoint(std::string &out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsHighSurrogate(std::uint32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

template <typename Unit>
std::string Convert(const Unit *text)
{
    std::string out;
    if (text == nullptr)
        return out;
    using UnsignedUnit = std::make_unsigned_t<Unit>;
    for (const Unit *p = text; *p != 0; ++p) {
        const std::uint32_t unit = static_cast<UnsignedUnit>(*p);
        if (unit > 0xFFFF) {
            AppendCodePoint(out, unit <= MAX_CODE_POINT ? unit : REPLACEMENT_CHARACTER);
        } else if (IsHighSurrogate(unit) && IsLowSurrogate(static_cast<UnsignedUnit>(p[1]))) {
            const std::uint32_t low = static_cast<UnsignedUnit>(p[1]);
            AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            ++p;
        } else {
            // Unpaired surrogates are kept as three bytes, so no unit is lost or replaced.
            AppendCodePoint(out, unit);
        }
    }
    return out;
}

} // namespace

std::string WideToUtf8(const char16_t *text)
{
    return Convert(text);
}

std::string WideToUtf8(const char32_t *text)
{
    return Convert(text);
}

std::string WideToUtf8(const wchar_t *text)
{
    return Convert(text);
}
