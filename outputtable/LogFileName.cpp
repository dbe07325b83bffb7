// SPDX-License-Identifier: MIT
#include "LogFileName.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace LogFileName {

SChoice Resolve(const QString &typed, TableLog::EFormat filter)
{
    const QFileInfo info(typed);
    const QString suffix = info.suffix();
    if (suffix.isEmpty() && info.exists() && !info.isFile())
        return {typed, filter};
    if (suffix.isEmpty()) {
        const QString added = filter == TableLog::EFormat::Text ? u"txt"_s : u"csv"_s;
        return {typed + (typed.endsWith(u'.') ? added : u'.' + added), filter};
    }
    if (suffix.compare(u"txt"_s, Qt::CaseInsensitive) == 0)
        return {typed, TableLog::EFormat::Text};
    if (suffix.compare(u"csv"_s, Qt::CaseInsensitive) == 0)
        return {typed, TableLog::EFormat::Csv};
    return {typed, filter};
}

QString Suggested(const QDateTime &time)
{
    return u"vtl-i2c-log-%1.csv"_s.arg(time.toString(u"yyyyMMdd-HHmmss"_s));
}

} // namespace LogFileName
