// SPDX-License-Identifier: MIT
#include "RegisterText.h"

#include "NumberText.h"
#include "RegisterBits.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>

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
    const int width = field.Width();
    const std::optional<std::int64_t> value = NumberText::ParseInteger(text);
    if (value) {
        const std::int64_t half = std::int64_t(1) << (width - 1);
        if (*value >= 0 && RegisterBits::Fits(std::uint64_t(*value), width))
            return std::uint32_t(*value);
        if (*value < 0 && field.isSigned && *value >= -half)
            return std::uint32_t(std::uint64_t(*value) & ((std::uint64_t(1) << width) - 1));
    }
    QStringList texts;
    for (const auto &entry : field.enumTexts)
        texts.append(u"'%1'"_s.arg(entry.second));
    error = u"'%1' is no value of %2.%3 (%4 bits%5)"_s.arg(
        text, reg.name, field.name, QString::number(width),
        texts.isEmpty() ? QString() : u", or "_s + texts.join(u", "_s));
    return std::nullopt;
}

} // namespace RegisterText
