// SPDX-License-Identifier: MIT
#include "NativeName.h"

namespace NativeName {

namespace {

constexpr char16_t RAW_FIRST = 0xDC80;
constexpr char16_t RAW_LAST = 0xDCFF;
constexpr char16_t RAW_BASE = 0xDC00;

// The length of the valid UTF-8 sequence at `at` and its code point, or 0.
qsizetype Sequence(QByteArrayView bytes, qsizetype at, char32_t &point)
{
    const auto first = static_cast<unsigned char>(bytes[at]);
    if (first < 0x80) {
        point = first;
        return 1;
    }
    qsizetype length = 0;
    char32_t least = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        point = first & 0x1F;
        least = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        point = first & 0x0F;
        least = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        point = first & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        point = point << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and points beyond Unicode are not UTF-8.
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

bool IsRaw(const QString &name, qsizetype at)
{
    const char16_t unit = name[at].unicode();
    return unit >= RAW_FIRST && unit <= RAW_LAST && (at == 0 || !name[at - 1].isHighSurrogate());
}

} // namespace

QString Decode(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t point = 0;
        const qsizetype length = Sequence(bytes, at, point);
        if (length == 0) {
            name.append(QChar(char16_t(RAW_BASE + static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        name.append(QString::fromUcs4(&point, 1));
        at += length;
    }
    return name;
}

QByteArray Encode(const QString &name)
{
    QByteArray bytes;
    qsizetype plain = 0; // where the text not yet encoded starts
    for (qsizetype at = 0; at < name.size(); ++at) {
        if (!IsRaw(name, at))
            continue;
        bytes += QStringView(name).mid(plain, at - plain).toUtf8();
        bytes += char(name[at].unicode() - RAW_BASE);
        plain = at + 1;
    }
    bytes += QStringView(name).mid(plain).toUtf8();
    return bytes;
}

bool HasRawBytes(const QString &name)
{
    for (qsizetype at = 0; at < name.size(); ++at) {
        if (IsRaw(name, at))
            return true;
    }
    return false;
}

QStringList Arguments(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(Decode(QByteArrayView(argv[i])));
    return arguments;
}

} // namespace NativeName
