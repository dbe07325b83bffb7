// SPDX-License-Identifier: MIT
#include "MessageValues.h"

#include "AddressFormat.h"
#include "CI2cDeviceFile.h"

using namespace Qt::StringLiterals;

namespace MessageValues {

QString Quoted(const QString &text)
{
    return u'\'' + text + u'\'';
}

// Digits only: QString::toULongLong would also take a sign and blanks around the number.
std::optional<unsigned long long> ParseDigits(QStringView digits, int base)
{
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits) {
        const bool ok = base == 16 ? (c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f'))
                                   : (c >= u'0' && c <= u'9');
        if (!ok || c.unicode() > 0x7F)
            return std::nullopt;
    }
    bool ok = false;
    const unsigned long long value = digits.toULongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<std::uint8_t> ParseAddress(const QString &text, bool eightBit, const QString &name,
                                         QString &error)
{
    const std::optional<unsigned char> address = AddressFormat::parse(text, eightBit);
    if (address)
        return *address;
    error = eightBit ? u"%1 %2 is not an 8-bit address (hex, 0x00 to 0xFF, e.g. %3)"_s
                     : u"%1 %2 is not a 7-bit address (hex, 0x00 to 0x7F, e.g. %3)"_s;
    error = error.arg(name, Quoted(text), AddressFormat::format(0x50, eightBit));
    return std::nullopt;
}

std::optional<std::size_t> ParseCount(const QString &text, std::size_t min, std::size_t max,
                                      const QString &name, QString &error)
{
    const std::optional<unsigned long long> value = ParseDigits(text, 10);
    if (value && *value >= min && *value <= max)
        return static_cast<std::size_t>(*value);
    error = u"%1 %2 is not a number from %3 to %4"_s.arg(name, Quoted(text)).arg(min).arg(max);
    return std::nullopt;
}

std::optional<std::vector<unsigned char>> ParseBytes(const QString &text, const QString &name,
                                                     QString &error)
{
    std::optional<std::vector<unsigned char>> bytes = CI2cDeviceFile::HexToBytes(text);
    if (!bytes)
        error = u"%1 %2 is not hex bytes (e.g. 01 A5 FF)"_s.arg(name, Quoted(text));
    return bytes;
}

} // namespace MessageValues
