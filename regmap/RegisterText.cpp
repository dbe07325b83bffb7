// SPDX-License-Identifier: MIT
#include "RegisterText.h"

#include "NumberText.h"
#include "RegisterBits.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace RegisterText {

namespace {

constexpr int MAX_DECIMALS = 9;

// Enough decimals to tell neighbouring steps of the scale apart, and no more: 0.0625 gives
// 2, 0.00125 gives 3, a whole scale none unless the offset has a fraction.
int Decimals(const SRegisterField &field)
{
    const double scale = std::fabs(field.scale);
    int decimals = 0;
    if (scale > 0 && scale < 1)
        decimals = int(std::ceil(-std::log10(scale) - 1e-9));
    else if (scale != std::floor(scale))
        decimals = 1;
    if (decimals == 0 && field.add != std::floor(field.add))
        decimals = 1;
    return std::min(decimals, MAX_DECIMALS);
}

// The numbers the field holds: its signed range when signed.
std::int64_t Lowest(const SRegisterField &field)
{
    return field.isSigned ? -(std::int64_t(1) << (field.Width() - 1)) : 0;
}

std::int64_t Highest(const SRegisterField &field)
{
    const int width = field.Width();
    return field.isSigned ? (std::int64_t(1) << (width - 1)) - 1 : (std::int64_t(1) << width) - 1;
}

std::uint32_t BitsOf(std::int64_t number, const SRegisterField &field)
{
    return std::uint32_t(std::uint64_t(number) & ((std::uint64_t(1) << field.Width()) - 1));
}

bool HasText(const SRegisterField &field, std::uint32_t raw)
{
    for (const auto &entry : field.enumTexts) {
        if (entry.first == raw)
            return true;
    }
    return false;
}

QString InUnit(const SRegisterField &field, double value)
{
    QString text = QString::number(value, 'f', Decimals(field));
    return field.unit.isEmpty() ? text : text + u' ' + field.unit;
}

// What the field takes, for the message that refuses a value.
QString Takes(const SRegisterField &field)
{
    const std::uint64_t allOnes = (std::uint64_t(1) << field.Width()) - 1;
    const QString raw = u"raw:0x0 to raw:0x%1%2"_s.arg(
        QString::number(allOnes, 16).toUpper(),
        field.isSigned ? u" or raw:-%1 to raw:-1"_s.arg(-Lowest(field)) : QString());
    QStringList texts;
    for (const auto &entry : field.enumTexts)
        texts.append(u"'%1'"_s.arg(entry.second));
    QString shown;
    if (field.HasNumber()) {
        double low = double(Lowest(field)) * field.scale + field.add;
        double high = double(Highest(field)) * field.scale + field.add;
        if (low > high)
            std::swap(low, high);
        shown = u"%1 to %2"_s.arg(InUnit(field, low), InUnit(field, high));
    } else if (!texts.isEmpty()) {
        shown = texts.join(u", "_s);
    } else if (field.Width() == 1) {
        shown = u"set, clear, 1 or 0"_s;
    } else {
        shown = u"%1 to %2"_s.arg(Lowest(field)).arg(Highest(field));
    }
    return u"%1; the bits as %2"_s.arg(shown, raw);
}

// A plain decimal number with an optional sign and fraction, as a scaled field shows it.
std::optional<double> Decimal(QString text, const QString &unit)
{
    if (!unit.isEmpty() && text.endsWith(unit))
        text = text.chopped(unit.size()).trimmed();
    static const QRegularExpression DECIMAL(u"^[+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)$"_s);
    if (!DECIMAL.match(text).hasMatch())
        return std::nullopt;
    return text.toDouble();
}

std::optional<std::uint32_t> ParseRaw(const SRegisterField &field, QStringView text)
{
    const std::optional<std::int64_t> value = NumberText::ParseInteger(text);
    if (!value)
        return std::nullopt;
    const std::int64_t allOnes = (std::int64_t(1) << field.Width()) - 1;
    if (*value >= 0 && *value <= allOnes)
        return std::uint32_t(*value);
    if (*value < 0 && field.isSigned && *value >= Lowest(field))
        return BitsOf(*value, field);
    return std::nullopt;
}

std::optional<std::uint32_t> ParseShown(const SRegisterField &field, const QString &text)
{
    for (const auto &[value, name] : field.enumTexts) {
        if (name.compare(text, Qt::CaseInsensitive) == 0)
            return value;
    }
    if (field.HasNumber()) {
        const std::optional<double> value = Decimal(text, field.unit);
        if (!value || field.scale == 0)
            return std::nullopt;
        const double count = (*value - field.add) / field.scale;
        // The nearest step; a value beyond the outermost ones by more than half a step is
        // outside what the field can show.
        if (!(count >= double(Lowest(field)) - 0.5 && count < double(Highest(field)) + 0.5))
            return std::nullopt;
        return BitsOf(std::clamp(std::llround(count), static_cast<long long>(Lowest(field)),
                                 static_cast<long long>(Highest(field))),
                      field);
    }
    if (field.Width() == 1 && field.enumTexts.empty()) {
        const QString set = QCoreApplication::translate("RegisterText", "set");
        const QString clear = QCoreApplication::translate("RegisterText", "clear");
        if (text.compare(u"set"_s, Qt::CaseInsensitive) == 0 ||
            text.compare(set, Qt::CaseInsensitive) == 0)
            return 1;
        if (text.compare(u"clear"_s, Qt::CaseInsensitive) == 0 ||
            text.compare(clear, Qt::CaseInsensitive) == 0)
            return 0;
    }
    const std::optional<std::int64_t> number = NumberText::ParseInteger(text);
    if (!number || *number < Lowest(field) || *number > Highest(field))
        return std::nullopt;
    // A value that has an enum text shows as that text, never as its number.
    const std::uint32_t raw = BitsOf(*number, field);
    if (HasText(field, raw))
        return std::nullopt;
    return raw;
}

} // namespace

QString Hex(std::uint32_t value, int size)
{
    return NumberText::Hex(value, 2 * size);
}

QString Address(std::uint32_t address, int addressBytes)
{
    return Hex(address, addressBytes);
}

QString Bits(const SRegisterField &field)
{
    if (field.msb == field.lsb)
        return u"[%1]"_s.arg(field.msb);
    return u"[%1:%2]"_s.arg(field.msb).arg(field.lsb);
}

QString FieldMeaning(const SRegisterField &field, std::uint32_t raw)
{
    for (const auto &[value, text] : field.enumTexts) {
        if (value == raw)
            return text;
    }
    const std::int64_t number = RegisterBits::Number(raw, field);
    if (field.HasNumber()) {
        const double meaning = double(number) * field.scale + field.add;
        QString text = QString::number(meaning, 'f', Decimals(field));
        if (!field.unit.isEmpty())
            text += u' ' + field.unit;
        return text;
    }
    if (field.Width() == 1 && field.enumTexts.empty())
        return raw != 0 ? QCoreApplication::translate("RegisterText", "set")
                        : QCoreApplication::translate("RegisterText", "clear");
    return QString::number(number);
}

QString RegisterMeaning(const SRegister &reg, std::uint32_t value)
{
    QStringList parts;
    for (const SRegisterField &field : reg.fields)
        parts.append(field.name + u'=' + FieldMeaning(field, RegisterBits::Extract(value, field)));
    return parts.join(u", "_s);
}

std::optional<std::uint32_t> ParseRegisterValue(const SRegister &reg, const QString &text,
                                                QString &error)
{
    const std::optional<std::int64_t> value = NumberText::ParseInteger(text);
    if (!value || *value < 0 || !RegisterBits::Fits(std::uint64_t(*value), 8 * reg.size)) {
        error = u"'%1' is no value of %2 (0x.. hex or decimal, %3 to %4)"_s.arg(
            text, reg.name, u"0"_s,
            Hex(std::uint32_t((std::uint64_t(1) << (8 * reg.size)) - 1), reg.size));
        return std::nullopt;
    }
    return std::uint32_t(*value);
}

std::optional<std::uint32_t> ParseFieldValue(const SRegister &reg, const SRegisterField &field,
                                             const QString &text, QString &error)
{
    for (const auto &[value, name] : field.enumTexts) {
        if (name.compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return value;
    }
    if (const std::optional<std::uint32_t> raw = ParseRaw(field, text))
        return raw;
    const int width = field.Width();
    QStringList texts;
    for (const auto &entry : field.enumTexts)
        texts.append(u"'%1'"_s.arg(entry.second));
    error = u"'%1' is no value of %2.%3 (%4 bits%5)"_s.arg(
        text, reg.name, field.name, QString::number(width),
        texts.isEmpty() ? QString() : u", or "_s + texts.join(u", "_s));
    return std::nullopt;
}

std::optional<std::uint32_t> ParseShownFieldValue(const SRegister &reg, const SRegisterField &field,
                                                  const QString &text, QString &error)
{
    const QString typed = text.trimmed();
    const std::optional<std::uint32_t> value =
        typed.startsWith(RAW_PREFIX, Qt::CaseInsensitive)
            ? ParseRaw(field, QStringView(typed).sliced(RAW_PREFIX.size()))
            : ParseShown(field, typed);
    if (!value)
        error = u"'%1' is no value of %2.%3 (%4)"_s.arg(text, reg.name, field.name, Takes(field));
    return value;
}

} // namespace RegisterText
