// SPDX-License-Identifier: MIT
#include "MessageValues.h"

#include "NumberText.h"

using namespace Qt::StringLiterals;

namespace MessageValues {

QString Quoted(const QString &text)
{
    return u'\'' + text + u'\'';
}

std::optional<std::uint8_t> ParseAddress(const QString &text, bool eightBit, const QString &name,
                                         QString &error)
{
    const std::optional<std::uint8_t> address = NumberText::ParseAddress(text, eightBit);
    if (address)
        return *address;
    error = eightBit ? u"%1 %2 is not an 8-bit address (hex, 0x00 to 0xFF, e.g. %3)"_s
                     : u"%1 %2 is not a 7-bit address (hex, 0x00 to 0x7F, e.g. %3)"_s;
    error = error.arg(name, Quoted(text), NumberText::Address(0x50, eightBit));
    return std::nullopt;
}

std::optional<std::size_t> ParseCount(const QString &text, std::size_t min, std::size_t max,
                                      const QString &name, QString &error)
{
    const std::optional<std::uint64_t> value = NumberText::ParseDigits(text, 10, max);
    if (value && *value >= min)
        return static_cast<std::size_t>(*value);
    error = u"%1 %2 is not a number from %3 to %4"_s.arg(name, Quoted(text)).arg(min).arg(max);
    return std::nullopt;
}

std::optional<std::vector<unsigned char>> ParseBytes(const QString &text, const QString &name,
                                                     QString &error)
{
    std::optional<std::vector<unsigned char>> bytes = NumberText::ParseBytes(text);
    if (!bytes)
        error = u"%1 %2 is not hex bytes (e.g. 01 A5 FF)"_s.arg(name, Quoted(text));
    return bytes;
}

} // namespace MessageValues
