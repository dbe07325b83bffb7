// SPDX-License-Identifier: MIT
#include "TimeFormat.h"
#include "VtlTestMain.h"

#include <ctime>

using namespace Qt::StringLiterals;

namespace {

// POSIX zone rules need no zone database, so the tests run the same everywhere.
const QByteArray ZONE_BERLIN = "CET-1CEST,M3.5.0,M10.5.0/3";

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
    void duration_data();
    void duration();
    void localTimes_data();
    void localTimes();
};

// Both sides of every change of unit or of digits after the point.
void TestTimeFormat::duration_data()
{
    QTest::addColumn<qint64>("us");
    QTest::addColumn<QString>("text");

    QTest::newRow("negative") << qint64(-5) << u"0 \u00B5s"_s;
    QTest::newRow("999 us") << qint64(999) << u"999 \u00B5s"_s;
    QTest::newRow("1000 us") << qint64(1000) << u"1.00 ms"_s;
    QTest::newRow("9994 us") << qint64(9994) << u"9.99 ms"_s;
    QTest::newRow("9995 us") << qint64(9995) << u"10.0 ms"_s;
    QTest::newRow("99949 us") << qint64(99949) << u"99.9 ms"_s;
    QTest::newRow("99950 us") << qint64(99950) << u"100 ms"_s;
    QTest::newRow("999499 us") << qint64(999499) << u"999 ms"_s;
    QTest::newRow("999500 us") << qint64(999500) << u"1.00 s"_s;
    QTest::newRow("an hour") << qint64(3600) * 1000 * 1000 << u"3600 s"_s;
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

    // The offset is the one in force at that moment, not today's.
    QTest::newRow("before the change")
        << ZONE_BERLIN << qint64(1774745999999) << u"2026-03-29T01:59:59.999+01:00"_s;
    QTest::newRow("after the change")
        << ZONE_BERLIN << qint64(1774746000000) << u"2026-03-29T03:00:00.000+02:00"_s;
    QTest::newRow("west, half hour") << QByteArray("NST3:30NDT,M3.2.0,M11.1.0")
                                     << qint64(1768534199999) << u"2026-01-15T23:59:59.999-03:30"_s;
    QTest::newRow("utc") << QByteArray("UTC0") << qint64(1774742400000)
                         << u"2026-03-29T00:00:00.000+00:00"_s;
}

void TestTimeFormat::localTimes()
{
    QFETCH(QByteArray, zone);
    QFETCH(qint64, ms);
    QFETCH(QString, iso);
    useZone(zone);
    QCOMPARE(TimeFormat::Iso(ms), iso);
}

VTL_TEST_MAIN(TestTimeFormat)
#include "tst_timeformat.moc"
