// SPDX-License-Identifier: MIT
#include "TimeFormat.h"
#include "VtlTestMain.h"

#include <ctime>

using namespace Qt::StringLiterals;

namespace {

// POSIX zone rules need no zone database, so the tests run the same everywhere.
const QByteArray ZONE_BERLIN = "CET-1CEST,M3.5.0,M10.5.0/3";
const QByteArray ZONE_ST_JOHNS = "NST3:30NDT,M3.2.0,M11.1.0";
const QByteArray ZONE_UTC = "UTC0";

void useZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

} // namespace

class TestTimeFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { useZone(ZONE_UTC); }

    void duration_data();
    void duration();
    void localTimes_data();
    void localTimes();
};

void TestTimeFormat::duration_data()
{
    QTest::addColumn<qint64>("us");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << qint64(0) << u"0 \u00B5s"_s;
    QTest::newRow("below a millisecond") << qint64(999) << u"999 \u00B5s"_s;
    QTest::newRow("one millisecond") << qint64(1000) << u"1.00 ms"_s;
    QTest::newRow("rounded down") << qint64(1234) << u"1.23 ms"_s;
    QTest::newRow("rounded up") << qint64(1235) << u"1.24 ms"_s;
    QTest::newRow("last hundredths") << qint64(9994) << u"9.99 ms"_s;
    QTest::newRow("rounds into tenths") << qint64(9995) << u"10.0 ms"_s;
    QTest::newRow("last tenths") << qint64(99949) << u"99.9 ms"_s;
    QTest::newRow("rounds into whole") << qint64(99950) << u"100 ms"_s;
    QTest::newRow("last milliseconds") << qint64(999499) << u"999 ms"_s;
    QTest::newRow("rounds into seconds") << qint64(999500) << u"1.00 s"_s;
    QTest::newRow("seconds") << qint64(1060000) << u"1.06 s"_s;
    QTest::newRow("tens of seconds") << qint64(12345678) << u"12.3 s"_s;
    QTest::newRow("an hour") << qint64(3600) * 1000 * 1000 << u"3600 s"_s;
    QTest::newRow("negative") << qint64(-5) << u"0 \u00B5s"_s;
}

void TestTimeFormat::duration()
{
    QFETCH(qint64, us);
    QFETCH(QString, text);
    QCOMPARE(TimeFormat::Duration(us), text);
}

void TestTimeFormat::localTimes_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("iso");
    QTest::addColumn<QString>("clock");

    QTest::newRow("winter") << ZONE_BERLIN << qint64(1796734987412)
                            << u"2026-12-08T14:03:07.412+01:00"_s << u"14:03:07.412"_s;
    QTest::newRow("summer") << ZONE_BERLIN << qint64(1782889500007)
                            << u"2026-07-01T09:05:00.007+02:00"_s << u"09:05:00.007"_s;
    // The offset is the one in force at that moment, not today's.
    QTest::newRow("before the change") << ZONE_BERLIN << qint64(1774745999999)
                                       << u"2026-03-29T01:59:59.999+01:00"_s << u"01:59:59.999"_s;
    QTest::newRow("after the change") << ZONE_BERLIN << qint64(1774746000000)
                                      << u"2026-03-29T03:00:00.000+02:00"_s << u"03:00:00.000"_s;
    QTest::newRow("west, half hour") << ZONE_ST_JOHNS << qint64(1768534199999)
                                     << u"2026-01-15T23:59:59.999-03:30"_s << u"23:59:59.999"_s;
    QTest::newRow("utc") << ZONE_UTC << qint64(1774742400000) << u"2026-03-29T00:00:00.000+00:00"_s
                         << u"00:00:00.000"_s;
}

void TestTimeFormat::localTimes()
{
    QFETCH(QByteArray, zone);
    QFETCH(qint64, ms);
    QFETCH(QString, iso);
    QFETCH(QString, clock);
    useZone(zone);
    QCOMPARE(TimeFormat::Iso(ms), iso);
    QCOMPARE(TimeFormat::Clock(ms), clock);
    QCOMPARE(TimeFormat::Cell(ms, std::nullopt), clock);
    QCOMPARE(TimeFormat::Cell(ms, 1060000), clock + u" (1.06 s)"_s);
}

VTL_TEST_MAIN(TestTimeFormat)
#include "tst_timeformat.moc"
