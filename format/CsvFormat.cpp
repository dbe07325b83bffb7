// SPDX-License-Identifier: MIT
#include "CsvFormat.h"

namespace CsvFormat {

namespace {

bool NeedsQuotes(QStringView field)
{
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

} // namespace

void AppendField(QString &out, QStringView field)
{
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += u'"';
    for (const QChar c : field) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

} // namespace CsvFormat
