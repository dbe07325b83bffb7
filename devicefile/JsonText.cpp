// SPDX-License-Identifier: MIT
#include "JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace JsonText {

namespace {

QString CompactElement(const QJsonArray &array)
{
    const QByteArray text = QJsonDocument(array).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.sliced(1, text.size() - 2));
}

int HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QString String(const QString &s)
{
    return CompactElement(QJsonArray{s});
}

QString Pair(const QString &key, const QString &valueText)
{
    return String(key) + u": "_s + valueText;
}

QString Number(double value)
{
    return CompactElement(QJsonArray{value});
}

std::optional<unsigned> ParseHex(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return unsigned(value);
}

std::optional<std::uint64_t> ParseNumberOrHex(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number < 0 || number != std::floor(number) || number > 4294967295.0)
            return std::nullopt;
        return std::uint64_t(number);
    }
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString().trimmed();
    QStringView digits(text);
    if (digits.startsWith(u"0x"_s, Qt::CaseInsensitive))
        digits = digits.sliced(2);
    if (const std::optional<unsigned> parsed = ParseHex(digits))
        return *parsed;
    return std::nullopt;
}

QString ParseErrorText(const QByteArray &bytes, const QJsonParseError &error)
{
    // Qt's offset lies just past the character it could not take; the text points at it.
    const QByteArray before =
        bytes.first(std::clamp<qsizetype>(error.offset - 1, 0, bytes.size()));
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    const qsizetype line = before.count('\n') + 1;
    const qsizetype column = QString::fromUtf8(before.sliced(lineStart)).toUcs4().size() + 1;
    return u"JSON error at line %1, column %2: %3"_s.arg(line).arg(column).arg(error.errorString());
}

QString HexText(std::uint64_t value, int digits)
{
    return u"0x"_s + QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

} // namespace JsonText
