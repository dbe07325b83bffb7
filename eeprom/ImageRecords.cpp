// SPDX-License-Identifier: MIT
#include "ImageRecords.h"

#include <QList>

using namespace Qt::StringLiterals;

namespace ImageRecords {

namespace {

int Nibble(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<std::vector<unsigned char>> HexPairs(const QByteArray &digits, QString &error)
{
    if (digits.size() % 2 != 0) {
        error = u"odd number of hex digits"_s;
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(std::size_t(digits.size() / 2));
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int high = Nibble(digits[i]);
        const int low = Nibble(digits[i + 1]);
        if (high < 0 || low < 0) {
            error = u"'%1' is not a hex digit"_s.arg(
                QChar::fromLatin1(high < 0 ? digits[i] : digits[i + 1]));
            return std::nullopt;
        }
        bytes.push_back(static_cast<unsigned char>(high << 4 | low));
    }
    return bytes;
}

void ForEachLine(const QByteArray &text,
                 const std::function<bool(int line, const QByteArray &record)> &record)
{
    int number = 0;
    for (const QByteArray &line : text.split('\n')) {
        ++number;
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !record(number, trimmed))
            return;
    }
}

void Append(SMemoryImage &image, std::size_t offset, const unsigned char *data, std::size_t length)
{
    if (length == 0)
        return;
    if (image.segments.empty() || image.segments.back().End() != offset)
        image.segments.push_back({offset, {}});
    auto &bytes = image.segments.back().bytes;
    bytes.insert(bytes.end(), data, data + length);
}

QString LineError(int line, const QString &what)
{
    return u"line %1: %2"_s.arg(line).arg(what);
}

void AppendHex(QByteArray &line, const std::vector<unsigned char> &bytes)
{
    static const char *const DIGITS = "0123456789ABCDEF";
    for (const unsigned char byte : bytes) {
        line.append(DIGITS[byte >> 4]);
        line.append(DIGITS[byte & 0x0F]);
    }
}

} // namespace ImageRecords
