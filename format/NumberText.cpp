// SPDX-License-Identifier: MIT
#include "NumberText.h"

#include <QList>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace NumberText {

namespace {

constexpr unsigned MAX_7BIT = 0x7F;
constexpr unsigned MAX_8BIT = 0xFF;
constexpr std::int64_t MIN_SIGNED_32 = -0x80000000ll;

int DigitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::optional<std::uint64_t> ParseDigits(QStringView digits, int base, std::uint64_t max)
{
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        // Checked before multiplying, so that no number wraps around to a small one.
        if (std::uint64_t(digit) > max ||
            value > (max - std::uint64_t(digit)) / std::uint64_t(base))
            return std::nullopt;
        value = value * std::uint64_t(base) + std::uint64_t(digit);
    }
    return value;
}

QStringView WithoutHexPrefix(QStringView text)
{
    if (text.startsWith(u"0x"_s, Qt::CaseInsensitive))
        return text.sliced(2);
    return text;
}

std::optional<std::uint64_t> ParseHex(QStringView text, std::uint64_t max)
{
    return ParseDigits(WithoutHexPrefix(text.trimmed()), 16, max);
}

std::optional<std::uint64_t> ParseHexOrDecimal(QStringView text, std::uint64_t max)
{
    const QStringView digits = WithoutHexPrefix(text);
    return ParseDigits(digits, digits.size() < text.size() ? 16 : 10, max);
}

std::optional<std::int64_t> ParseInteger(QStringView typed)
{
    const QStringView text = typed.trimmed();
    if (text.startsWith(u"0x"_s, Qt::CaseInsensitive)) {
        const std::optional<std::uint64_t> value = ParseDigits(text.sliced(2), 16, MAX_32_BIT);
        return value ? std::optional<std::int64_t>(std::int64_t(*value)) : std::nullopt;
    }
    if (text.startsWith(u'-')) {
        const std::optional<std::uint64_t> value =
            ParseDigits(text.sliced(1), 10, std::uint64_t(-MIN_SIGNED_32));
        return value ? std::optional<std::int64_t>(-std::int64_t(*value)) : std::nullopt;
    }
    const std::optional<std::uint64_t> value = ParseDigits(text, 10, MAX_32_BIT);
    return value ? std::optional<std::int64_t>(std::int64_t(*value)) : std::nullopt;
}

std::optional<std::uint8_t> ParseAddress(QStringView text, bool eightBit)
{
    const std::optional<std::uint64_t> value = ParseHex(text, eightBit ? MAX_8BIT : MAX_7BIT);
    if (!value)
        return std::nullopt;
    return std::uint8_t(eightBit ? *value >> 1 : *value);
}

std::optional<std::vector<unsigned char>> ParseBytes(QStringView text)
{
    static const QRegularExpression separators(u"[\\s,;]+"_s);
    std::vector<unsigned char> bytes;
    for (QStringView part : text.split(separators, Qt::SkipEmptyParts)) {
        part = WithoutHexPrefix(part);
        // One digit alone is a byte; longer parts are pairs, so "123" is no guess.
        if (part.isEmpty() || (part.size() > 1 && part.size() % 2 != 0))
            return std::nullopt;
        const qsizetype step = part.size() == 1 ? 1 : 2;
        for (qsizetype i = 0; i < part.size(); i += step) {
            const std::optional<std::uint64_t> byte = ParseDigits(part.sliced(i, step), 16);
            if (!byte)
                return std::nullopt;
            bytes.push_back(static_cast<unsigned char>(*byte));
        }
    }
    return bytes;
}

QString Hex(std::uint64_t value, int digits)
{
    return u"0x"_s + QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

QString Address(std::uint8_t address, bool eightBit)
{
    return Hex(eightBit ? unsigned(address) << 1 : unsigned(address), 2);
}

} // namespace NumberText
