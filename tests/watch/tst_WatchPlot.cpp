// SPDX-License-Identifier: MIT
// The plot: round tick steps and their labels, the trace's thinning to pixel columns, and
// what a paint leaves in an image.
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

constexpr int IMAGE_WIDTH = 800;
constexpr int IMAGE_HEIGHT = 300;
// Antialiasing blends the line into the white or grey below it, which keeps its hue and
// lowers its saturation; a pixel a third covered by the line still passes these.
constexpr int HUE_TOLERANCE = 10;
constexpr int MIN_SATURATION = 60;

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

bool isLineColor(QRgb pixel)
{
    const QColor color(pixel);
    return color.hsvSaturation() >= MIN_SATURATION &&
           std::abs(color.hsvHue() - WatchPlot::lineColor().hsvHue()) <= HUE_TOLERANCE;
}

QImage paint(const CWatchLog *log, int spanSeconds = 60)
{
    WatchPlot plot;
    plot.resize(IMAGE_WIDTH, IMAGE_HEIGHT);
    plot.setSpanSeconds(spanSeconds);
    plot.setLog(log);
    QImage image(IMAGE_WIDTH, IMAGE_HEIGHT, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    plot.render(&image);
    return image;
}

// Per column: whether the line colour shows in it.
std::vector<bool> lineColumns(const QImage &image)
{
    std::vector<bool> columns(std::size_t(image.width()), false);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isLineColor(image.pixel(x, y)))
                columns[std::size_t(x)] = true;
        }
    }
    return columns;
}

// The widest stretch of columns without line colour between the first and the last
// column with it; -1 when no column has it.
int widestGap(const std::vector<bool> &columns)
{
    const auto first = std::find(columns.begin(), columns.end(), true);
    if (first == columns.end())
        return -1;
    const auto last = std::find(columns.rbegin(), columns.rend(), true).base();
    int widest = 0;
    int run = 0;
    for (auto it = first; it != last; ++it) {
        run = *it ? 0 : run + 1;
        widest = std::max(widest, run);
    }
    return widest;
}

int lineWidth(const std::vector<bool> &columns)
{
    const auto first = std::find(columns.begin(), columns.end(), true);
    const auto last = std::find(columns.rbegin(), columns.rend(), true).base();
    return first == columns.end() ? 0 : int(last - first);
}

} // namespace

class TestWatchPlot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void niceStep_data()
    {
        QTest::addColumn<double>("rough");
        QTest::addColumn<double>("expected");
        QTest::newRow("two") << 2.0 << 2.0;
        QTest::newRow("just above one") << 1.001 << 2.0;
        QTest::newRow("above five") << 5.5 << 10.0;
        QTest::newRow("hundredths") << 0.013 << 0.02;
        QTest::newRow("hundreds") << 300.0 << 500.0;
        QTest::newRow("a tenth with rounding noise") << 0.3 / 3 << 0.1;
    }

    void niceStep()
    {
        QFETCH(double, rough);
        QFETCH(double, expected);
        QCOMPARE(PlotTicks::NiceStep(rough), expected);
    }

    void ticks_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("step");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("seconds back")
            << -60.0 << 0.0 << 20.0 << QStringList{u"-60"_s, u"-40"_s, u"-20"_s, u"0"_s};
        QTest::newRow("halves") << 329.97 << 331.63 << 0.5
                                << QStringList{u"330.0"_s, u"330.5"_s, u"331.0"_s, u"331.5"_s};
        QTest::newRow("tenths through zero")
            << -0.25 << 0.3 << 0.1
            << QStringList{u"-0.2"_s, u"-0.1"_s, u"0"_s, u"0.1"_s, u"0.2"_s, u"0.3"_s};
        QTest::newRow("no room") << 1.1 << 1.9 << 1.0 << QStringList{};
    }

    void ticks()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(double, step);
        QFETCH(QStringList, labels);
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

    void paintsLine_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("line");
        QTest::newRow("no readings") << QString() << false;
        QTest::newRow("one reading") << u"v"_s << true;
        QTest::newRow("every reading failed") << u"-----"_s << false;
        QTest::newRow("10,000 readings") << QString(10000, u'v') << true;
        QString gaps(10000, u'v');
        for (qsizetype i = 0; i < gaps.size(); i += 7)
            gaps[i] = u'-';
        QTest::newRow("10,000 readings, every seventh failed") << gaps << true;
    }

    void paintsLine()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, line);
        const CWatchLog log = logOf(pattern);
        const std::vector<bool> columns = lineColumns(paint(&log));
        QCOMPARE(std::count(columns.begin(), columns.end(), true) > 0, line);
    }

    void gapLeavesColumnsFree_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("ten failed of thirty") << u"vvvvvvvvvv----------vvvvvvvvvv"_s << 200 << 400;
        QTest::newRow("none failed") << QString(30, u'v') << 0 << 0;
    }

    void gapLeavesColumnsFree()
    {
        QFETCH(QString, pattern);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        const CWatchLog log = logOf(pattern);
        const int gap = widestGap(lineColumns(paint(&log, 30)));
        QVERIFY2(gap >= minimum && gap <= maximum, qPrintable(QString::number(gap)));
    }

    // The time axis spans its seconds whether or not readings fill them.
    void spanEndsAtLatestReading()
    {
        const CWatchLog full = logOf(QString(121, u'v'));
        const CWatchLog half = logOf(QString(31, u'v'));
        const int fullWidth = lineWidth(lineColumns(paint(&full, 60)));
        const int halfWidth = lineWidth(lineColumns(paint(&half, 60)));
        QVERIFY2(std::abs(2 * halfWidth - fullWidth) <= 8,
                 qPrintable(u"%1 of %2"_s.arg(halfWidth).arg(fullWidth)));
    }
};

VTL_TEST_MAIN(TestWatchPlot)
#include "tst_WatchPlot.moc"
