// SPDX-License-Identifier: MIT
#include "JsonText.h"

#include "NumberText.h"

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

std::optional<std::uint64_t> ParseNumberOrHex(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number < 0 || number != std::floor(number) || number > double(NumberText::MAX_32_BIT))
            return std::nullopt;
        return std::uint64_t(number);
    }
    if (!value.isString())
        return std::nullopt;
    return NumberText::ParseHex(value.toString());
}

QString ParseErrorText(const QByteArray &bytes, const QJsonParseError &error)
{
    // Qt's offset lies just past the character it could not take; the text points at it.
    const QByteArray before = bytes.first(std::clamp<qsizetype>(error.offset - 1, 0, bytes.size()));
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    const qsizetype line = before.count('\n') + 1;
    const qsizetype column = QString::fromUtf8(before.sliced(lineStart)).toUcs4().size() + 1;
    return u"JSON error at line %1, column %2: %3"_s.arg(line).arg(column).arg(error.errorString());
}

} // namespace JsonText
