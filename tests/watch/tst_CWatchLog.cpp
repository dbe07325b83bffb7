// SPDX-License-Identifier: MIT
// The watch log: running figures, the summary line with its number format, the CSV text
// byte for byte, and the atomic CSV file.
#include "CWatchLog.h"
#include "FileSizeLimit.h"
#include "VtlTestMain.h"
#include "WatchNumber.h"

#include <QDateTime>
#include <QFile>
#include <QtTest>

#include <ctime>
#include <optional>

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;
using Samples = QList<SWatchSample>;
Q_DECLARE_METATYPE(SWatchSample)

namespace {

const QByteArray CENTRAL_EUROPE = "CET-1CEST,M3.5.0,M10.5.0/3";
// 2026-12-08 13:03:07.412 UTC and 2026-07-01 07:00:00.000 UTC.
constexpr qint64 WINTER = 1796734987412;
constexpr qint64 SUMMER = 1782889200000;

void useZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

SWatchSample good(qint64 timeMs, double value, Bytes bytes = {0x00})
{
    return {timeMs, std::move(bytes), value, {}};
}

SWatchSample failed(qint64 timeMs, const QString &error, Bytes bytes = {})
{
    return {timeMs, std::move(bytes), std::nullopt, error};
}

SWatchSample undecodable(qint64 timeMs, Bytes bytes)
{
    return {timeMs, std::move(bytes), std::nullopt, {}};
}

CWatchLog logOf(const Samples &samples)
{
    CWatchLog log;
    for (const SWatchSample &sample : samples)
        log.Append(sample);
    return log;
}

QVariant variantOf(std::optional<double> value)
{
    return value ? QVariant(*value) : QVariant();
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TestCWatchLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        useZone(CENTRAL_EUROPE);
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(WINTER, Qt::UTC).toString(Qt::ISODateWithMs),
                 u"2026-12-08T13:03:07.412Z"_s);
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(SUMMER, Qt::UTC).toString(Qt::ISODate),
                 u"2026-07-01T07:00:00Z"_s);
    }

    void figures_data()
    {
        QTest::addColumn<Samples>("samples");
        QTest::addColumn<int>("failedCount");
        QTest::addColumn<QVariantList>("minMaxLast");
        QTest::addColumn<QVariant>("meanMs");
        QTest::newRow("empty") << Samples{} << 0 << QVariantList{} << QVariant();
        QTest::newRow("good, failed, undecodable")
            << Samples{good(1000, 3.5), failed(1500, u"NACK"_s), undecodable(2000, {0x01}),
                       good(2600, -1.25), good(3000, 2)}
            << 1 << QVariantList{-1.25, 3.5, 2.0} << QVariant(500.0);
        QTest::newRow("failures after the last value")
            << Samples{good(0, 7), good(100, 9), failed(200, u"x"_s), failed(301, u"x"_s)} << 2
            << QVariantList{7.0, 9.0, 9.0} << QVariant(301.0 / 3);
        QTest::newRow("nothing decoded") << Samples{failed(0, u"NACK"_s), undecodable(40, {})} << 1
                                         << QVariantList{} << QVariant(40.0);
    }

    void figures()
    {
        QFETCH(Samples, samples);
        QFETCH(int, failedCount);
        QFETCH(QVariantList, minMaxLast);
        QFETCH(QVariant, meanMs);
        const CWatchLog log = logOf(samples);
        QCOMPARE(log.Count(), std::size_t(samples.size()));
        QCOMPARE(log.FailedCount(), std::size_t(failedCount));
        const QVariantList figures{variantOf(log.Min()), variantOf(log.Max()),
                                   variantOf(log.Last())};
        QCOMPARE(figures, minMaxLast.isEmpty() ? QVariantList(3) : minMaxLast);
        QCOMPARE(variantOf(log.MeanTimePerSampleMs()), meanMs);
    }

    // Figures restart from nothing, so an old extreme never outlives Clear or a new
    // decoding; failed readings stay without value.
    void clearAndRedecode()
    {
        CWatchLog log = logOf({good(0, -100, {0x09}), failed(10, u"NACK"_s, {0x05, 0x06})});
        log.Clear();
        log.Append(good(30, 4, {0x01, 0x02}));
        log.Append(failed(40, u"NACK"_s, {0x05, 0x06}));
        log.Append(undecodable(50, {0x07}));
        QCOMPARE(variantOf(log.Min()), QVariant(4.0));
        SValueDecoding decoding;
        decoding.offset = 1;
        decoding.scale = 10;
        decoding.add = -1;
        log.Redecode(decoding);
        QCOMPARE(log.FailedCount(), std::size_t(1));
        QCOMPARE(log.ValueCount(), std::size_t(1));
        QCOMPARE(variantOf(log.Max()), QVariant(19.0));
        QCOMPARE(variantOf(log.Samples()[1].value), QVariant());
    }

    void summary_data()
    {
        QTest::addColumn<Samples>("samples");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("values with a unit")
            << Samples{good(0, 331.66), good(1, 340.21), good(2, 333.3)} << u"lx"_s
            << u"3 samples, 0 failed, min 331.7 lx, max 340.2 lx, last 333.3 lx"_s;
        QTest::newRow("no unit, one failed")
            << Samples{good(0, -2), failed(1, u"NACK"_s), good(2, 0.5)} << QString()
            << u"3 samples, 1 failed, min -2, max 0.5, last 0.5"_s;
        QTest::newRow("one sample") << Samples{good(0, 21)} << u"\u00B0C"_s
                                    << u"1 sample, 0 failed, min 21 \u00B0C, max 21 \u00B0C, "
                                       u"last 21 \u00B0C"_s;
        QTest::newRow("all failed")
            << Samples{failed(0, u"NACK"_s), failed(1, u"NACK"_s), failed(2, u"time-out"_s)}
            << u"lx"_s << u"3 samples, 3 failed"_s;
        QTest::newRow("empty") << Samples{} << u"lx"_s << u"0 samples, 0 failed"_s;
    }

    void summary()
    {
        QFETCH(Samples, samples);
        QFETCH(QString, unit);
        QFETCH(QString, expected);
        QCOMPARE(logOf(samples).SummaryText(unit), expected);
    }

    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shortText");
        QTest::addColumn<QString>("exactText");
        QTest::newRow("binary fraction") << 0.1 + 0.2 << u"0.3"_s << u"0.30000000000000004"_s;
        QTest::newRow("negative zero") << -0.0 << u"0"_s << u"0"_s;
        QTest::newRow("rounds up a digit") << 0.99996 << u"1"_s << u"0.99996"_s;
        QTest::newRow("large below a million") << 12345.678 << u"12350"_s << u"12345.678"_s;
        QTest::newRow("rounds up to a million") << 999999.7 << u"1e+06"_s << u"999999.7"_s;
        QTest::newRow("u32 maximum") << 4294967295.0 << u"4.295e+09"_s << u"4294967295"_s;
        QTest::newRow("small") << 0.0000015 << u"0.0000015"_s << u"0.0000015"_s;
        QTest::newRow("below 1e-6") << -1.5e-7 << u"-0.00000015"_s << u"-1.5e-07"_s;
        QTest::newRow("1e15") << 1e15 << u"1e+15"_s << u"1e+15"_s;
    }

    // Exact texts read back as the same double, so an export loses nothing.
    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QString, shortText);
        QFETCH(QString, exactText);
        QCOMPARE(WatchNumber::Short(value), shortText);
        QCOMPARE(WatchNumber::Exact(value), exactText);
        QCOMPARE(exactText.toDouble(), value);
    }

    void csv_data()
    {
        QTest::addColumn<Samples>("samples");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("good, failed, undecodable, summer time")
            << Samples{good(WINTER, 331.6666666666667, {0x01, 0x8E}),
                       failed(WINTER + 500, u"NACK, \"address\" not acknowledged"_s),
                       undecodable(WINTER + 1000, {0x0A}),
                       failed(WINTER + 1500, u"time-out\nafter 1000 ms"_s, {0xFF}),
                       good(SUMMER, -0.5, {0x80, 0x00, 0x7F})}
            << u"\u00B0C"_s
            << QByteArray("time,bytes,value,unit,error\r\n"
                          "2026-12-08T14:03:07.412+01:00,01 8E,331.6666666666667,\xC2\xB0"
                          "C,\r\n"
                          "2026-12-08T14:03:07.912+01:00,,,\xC2\xB0"
                          "C,\"NACK, \"\"address\"\" not acknowledged\"\r\n"
                          "2026-12-08T14:03:08.412+01:00,0A,,\xC2\xB0"
                          "C,\r\n"
                          "2026-12-08T14:03:08.912+01:00,FF,,\xC2\xB0"
                          "C,\"time-out\nafter 1000 ms\"\r\n"
                          "2026-07-01T09:00:00.000+02:00,80 00 7F,-0.5,\xC2\xB0"
                          "C,\r\n");
        QTest::newRow("unit that needs quotes")
            << Samples{good(WINTER, 2, {0x02})} << u"m\"s,2"_s
            << QByteArray("time,bytes,value,unit,error\r\n"
                          "2026-12-08T14:03:07.412+01:00,02,2,\"m\"\"s,2\",\r\n");
    }

    void csv()
    {
        QFETCH(Samples, samples);
        QFETCH(QString, unit);
        QFETCH(QByteArray, expected);
        QCOMPARE(logOf(samples).CsvText(unit), expected);
    }

    void csvTimeZones_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("timeMs");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("UTC") << QByteArray("UTC0") << WINTER
                             << QByteArray("2026-12-08T13:03:07.412+00:00");
        QTest::newRow("west of UTC by 3:30")
            << QByteArray("<-0330>3:30") << WINTER << QByteArray("2026-12-08T09:33:07.412-03:30");
        QTest::newRow("before 1970") << QByteArray("<+0545>-5:45") << qint64(-1)
                                     << QByteArray("1970-01-01T05:44:59.999+05:45");
    }

    void csvTimeZones()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, timeMs);
        QFETCH(QByteArray, expected);
        useZone(zone);
        const QByteArray text = logOf({good(timeMs, 1)}).CsvText(QString());
        useZone(CENTRAL_EUROPE);
        QCOMPARE(text.split('\n').value(1).split(',').value(0), expected);
    }

    void saveCsv_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<bool>("saved");
        QTest::newRow("replaces the old file") << u"watch.csv"_s << false << true;
        QTest::newRow("disk full while writing") << u"watch.csv"_s << true << false;
        QTest::newRow("folder that is a file") << u"watch.csv/inner.csv"_s << false << false;
    }

    // A failed save leaves the old file as it was and no temporary file beside it.
    void saveCsv()
    {
        QFETCH(QString, name);
        QFETCH(bool, diskFull);
        QFETCH(bool, saved);
        const QTemporaryDir dir;
        const QString oldPath = dir.filePath(u"watch.csv"_s);
        QFile old(oldPath);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old log\n") == 8);
        old.close();
        Samples samples;
        for (int i = 0; i < 50; ++i)
            samples.append(good(i * 500, i, {0x01, 0x02}));
        const CWatchLog log = logOf(samples);
        std::optional<CFileSizeLimit> limit;
        if (diskFull)
            limit.emplace(64);
        QCOMPARE(log.SaveCsv(dir.filePath(name), u"lx"_s), saved);
        limit.reset();
        QCOMPARE(log.GetLastError().isEmpty(), saved);
        QCOMPARE(contentsOf(oldPath), saved ? log.CsvText(u"lx"_s) : QByteArray("old log\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"watch.csv"_s}));
    }
};

VTL_TEST_MAIN(TestCWatchLog)
#include "tst_CWatchLog.moc"
