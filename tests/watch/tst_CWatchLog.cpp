// SPDX-License-Identifier: MIT
#include "CWatchLog.h"
#include "VtlTestMain.h"
#include "WatchNumber.h"

#include <QFile>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;
using Samples = QList<SWatchSample>;

namespace {

// 2026-12-08 13:03:07.412 UTC and 2026-07-01 07:00:00.000 UTC.
constexpr qint64 WINTER = 1796734987412;
constexpr qint64 SUMMER = 1782889200000;

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

} // namespace

class TestCWatchLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    // The summary carries count, failures, min, max and last, so it checks the figures too.
    void summary_data()
    {
        QTest::addColumn<Samples>("samples");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("values with a unit")
            << Samples{good(0, 331.66), good(1, 340.21), good(2, 333.3)} << u"lx"_s
            << u"3 samples, 0 failed, min 331.7 lx, max 340.2 lx, last 333.3 lx"_s;
        QTest::newRow("no unit, failed and undecodable, failure last")
            << Samples{good(0, -2), failed(1, u"NACK"_s), undecodable(2, {0x01}), good(3, 0.5),
                       failed(4, u"NACK"_s)}
            << QString() << u"5 samples, 2 failed, min -2, max 0.5, last 0.5"_s;
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

    // Figures restart from nothing, so an old extreme never outlives Clear or a new
    // decoding; failed readings stay without value.
    void clearAndRedecode()
    {
        CWatchLog log = logOf({good(0, -100, {0x09}), failed(10, u"NACK"_s, {0x05, 0x06})});
        log.Clear();
        log.Append(good(30, 4, {0x01, 0x02}));
        log.Append(failed(40, u"NACK"_s, {0x05, 0x06}));
        log.Append(undecodable(50, {0x07}));
        QCOMPARE(log.SummaryText({}), u"3 samples, 1 failed, min 4, max 4, last 4"_s);
        log.Redecode(SValueDecoding{1, EValueType::U8, 10, -1, {}});
        QCOMPARE(log.SummaryText({}), u"3 samples, 1 failed, min 19, max 19, last 19"_s);
        QVERIFY(!log.Samples()[1].value);
    }

    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shortText");
        QTest::addColumn<QString>("exactText");
        QTest::newRow("binary fraction") << 0.1 + 0.2 << u"0.3"_s << u"0.30000000000000004"_s;
        QTest::newRow("negative zero") << -0.0 << u"0"_s << u"0"_s;
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
                       failed(WINTER + 500, u"time-out\nafter 1000 ms"_s, {0xFF}),
                       undecodable(WINTER + 1000, {0x0A}), good(SUMMER, -0.5, {0x80, 0x00, 0x7F})}
            << u"\u00B0C"_s
            << QByteArray("time,bytes,value,unit,error\r\n"
                          "2026-12-08T14:03:07.412+01:00,01 8E,331.6666666666667,\xC2\xB0"
                          "C,\r\n"
                          "2026-12-08T14:03:07.912+01:00,FF,,\xC2\xB0"
                          "C,\"time-out\nafter 1000 ms\"\r\n"
                          "2026-12-08T14:03:08.412+01:00,0A,,\xC2\xB0"
                          "C,\r\n"
                          "2026-07-01T09:00:00.000+02:00,80 00 7F,-0.5,\xC2\xB0"
                          "C,\r\n");
        QTest::newRow("unit that needs quotes, before 1970")
            << Samples{good(-1, 2, {0x02})} << u"m\"s,2"_s
            << QByteArray("time,bytes,value,unit,error\r\n"
                          "1970-01-01T00:59:59.999+01:00,02,2,\"m\"\"s,2\",\r\n");
    }

    void csv()
    {
        QFETCH(Samples, samples);
        QFETCH(QString, unit);
        QFETCH(QByteArray, expected);
        QCOMPARE(logOf(samples).CsvText(unit), expected);
    }

    // A failed save leaves the old file as it was and no temporary file beside it. Writes
    // past 64 bytes fail with EFBIG, as on a full disk; unlike permissions this binds root.
    void failedSaveKeepsOldFile()
    {
        const QTemporaryDir dir;
        QFile old(dir.filePath(u"watch.csv"_s));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old log\n") == 8);
        old.close();
        Samples samples;
        for (int i = 0; i < 50; ++i)
            samples.append(good(i * 500, i, {0x01, 0x02}));
        const CWatchLog log = logOf(samples);
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        rlimit limit = unlimited;
        limit.rlim_cur = 64;
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = log.SaveCsv(old.fileName(), u"lx"_s);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(!saved);
        QVERIFY(!log.GetLastError().isEmpty());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old log\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"watch.csv"_s}));
    }
};

VTL_TEST_MAIN(TestCWatchLog)
#include "tst_CWatchLog.moc"
