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
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;
Q_DECLARE_METATYPE(SWatchSample)

namespace {

const QByteArray CENTRAL_EUROPE = "CET-1CEST,M3.5.0,M10.5.0/3";

void useZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

std::int64_t utcMs(int year, int month, int day, int hour, int minute, int second, int ms)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::UTC)
        .toMSecsSinceEpoch();
}

SWatchSample good(std::int64_t timeMs, double value, Bytes bytes = {0x00})
{
    return {timeMs, std::move(bytes), value, {}};
}

SWatchSample failed(std::int64_t timeMs, const QString &error, Bytes bytes = {})
{
    return {timeMs, std::move(bytes), std::nullopt, error};
}

SWatchSample undecodable(std::int64_t timeMs, Bytes bytes)
{
    return {timeMs, std::move(bytes), std::nullopt, {}};
}

CWatchLog logOf(const QList<SWatchSample> &samples)
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

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestCWatchLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useZone(CENTRAL_EUROPE); }

    void figures_data()
    {
        QTest::addColumn<QList<SWatchSample>>("samples");
        QTest::addColumn<int>("failedCount");
        QTest::addColumn<QVariant>("min");
        QTest::addColumn<QVariant>("max");
        QTest::addColumn<QVariant>("last");
        QTest::addColumn<QVariant>("meanMs");
        QTest::newRow("empty") << QList<SWatchSample>{} << 0 << QVariant() << QVariant()
                               << QVariant() << QVariant();
        QTest::newRow("one reading") << QList<SWatchSample>{good(1000, 5)} << 0 << QVariant(5.0)
                                     << QVariant(5.0) << QVariant(5.0) << QVariant();
        QTest::newRow("good, failed, undecodable")
            << QList<SWatchSample>{good(1000, 3.5), failed(1500, u"NACK"_s),
                                   undecodable(2000, {0x01}), good(2600, -1.25), good(3000, 2)}
            << 1 << QVariant(-1.25) << QVariant(3.5) << QVariant(2.0) << QVariant(500.0);
        QTest::newRow("failures after the last value")
            << QList<SWatchSample>{good(0, 7), good(100, 9), failed(200, u"time-out"_s),
                                   failed(301, u"time-out"_s)}
            << 2 << QVariant(7.0) << QVariant(9.0) << QVariant(9.0) << QVariant(301.0 / 3);
        QTest::newRow("nothing decoded")
            << QList<SWatchSample>{failed(0, u"NACK"_s), undecodable(40, {})} << 1 << QVariant()
            << QVariant() << QVariant() << QVariant(40.0);
    }

    void figures()
    {
        QFETCH(QList<SWatchSample>, samples);
        QFETCH(int, failedCount);
        QFETCH(QVariant, min);
        QFETCH(QVariant, max);
        QFETCH(QVariant, last);
        QFETCH(QVariant, meanMs);
        const CWatchLog log = logOf(samples);
        QCOMPARE(log.Count(), std::size_t(samples.size()));
        QCOMPARE(log.FailedCount(), std::size_t(failedCount));
        QCOMPARE(variantOf(log.Min()), min);
        QCOMPARE(variantOf(log.Max()), max);
        QCOMPARE(variantOf(log.Last()), last);
        QCOMPARE(variantOf(log.MeanTimePerSampleMs()), meanMs);
    }

    // Figures restart from nothing, so an old extreme never outlives Clear.
    void clearStartsAfresh()
    {
        CWatchLog log = logOf({good(0, -100), failed(10, u"NACK"_s), good(20, 100)});
        log.Clear();
        log.Append(good(30, 4));
        QCOMPARE(log.Count(), std::size_t(1));
        QCOMPARE(log.FailedCount(), std::size_t(0));
        QCOMPARE(variantOf(log.Min()), QVariant(4.0));
        QCOMPARE(variantOf(log.Max()), QVariant(4.0));
    }

    void redecode()
    {
        CWatchLog log = logOf({good(0, 1, {0x01, 0x02}), failed(10, u"NACK"_s, {0x05, 0x06}),
                               undecodable(20, {0x07}), good(30, 3, {0x03, 0x04})});
        SValueDecoding decoding;
        decoding.offset = 1;
        decoding.scale = 10;
        decoding.add = -1;
        log.Redecode(decoding);
        QCOMPARE(variantOf(log.Samples()[0].value), QVariant(19.0));
        QCOMPARE(variantOf(log.Samples()[1].value), QVariant());
        QCOMPARE(variantOf(log.Samples()[2].value), QVariant());
        QCOMPARE(variantOf(log.Samples()[3].value), QVariant(39.0));
        QCOMPARE(log.FailedCount(), std::size_t(1));
        QCOMPARE(variantOf(log.Min()), QVariant(19.0));
        QCOMPARE(variantOf(log.Last()), QVariant(39.0));

        decoding.type = EValueType::U32Be;
        log.Redecode(decoding);
        QCOMPARE(variantOf(log.Max()), QVariant());
        QCOMPARE(log.ValueCount(), std::size_t(0));
    }

    void summary_data()
    {
        QTest::addColumn<QList<SWatchSample>>("samples");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("values with a unit")
            << QList<SWatchSample>{good(0, 331.66), good(1, 340.21), good(2, 333.3)} << u"lx"_s
            << u"3 samples, 0 failed, min 331.7 lx, max 340.2 lx, last 333.3 lx"_s;
        QTest::newRow("no unit") << QList<SWatchSample>{good(0, -2), good(1, 0.5)} << QString()
                                 << u"2 samples, 0 failed, min -2, max 0.5, last 0.5"_s;
        QTest::newRow("one sample") << QList<SWatchSample>{good(0, 21)} << u"\u00B0C"_s
                                    << u"1 sample, 0 failed, min 21 \u00B0C, max 21 \u00B0C, "
                                       u"last 21 \u00B0C"_s;
        QTest::newRow("failed between values")
            << QList<SWatchSample>{good(0, 12345.678), failed(1, u"NACK"_s), good(2, 0.000123456)}
            << u"V"_s << u"3 samples, 1 failed, min 0.0001235 V, max 12350 V, last 0.0001235 V"_s;
        QTest::newRow("all failed")
            << QList<SWatchSample>{failed(0, u"NACK"_s), failed(1, u"NACK"_s),
                                   failed(2, u"time-out"_s)}
            << u"lx"_s << u"3 samples, 3 failed"_s;
        QTest::newRow("nothing decodable")
            << QList<SWatchSample>{undecodable(0, {0x01}), undecodable(1, {})} << u"lx"_s
            << u"2 samples, 0 failed"_s;
        QTest::newRow("empty") << QList<SWatchSample>{} << u"lx"_s << u"0 samples, 0 failed"_s;
    }

    void summary()
    {
        QFETCH(QList<SWatchSample>, samples);
        QFETCH(QString, unit);
        QFETCH(QString, expected);
        QCOMPARE(logOf(samples).SummaryText(unit), expected);
    }

    void shortNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("rounded to four digits") << 331.66 << u"331.7"_s;
        QTest::newRow("no trailing zeros") << 1.5 << u"1.5"_s;
        QTest::newRow("whole number") << 100.0 << u"100"_s;
        QTest::newRow("negative") << -2.0 << u"-2"_s;
        QTest::newRow("zero") << 0.0 << u"0"_s;
        QTest::newRow("negative zero") << -0.0 << u"0"_s;
        QTest::newRow("large below a million") << 12345.678 << u"12350"_s;
        QTest::newRow("largest plain") << 999949.0 << u"999900"_s;
        QTest::newRow("rounds up to a million") << 999999.7 << u"1e+06"_s;
        QTest::newRow("above a million") << -1234567.0 << u"-1.235e+06"_s;
        QTest::newRow("small") << 0.000123456 << u"0.0001235"_s;
        QTest::newRow("rounds up a digit") << 0.99996 << u"1"_s;
    }

    void shortNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(WatchNumber::Short(value), expected);
    }

    void exactNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("binary fraction") << 0.1 + 0.2 << u"0.30000000000000004"_s;
        QTest::newRow("u32 maximum") << 4294967295.0 << u"4294967295"_s;
        QTest::newRow("small plain") << 0.0000015 << u"0.0000015"_s;
        QTest::newRow("below 1e-6") << -1.5e-7 << u"-1.5e-07"_s;
        QTest::newRow("1e15") << 1e15 << u"1e+15"_s;
        QTest::newRow("below 1e15") << 999999999999999.0 << u"999999999999999"_s;
        QTest::newRow("negative zero") << -0.0 << u"0"_s;
        QTest::newRow("smallest normal")
            << std::numeric_limits<double>::min() << u"2.2250738585072014e-308"_s;
    }

    // Exact texts read back as the same double, so an export loses nothing.
    void exactNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        const QString text = WatchNumber::Exact(value);
        QCOMPARE(text, expected);
        bool ok = false;
        QCOMPARE(text.toDouble(&ok), value);
        QVERIFY(ok);
    }

    void csv_data()
    {
        QTest::addColumn<QList<SWatchSample>>("samples");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QByteArray>("expected");
        const std::int64_t winter = utcMs(2026, 12, 8, 13, 3, 7, 412);
        const std::int64_t summer = utcMs(2026, 7, 1, 7, 0, 0, 0);
        QTest::newRow("good, failed, undecodable, summer time")
            << QList<SWatchSample>{good(winter, 331.6666666666667, {0x01, 0x8E}),
                                   failed(winter + 500, u"NACK, \"address\" not acknowledged"_s),
                                   undecodable(winter + 1000, {0x0A}),
                                   failed(winter + 1500, u"time-out\nafter 1000 ms"_s, {0xFF}),
                                   good(summer, -0.5, {0x80, 0x00, 0x7F})}
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
            << QList<SWatchSample>{good(winter, 2, {0x02})} << u"m\"s,2"_s
            << QByteArray("time,bytes,value,unit,error\r\n"
                          "2026-12-08T14:03:07.412+01:00,02,2,\"m\"\"s,2\",\r\n");
        QTest::newRow("no unit") << QList<SWatchSample>{good(winter, 1e15, {0x02})} << QString()
                                 << QByteArray("time,bytes,value,unit,error\r\n"
                                               "2026-12-08T14:03:07.412+01:00,02,1e+15,,\r\n");
        QTest::newRow("empty") << QList<SWatchSample>{} << u"lx"_s
                               << QByteArray("time,bytes,value,unit,error\r\n");
    }

    void csv()
    {
        QFETCH(QList<SWatchSample>, samples);
        QFETCH(QString, unit);
        QFETCH(QByteArray, expected);
        QCOMPARE(logOf(samples).CsvText(unit), expected);
    }

    void csvTimeZones_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("timeMs");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("UTC") << QByteArray("UTC0") << qint64(utcMs(2026, 12, 8, 13, 3, 7, 412))
                             << QByteArray("2026-12-08T13:03:07.412+00:00");
        QTest::newRow("west of UTC by 3:30")
            << QByteArray("<-0330>3:30") << qint64(utcMs(2026, 12, 8, 13, 3, 7, 412))
            << QByteArray("2026-12-08T09:33:07.412-03:30");
        QTest::newRow("east of UTC across midnight")
            << QByteArray("<+0545>-5:45") << qint64(utcMs(2026, 12, 31, 18, 20, 0, 5))
            << QByteArray("2027-01-01T00:05:00.005+05:45");
        QTest::newRow("before 1970")
            << QByteArray("UTC0") << qint64(-1) << QByteArray("1969-12-31T23:59:59.999+00:00");
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

    void saveCsvReplacesFile()
    {
        const QTemporaryDir dir;
        const QString path = dir.filePath(u"watch.csv"_s);
        QVERIFY(writeFile(path, QByteArray(100000, 'x')));
        const CWatchLog log = logOf({good(0, 1.5, {0x01}), failed(500, u"NACK"_s)});
        QVERIFY2(log.SaveCsv(path, u"lx"_s), qPrintable(log.GetLastError()));
        QCOMPARE(contentsOf(path), log.CsvText(u"lx"_s));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"watch.csv"_s}));
    }

    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("disk full while writing") << u"watch.csv"_s << true;
        QTest::newRow("folder that is a file") << u"watch.csv/inner.csv"_s << false;
    }

    void failedSaveKeepsOldFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, diskFull);
        const QTemporaryDir dir;
        const QString oldPath = dir.filePath(u"watch.csv"_s);
        QVERIFY(writeFile(oldPath, "old log\n"));
        QList<SWatchSample> samples;
        for (int i = 0; i < 50; ++i)
            samples.append(good(i * 500, i, {0x01, 0x02}));
        const CWatchLog log = logOf(samples);
        bool saved = true;
        {
            std::optional<CFileSizeLimit> limit;
            if (diskFull)
                limit.emplace(64);
            saved = log.SaveCsv(dir.filePath(name), u"lx"_s);
        }
        QVERIFY(!saved);
        QVERIFY(!log.GetLastError().isEmpty());
        QCOMPARE(contentsOf(oldPath), QByteArray("old log\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"watch.csv"_s}));
    }
};

VTL_TEST_MAIN(TestCWatchLog)
#include "tst_CWatchLog.moc"
