// SPDX-License-Identifier: MIT
#include "CPlotTrace.h"
#include "CWatchLog.h"
#include "PlotTicks.h"
#include "VtlTestMain.h"
#include "WatchPlot.h"

#include <QImage>
#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// `pattern` has one character per reading, one second apart: 'v' a value (`value`), '^' a
// value of 100, '-' a failed reading.
CWatchLog logOf(const QString &pattern, double value = 5)
{
    CWatchLog log;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        SWatchSample sample;
        sample.timeMs = i * 1000;
        if (pattern[i] == u'-')
            sample.error = u"NACK"_s;
        else
            sample.value = pattern[i] == u'^' ? 100 : value;
        log.Append(sample);
    }
    return log;
}

// The columns of the plot of `pattern` that show the line colour. Antialiasing keeps the
// hue and lowers the saturation, so a pixel a third covered by the line still counts.
std::vector<int> lineColumns(const QString &pattern, int spanSeconds)
{
    const CWatchLog log = logOf(pattern);
    WatchPlot plot;
    plot.resize(800, 300);
    plot.setSpanSeconds(spanSeconds);
    plot.setLog(&log);
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    plot.render(&image);
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor color(image.pixel(x, y));
            if (color.hsvSaturation() >= 60 &&
                std::abs(color.hsvHue() - WatchPlot::lineColor().hsvHue()) <= 10) {
                columns.push_back(x);
                break;
            }
        }
    }
    return columns;
}

} // namespace

class TestWatchPlot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ticks_data()
    {
        QTest::addColumn<double>("rough");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("seconds back")
            << 20.0 << 20.0 << -60.0 << 0.0 << QStringList{u"-60"_s, u"-40"_s, u"-20"_s, u"0"_s};
        QTest::newRow("just above one")
            << 1.001 << 2.0 << 0.0 << 5.0 << QStringList{u"0"_s, u"2"_s, u"4"_s};
        QTest::newRow("halves") << 0.3 << 0.5 << 329.97 << 331.63
                                << QStringList{u"330.0"_s, u"330.5"_s, u"331.0"_s, u"331.5"_s};
        QTest::newRow("tenths through zero, rounding noise")
            << 0.3 / 3 << 0.1 << -0.25 << 0.3
            << QStringList{u"-0.2"_s, u"-0.1"_s, u"0"_s, u"0.1"_s, u"0.2"_s, u"0.3"_s};
        QTest::newRow("hundreds, from -0")
            << 300.0 << 500.0 << -100.0 << 1000.0 << QStringList{u"0"_s, u"500"_s, u"1000"_s};
        QTest::newRow("above five, no room") << 5.5 << 10.0 << 11.0 << 19.0 << QStringList{};
    }

    void ticks()
    {
        QFETCH(double, rough);
        QFETCH(double, step);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QStringList, labels);
        QCOMPARE(PlotTicks::NiceStep(rough), step);
        QStringList texts;
        for (const double tick : PlotTicks::Multiples(low, high, step))
            texts.append(PlotTicks::Label(tick, step));
        QCOMPARE(texts, labels);
    }

    // Ten thousand readings in 100 columns keep at most four points a column, in time
    // order, and the one-reading spike and the gap survive.
    void traceThinsToColumns()
    {
        QString pattern(10000, u'v');
        pattern[5050] = u'^';
        pattern[7000] = u'-';
        const CWatchLog log = logOf(pattern, 0);
        CPlotTrace trace;
        trace.Build(log.Samples(), 0, log.Count(), QRectF(0, 0, 100, 100), 0, 10000000, 0, 100);
        QVERIFY(trace.Thinned());
        QVERIFY(trace.Points().size() <= 4 * 101);
        QCOMPARE(trace.Runs().size(), std::size_t(2));
        const auto &points = trace.Points();
        QVERIFY(std::is_sorted(points.begin(), points.end(),
                               [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); }));
        QVERIFY(std::any_of(points.begin(), points.end(),
                            [](const QPointF &point) { return point.y() == 0; }));
    }

    void paint_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("minGap");
        QTest::addColumn<int>("maxGap");
        QString gaps(10000, u'v');
        for (qsizetype i = 0; i < gaps.size(); i += 7)
            gaps[i] = u'-';
        QTest::newRow("no readings") << QString() << 60 << -1 << -1;
        QTest::newRow("every reading failed") << u"-----"_s << 60 << -1 << -1;
        QTest::newRow("one reading") << u"v"_s << 60 << 0 << 0;
        QTest::newRow("none failed") << QString(30, u'v') << 30 << 0 << 0;
        QTest::newRow("ten failed of thirty")
            << u"vvvvvvvvvv----------vvvvvvvvvv"_s << 30 << 200 << 400;
        QTest::newRow("10,000 readings thinned") << QString(10000, u'v') << 10000 << 0 << 0;
        QTest::newRow("10,000, every seventh failed") << gaps << 10000 << 0 << 2;
        QTest::newRow("10,000, last minute") << gaps << 60 << 10 << 40;
    }

    void paint()
    {
        QFETCH(QString, pattern);
        QFETCH(int, span);
        QFETCH(int, minGap);
        QFETCH(int, maxGap);
        const std::vector<int> columns = lineColumns(pattern, span);
        int gap = columns.empty() ? -1 : 0;
        for (std::size_t i = 1; i < columns.size(); ++i)
            gap = std::max(gap, columns[i] - columns[i - 1] - 1);
        QVERIFY2(gap >= minGap && gap <= maxGap, qPrintable(QString::number(gap)));
    }

    // The time axis spans its seconds whether or not readings fill them.
    void spanEndsAtLatestReading()
    {
        const std::vector<int> full = lineColumns(QString(121, u'v'), 60);
        const std::vector<int> half = lineColumns(QString(31, u'v'), 60);
        QVERIFY(!full.empty() && !half.empty());
        const int fullWidth = full.back() - full.front();
        const int halfWidth = half.back() - half.front();
        QVERIFY2(std::abs(2 * halfWidth - fullWidth) <= 8,
                 qPrintable(u"%1 of %2"_s.arg(halfWidth).arg(fullWidth)));
    }
};

VTL_TEST_MAIN(TestWatchPlot)
#include "tst_WatchPlot.moc"
