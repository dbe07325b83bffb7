// SPDX-License-Identifier: MIT
#include "CWatchLog.h"
#include "HexFormat.h"
#include "WatchNumber.h"

#include <QDateTime>
#include <QSaveFile>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const QString CSV_HEADER = u"time,bytes,value,unit,error"_s;
constexpr QStringView CSV_LINE_END = u"\r\n";
constexpr int SECONDS_PER_MINUTE = 60;
constexpr int MINUTES_PER_HOUR = 60;

QString padded(int value, int width)
{
    return u"%1"_s.arg(value, width, 10, QLatin1Char('0'));
}

// 2026-12-08T14:03:07.412+01:00: local time with the offset that held at that moment, so
// the text names the instant even across a change to or from summer time.
QString isoTime(std::int64_t msSinceEpoch)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msSinceEpoch);
    const QDate date = local.date();
    const QTime time = local.time();
    const int offsetMinutes = local.offsetFromUtc() / SECONDS_PER_MINUTE;
    const int absMinutes = std::abs(offsetMinutes);
    return padded(date.year(), 4) + u'-' + padded(date.month(), 2) + u'-' + padded(date.day(), 2) +
           u'T' + padded(time.hour(), 2) + u':' + padded(time.minute(), 2) + u':' +
           padded(time.second(), 2) + u'.' + padded(time.msec(), 3) +
           (offsetMinutes < 0 ? u'-' : u'+') + padded(absMinutes / MINUTES_PER_HOUR, 2) + u':' +
           padded(absMinutes % MINUTES_PER_HOUR, 2);
}

void appendField(QString &out, const QString &field)
{
    const bool quoted = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
                        field.contains(u'\n');
    if (!quoted) {
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

} // namespace

QByteArray CWatchLog::CsvText(const QString &unit) const
{
    QString out;
    out += CSV_HEADER;
    out += CSV_LINE_END;
    for (const SWatchSample &sample : m_samples) {
        out += isoTime(sample.timeMs);
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
        appendField(out, unit);
        out += u',';
        appendField(out, sample.error);
        out += CSV_LINE_END;
    }
    return out.toUtf8();
}

bool CWatchLog::SaveCsv(const QString &path, const QString &unit) const
{
    const QByteArray bytes = CsvText(unit);
    // Unbuffered: a buffered save file that meets a full disk after a partial write still
    // commits the truncated text, so every write is checked here instead.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_lastError = file.errorString();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 chunk = file.write(bytes.constData() + written, bytes.size() - written);
        if (chunk <= 0) {
            // Uncommitted, the temporary file is removed when `file` goes out of scope.
            m_lastError = file.errorString();
            return false;
        }
        written += chunk;
    }
    if (!file.commit()) {
        m_lastError = file.errorString();
        return false;
    }
    return true;
}
