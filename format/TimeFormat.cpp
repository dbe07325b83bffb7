// SPDX-License-Identifier: MIT
#include "TimeFormat.h"

#include <QDateTime>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace TimeFormat {

namespace {

constexpr qint64 US_PER_MS = 1000;
constexpr qint64 US_PER_S = 1000 * 1000;
constexpr int SECONDS_PER_MINUTE = 60;
constexpr int MINUTES_PER_HOUR = 60;

void appendNumber(QString &out, qint64 value, int width)
{
    char16_t digits[20];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int pad = count; pad < width; ++pad)
        out += u'0';
    while (count > 0)
        out += QChar(digits[--count]);
}

void appendClock(QString &out, const QTime &time)
{
    appendNumber(out, time.hour(), 2);
    out += u':';
    appendNumber(out, time.minute(), 2);
    out += u':';
    appendNumber(out, time.second(), 2);
    out += u'.';
    appendNumber(out, time.msec(), 3);
}

// `us` in units of `unit` microseconds with three significant digits, the unit's name
// after a blank. The thresholds are taken before rounding, so 9.996 becomes "10.0", not
// "10.00".
QString scaled(qint64 us, qint64 unit, QStringView name)
{
    QString out;
    if (us * 1000 < 9995 * unit) {
        const qint64 hundredths = (us * 100 + unit / 2) / unit;
        appendNumber(out, hundredths / 100, 1);
        out += u'.';
        appendNumber(out, hundredths % 100, 2);
    } else if (us * 100 < 9995 * unit) {
        const qint64 tenths = (us * 10 + unit / 2) / unit;
        appendNumber(out, tenths / 10, 1);
        out += u'.';
        appendNumber(out, tenths % 10, 1);
    } else {
        appendNumber(out, (us + unit / 2) / unit, 1);
    }
    out += u' ';
    out += name;
    return out;
}

} // namespace

QString Clock(qint64 msSinceEpoch)
{
    QString out;
    out.reserve(12);
    appendClock(out, QDateTime::fromMSecsSinceEpoch(msSinceEpoch).time());
    return out;
}

QString Duration(qint64 us)
{
    us = std::max<qint64>(us, 0);
    if (us < US_PER_MS)
        return QString::number(us) + u" \u00B5s"_s;
    // 999.5 ms and more would round to "1000 ms".
    if (us * 10 < 9995 * US_PER_MS)
        return scaled(us, US_PER_MS, u"ms");
    return scaled(us, US_PER_S, u"s");
}

QString Cell(qint64 msSinceEpoch, std::optional<qint64> durationUs)
{
    QString out = Clock(msSinceEpoch);
    if (durationUs)
        out += u" ("_s + Duration(*durationUs) + u')';
    return out;
}

QString Iso(qint64 msSinceEpoch)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msSinceEpoch);
    const QDate date = local.date();
    const int offset = local.offsetFromUtc();
    const int offsetMinutes = std::abs(offset) / SECONDS_PER_MINUTE;

    QString out;
    out.reserve(29);
    appendNumber(out, date.year(), 4);
    out += u'-';
    appendNumber(out, date.month(), 2);
    out += u'-';
    appendNumber(out, date.day(), 2);
    out += u'T';
    appendClock(out, local.time());
    out += offset < 0 ? u'-' : u'+';
    appendNumber(out, offsetMinutes / MINUTES_PER_HOUR, 2);
    out += u':';
    appendNumber(out, offsetMinutes % MINUTES_PER_HOUR, 2);
    return out;
}

} // namespace TimeFormat
