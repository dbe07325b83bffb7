// SPDX-License-Identifier: MIT
#include "AddressFormat.h"

#include <cstdint>

using namespace Qt::StringLiterals;

namespace AddressFormat {

namespace {

constexpr std::uint64_t UINT32_LIMIT = 0xFFFFFFFFu;
constexpr unsigned MAX_7BIT = 0x7F;
constexpr unsigned MAX_8BIT = 0xFF;

// A number conversion of its own, since QString::toUInt would also take a sign, a
// second "0x" and inner blanks.
std::optional<std::uint32_t> parseHex(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int nibble = -1;
        if (u >= u'0' && u <= u'9')
            nibble = u - u'0';
        else if (u >= u'a' && u <= u'f')
            nibble = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            nibble = u - u'A' + 10;
        if (nibble < 0)
            return std::nullopt;
        value = value * 16 + std::uint64_t(nibble);
        if (value > UINT32_LIMIT)
            return std::nullopt;
    }
    return std::uint32_t(value);
}

} // namespace

QString format(unsigned char address, bool eightBit)
{
    const unsigned value = eightBit ? unsigned(address) << 1 : unsigned(address);
    return "0x"_L1 + QString::number(value, 16).toUpper().rightJustified(2, u'0');
}

std::optional<unsigned char> parse(const QString &text, bool eightBit)
{
    QStringView digits = QStringView(text).trimmed();
    if (digits.startsWith("0x"_L1, Qt::CaseInsensitive))
        digits = digits.mid(2);
    const std::optional<std::uint32_t> value = parseHex(digits);
    if (!value)
        return std::nullopt;
    if (eightBit)
        return *value <= MAX_8BIT ? std::optional<unsigned char>(*value >> 1) : std::nullopt;
    return *value <= MAX_7BIT ? std::optional<unsigned char>(*value) : std::nullopt;
}

} // namespace AddressFormat
