// SPDX-License-Identifier: MIT
#include "ImageFileName.h"

#include <QFileInfo>
#include <QStringList>

#include <array>

using namespace Qt::StringLiterals;

namespace ImageFileName {

namespace {

struct SType
{
    EImageFormat format;
    const char16_t *name;
    std::array<const char16_t *, 5> suffixes; // the first is added to a bare name
};

const std::array<SType, 3> TYPES{{
    {EImageFormat::IntelHex, u"Intel HEX", {u"hex", u"ihex"}},
    {EImageFormat::SRecord, u"S-record", {u"srec", u"s19", u"s28", u"s37", u"mot"}},
    {EImageFormat::Binary, u"Binary", {u"bin"}},
}};
const QString ALL_FILES = u"All files (*)"_s;

QString FilterOf(const SType &type)
{
    QStringList patterns;
    for (const char16_t *suffix : type.suffixes) {
        if (suffix != nullptr)
            patterns << u"*."_s + QString::fromUtf16(suffix);
    }
    return QString::fromUtf16(type.name) + u" ("_s + patterns.join(u' ') + u')';
}

std::optional<EImageFormat> FormatOfSuffix(const QString &suffix)
{
    for (const SType &type : TYPES) {
        for (const char16_t *known : type.suffixes) {
            if (known != nullptr &&
                suffix.compare(QString::fromUtf16(known), Qt::CaseInsensitive) == 0)
                return type.format;
        }
    }
    return std::nullopt;
}

} // namespace

QString Filters()
{
    QStringList filters;
    for (const SType &type : TYPES)
        filters << FilterOf(type);
    filters << ALL_FILES;
    return filters.join(u";;"_s);
}

std::optional<EImageFormat> FormatOfFilter(const QString &filter)
{
    for (const SType &type : TYPES) {
        if (filter == FilterOf(type))
            return type.format;
    }
    return std::nullopt;
}

SChoice Resolve(const QString &typed, std::optional<EImageFormat> filter)
{
    const QString suffix = QFileInfo(typed).suffix();
    if (const std::optional<EImageFormat> named = FormatOfSuffix(suffix))
        return {typed, *named};
    if (!filter)
        return {typed, ImageFile::FormatOf(typed)};
    if (!suffix.isEmpty())
        return {typed, *filter};
    for (const SType &type : TYPES) {
        if (type.format == *filter) {
            const QString added = QString::fromUtf16(type.suffixes.front());
            return {typed + (typed.endsWith(u'.') ? added : u'.' + added), *filter};
        }
    }
    return {typed, *filter};
}

} // namespace ImageFileName
