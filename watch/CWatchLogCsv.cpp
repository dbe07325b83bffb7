// SPDX-License-Identifier: MIT
#include "AtomicFile.h"
#include "CWatchLog.h"
#include "CsvFormat.h"
#include "HexFormat.h"
#include "TimeFormat.h"
#include "WatchNumber.h"

using namespace Qt::StringLiterals;

namespace {

const QString CSV_HEADER = u"time,bytes,value,unit,error"_s;

} // namespace

QByteArray CWatchLog::CsvText(const QString &unit) const
{
    QString out;
    out += CSV_HEADER;
    out += CsvFormat::LINE_END;
    for (const SWatchSample &sample : m_samples) {
        out += TimeFormat::Iso(sample.timeMs);
        out += u',';
        for (std::size_t i = 0; i < sample.bytes.size(); ++i) {
            if (i > 0)
                out += u' ';
            out += HexFormat::hexByte(sample.bytes[i]);
        }
        out += u',';
        if (sample.value)
            out += WatchNumber::Exact(*sample.value);
        out += u',';
        CsvFormat::AppendField(out, unit);
        out += u',';
        CsvFormat::AppendField(out, sample.error);
        out += CsvFormat::LINE_END;
    }
    return out.toUtf8();
}

bool CWatchLog::SaveCsv(const QString &path, const QString &unit) const
{
    const QByteArray bytes = CsvText(unit);
    return AtomicFile::Write(path, bytes, m_lastError);
}
