// SPDX-License-Identifier: MIT
#include "CliValues.h"

#include "I2cFacts.h"
#include "MessageValues.h"
#include "NumberText.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace CliValues {

namespace {

constexpr std::size_t MAX_REGISTER_BYTES = 4;

constexpr std::array<std::pair<int, EI2cSpeed>, 5> SPEEDS{{
    {10, EI2cSpeed::Speed10k},
    {50, EI2cSpeed::Speed50k},
    {100, EI2cSpeed::Speed100k},
    {400, EI2cSpeed::Speed400k},
    {1000, EI2cSpeed::Speed1000k},
}};

} // namespace

QString Quoted(const QString &text)
{
    return MessageValues::Quoted(text);
}

std::optional<std::uint8_t> ParseAddress(const QString &text, bool eightBit, const QString &name,
                                         QString &error)
{
    return MessageValues::ParseAddress(text, eightBit, name, error);
}

bool IsModeLetter(const QString &text)
{
    static const QRegularExpression MODE(u"^(?:[bwcsi]p?|p)$"_s);
    return MODE.match(text).hasMatch();
}

QString ModeLetterMessage(const QString &name, const QString &text, const QString &tool)
{
    const bool hex = text == u"b"_s || text == u"c"_s;
    const QString reading =
        hex ? u"it would be the byte 0x0%1"_s.arg(text.toUpper()) : u"it is no hex byte"_s;
    return u"%1 %2 looks like an i2c-tools mode letter, which this command does not take (%3); "
           u"'vtl-i2c-cli %4' takes i2c-tools' arguments"_s.arg(name, Quoted(text), reading, tool);
}

bool IsReservedAddress(std::uint8_t address)
{
    return I2cFacts::IsReservedAddress(address);
}

QString ReservedAddressMessage(std::uint8_t address, bool eightBit, const QString &typed)
{
    if (!eightBit)
        return u"ADDR %1 is a reserved address (0x00-0x07, 0x78-0x7F; 0x00 is the general "
               u"call); --all-addresses sends to it. An i2c-tools bus number goes to the "
               u"i2c-tools subcommands (e.g. 'vtl-i2c-cli i2cset 0 0x50 ...')"_s.arg(
                   NumberText::Address(address, false));
    // In 8-bit notation the read form names the same slave as the write form, so the message
    // repeats what was typed rather than the write form of it.
    const QString named = typed.isEmpty() ? NumberText::Address(address, true) : Quoted(typed);
    return u"ADDR %1 (7-bit %2) is a reserved address (8-bit 0x00-0x0F, 0xF0-0xFF; 0x00 is "
           u"the general call); --all-addresses sends to it. An i2c-tools bus number goes to "
           u"the i2c-tools subcommands (e.g. 'vtl-i2c-cli i2cset 0 0x50 ...')"_s.arg(
               named, NumberText::Address(address, false));
}

std::optional<std::size_t> ParseCount(const QString &text, std::size_t min, std::size_t max,
                                      const QString &name, QString &error)
{
    // A leading 0 stays decimal: counts never were octal, and "010" reading as 8 would
    // shorten a read without a word.
    const std::optional<std::uint64_t> value = NumberText::ParseHexOrDecimal(text, max);
    if (value && *value >= min)
        return static_cast<std::size_t>(*value);
    error = u"%1 %2 is not a number from %3 to %4"_s.arg(name, Quoted(text)).arg(min).arg(max);
    return std::nullopt;
}

std::optional<std::size_t> ParseSize(const QString &text, std::size_t min, std::size_t max,
                                     const QString &name, QString &error)
{
    const std::optional<std::uint64_t> value = NumberText::ParseHexOrDecimal(text, max);
    if (value && *value >= min)
        return static_cast<std::size_t>(*value);
    error = u"%1 %2 is not a size from %3 to %4 bytes (decimal, or hex with 0x)"_s
                .arg(name, Quoted(text))
                .arg(min)
                .arg(max);
    return std::nullopt;
}

std::optional<std::uint32_t> ParseHexNumber(const QString &text, std::uint32_t max,
                                            const QString &name, QString &error)
{
    const std::optional<std::uint64_t> value = NumberText::ParseHex(text, max);
    if (value)
        return static_cast<std::uint32_t>(*value);
    error = u"%1 %2 is not a hex number from 0x0 to 0x%3"_s.arg(name, Quoted(text),
                                                                QString::number(max, 16).toUpper());
    return std::nullopt;
}

std::optional<std::vector<unsigned char>> ParseBytes(const QString &text, const QString &name,
                                                     QString &error)
{
    return MessageValues::ParseBytes(text, name, error);
}

std::optional<std::vector<unsigned char>>
ParseRegister(const QString &text, std::optional<int> width, const QString &name, QString &error)
{
    if (width) {
        const int bits = *width * 8;
        const std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (std::uint32_t(1) << bits) - 1;
        const std::optional<std::uint32_t> value = ParseHexNumber(text, max, name, error);
        if (!value) {
            error += u" (for --reg-width %1)"_s.arg(*width);
            return std::nullopt;
        }
        std::vector<unsigned char> bytes;
        for (int shift = bits - 8; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<unsigned char>(*value >> shift));
        return bytes;
    }
    const std::optional<std::vector<unsigned char>> bytes = NumberText::ParseBytes(text);
    if (bytes && !bytes->empty() && bytes->size() <= MAX_REGISTER_BYTES)
        return bytes;
    error = u"%1 %2 is not one to four hex byte pairs (e.g. 10 or 0010; "
            u"a single number takes --reg-width)"_s.arg(name, Quoted(text));
    return std::nullopt;
}

std::optional<int> ParseChoice(const QString &text, const std::vector<int> &allowed,
                               const QString &name, QString &error)
{
    const std::optional<std::uint64_t> value = NumberText::ParseDigits(text, 10);
    for (const int choice : allowed) {
        if (value && *value == static_cast<unsigned long long>(choice))
            return choice;
    }
    QStringList choices;
    for (const int choice : allowed)
        choices.append(QString::number(choice));
    error = u"%1 %2 is not one of %3"_s.arg(name, Quoted(text), choices.join(u", "_s));
    return std::nullopt;
}

std::optional<EI2cSpeed> ParseSpeed(const QString &text, const QString &name, QString &error)
{
    std::vector<int> allowed;
    for (const auto &[kbits, speed] : SPEEDS)
        allowed.push_back(kbits);
    const std::optional<int> kbits = ParseChoice(text, allowed, name, error);
    if (!kbits) {
        error += u" (kbit/s)"_s;
        return std::nullopt;
    }
    for (const auto &[choice, speed] : SPEEDS) {
        if (choice == *kbits)
            return speed;
    }
    return std::nullopt;
}

std::optional<bool> ParseOnOff(const QString &text, const QString &name, QString &error)
{
    if (text == "on"_L1)
        return true;
    if (text == "off"_L1)
        return false;
    error = u"%1 %2 is neither on nor off"_s.arg(name, Quoted(text));
    return std::nullopt;
}

int SpeedKbits(EI2cSpeed speed)
{
    for (const auto &[kbits, code] : SPEEDS) {
        if (code == speed)
            return kbits;
    }
    return 0;
}

} // namespace CliValues
