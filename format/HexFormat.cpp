// SPDX-License-Identifier: MIT
#include "HexFormat.h"

#include <algorithm>
#include <array>

namespace HexFormat {

namespace {

constexpr int BYTE_WIDTH = 3; // two digits and a blank
constexpr qsizetype HEX_SHORT_OFFSET_LIMIT = 0xFF;
constexpr int HEX_SHORT_OFFSET_WIDTH = 2;
constexpr int HEX_LONG_OFFSET_WIDTH = 4;
constexpr char16_t DIGITS[] = u"0123456789ABCDEF";

// Both digits of every byte value, so rendering a byte is two loads and two stores.
constexpr std::array<std::array<char16_t, 2>, 256> makeByteTable()
{
    std::array<std::array<char16_t, 2>, 256> table{};
    for (unsigned value = 0; value < 256; ++value)
        table[value] = {DIGITS[value >> 4], DIGITS[value & 0xF]};
    return table;
}

constexpr auto BYTE_TABLE = makeByteTable();

int digitCount(qsizetype value, int base)
{
    int digits = 1;
    while (value >= base) {
        value /= base;
        ++digits;
    }
    return digits;
}

int offsetWidth(qsizetype lastOffset, bool decimal)
{
    if (decimal)
        return digitCount(lastOffset, 10);
    const int width =
        lastOffset <= HEX_SHORT_OFFSET_LIMIT ? HEX_SHORT_OFFSET_WIDTH : HEX_LONG_OFFSET_WIDTH;
    return std::max(width, digitCount(lastOffset, 16));
}

char16_t *putBytes(char16_t *out, const unsigned char *bytes, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            *out++ = u' ';
        const auto &pair = BYTE_TABLE[bytes[i]];
        *out++ = pair[0];
        *out++ = pair[1];
    }
    return out;
}

// Writes the offset right-aligned in `width` digits, zero-padded.
char16_t *putOffset(char16_t *out, qsizetype offset, int width, bool decimal)
{
    const int base = decimal ? 10 : 16;
    for (int i = width - 1; i >= 0; --i) {
        out[i] = DIGITS[offset % base];
        offset /= base;
    }
    return out + width;
}

} // namespace

QString hexByte(unsigned char byte)
{
    const auto &pair = BYTE_TABLE[byte];
    return QString(reinterpret_cast<const QChar *>(pair.data()), 2);
}

qsizetype lineCount(qsizetype size, int bytesPerLine)
{
    if (bytesPerLine <= 0 || size <= bytesPerLine)
        return 1;
    return (size + bytesPerLine - 1) / bytesPerLine;
}

QString lines(const QByteArray &data, int bytesPerLine, bool offsetDecimal)
{
    const qsizetype size = data.size();
    if (size == 0)
        return {};
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());

    if (bytesPerLine <= 0 || size <= bytesPerLine) {
        QString text(size * BYTE_WIDTH - 1, Qt::Uninitialized);
        putBytes(reinterpret_cast<char16_t *>(text.data()), bytes, size);
        return text;
    }

    const qsizetype count = lineCount(size, bytesPerLine);
    const qsizetype lastOffset = (size - 1) - ((size - 1) % bytesPerLine);
    const int width = offsetWidth(lastOffset, offsetDecimal);
    // Per line: offset, ": ", the bytes with blanks between; "\n" between lines.
    const qsizetype length = count * (width + 2) + size * BYTE_WIDTH - count + (count - 1);
    QString text(length, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype offset = 0; offset < size; offset += bytesPerLine) {
        if (offset > 0)
            *out++ = u'\n';
        out = putOffset(out, offset, width, offsetDecimal);
        *out++ = u':';
        *out++ = u' ';
        out = putBytes(out, bytes + offset, std::min<qsizetype>(bytesPerLine, size - offset));
    }
    Q_ASSERT(out == reinterpret_cast<char16_t *>(text.data()) + length);
    return text;
}

} // namespace HexFormat
