// SPDX-License-Identifier: MIT
#include "WatchPlot.h"

#include "CWatchLog.h"
#include "PlotTicks.h"
#include "WatchNumber.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int MARGIN = 6;
constexpr int LABEL_GAP = 4;
constexpr int MIN_TIME_TICK_SPACING = 80;
constexpr int MIN_VALUE_TICK_SPACING = 36;
constexpr std::size_t MARKER_LIMIT = 200;
constexpr double MARKER_RADIUS = 2.5;
// Wider antialiased pens leave the raster engine's fast path for thin lines: a 1.5 pixel
// line through 10,000 readings took about ten times as long to draw.
constexpr double LINE_WIDTH = 1.0;
constexpr double VALUE_FONT_FACTOR = 2.0;
// Share of the value range left free above and below the line.
constexpr double RANGE_MARGIN = 0.08;
// A flat line is shown in a band of this share of its value around it.
constexpr double FLAT_MARGIN = 0.01;
constexpr int MIN_SPAN_SECONDS = 1;
constexpr int MAX_SPAN_SECONDS = 86400;
constexpr std::int64_t MS_PER_SECOND = 1000;
constexpr int GRID_ALPHA = 40;
constexpr QColor LINE_COLOR(0x1E, 0x88, 0xE5);

struct SRange
{
    double low = 0;
    double high = 0;
};

std::optional<SRange> valueRange(const std::vector<SWatchSample> &samples, std::size_t first)
{
    std::optional<SRange> range;
    for (std::size_t i = first; i < samples.size(); ++i) {
        if (!samples[i].value)
            continue;
        const double value = *samples[i].value;
        if (!range)
            range = SRange{value, value};
        range->low = std::min(range->low, value);
        range->high = std::max(range->high, value);
    }
    if (!range)
        return range;
    const double spread = range->high - range->low;
    const double flat = range->high != 0 ? std::abs(range->high) * FLAT_MARGIN : 1.0;
    const double margin = spread > 0 ? spread * RANGE_MARGIN : flat;
    return SRange{range->low - margin, range->high + margin};
}

QString withUnit(const QString &number, const QString &unit)
{
    return unit.isEmpty() ? number : number + u' ' + unit;
}

} // namespace

// What one paint shows: the readings in view, the plot area and the value axis.
struct WatchPlot::SView
{
    std::size_t first = 0;
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    std::optional<SRange> range;
    std::vector<double> valueTicks;
    double valueStep = 1;
    int labelWidth = 0;
    QRectF area;
};

WatchPlot::WatchPlot(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A dock squeezed by the window would otherwise take the plot down to a few lines.
    setMinimumHeight(minimumSizeHint().height());
}

void WatchPlot::setLog(const CWatchLog *log)
{
    m_log = log;
    update();
}

void WatchPlot::setUnit(const QString &unit)
{
    m_unit = unit;
    update();
}

void WatchPlot::setSpanSeconds(int seconds)
{
    m_spanSeconds = std::clamp(seconds, MIN_SPAN_SECONDS, MAX_SPAN_SECONDS);
    update();
}

QColor WatchPlot::lineColor()
{
    return LINE_COLOR;
}

QSize WatchPlot::minimumSizeHint() const
{
    return {200, 120};
}

QSize WatchPlot::sizeHint() const
{
    return {400, 240};
}

void WatchPlot::paintEvent(QPaintEvent *)
{
    static const std::vector<SWatchSample> noSamples;
    const std::vector<SWatchSample> &samples = m_log ? m_log->Samples() : noSamples;

    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const SView view = viewOf(samples, paintLatestValue(painter));
    if (view.area.isEmpty())
        return;
    painter.fillRect(view.area, palette().base());
    paintTimeAxis(painter, view);
    if (view.range) {
        paintValueAxis(painter, view);
        paintTrace(painter, samples, view);
    } else {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(view.area, Qt::AlignCenter | Qt::TextWordWrap,
                         samples.empty() ? tr("No samples yet: press Start to plot the value.")
                                         : tr("No value to plot in this time span."));
    }
    QColor frameColor = palette().color(QPalette::WindowText);
    frameColor.setAlpha(GRID_ALPHA);
    painter.setPen(frameColor);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(view.area);
}

// Draws the latest value, greyed while the latest reading has none, and answers where the
// plot below it may begin.
int WatchPlot::paintLatestValue(QPainter &painter) const
{
    QFont valueFont = font();
    valueFont.setPointSizeF(valueFont.pointSizeF() * VALUE_FONT_FACTOR);
    valueFont.setBold(true);
    const QFontMetrics metrics(valueFont);
    const std::optional<double> last = m_log ? m_log->Last() : std::nullopt;
    if (last) {
        const bool current = m_log->Samples().back().value.has_value();
        painter.setFont(valueFont);
        painter.setPen(palette().color(current ? QPalette::WindowText : QPalette::PlaceholderText));
        painter.drawText(QRect(MARGIN, MARGIN, width() - 2 * MARGIN, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         withUnit(WatchNumber::Short(*last), m_unit));
        painter.setFont(font());
    }
    return MARGIN + metrics.height() + MARGIN;
}

WatchPlot::SView WatchPlot::viewOf(const std::vector<SWatchSample> &samples, int top) const
{
    SView view;
    view.endMs = samples.empty() ? 0 : samples.back().timeMs;
    view.startMs = view.endMs - m_spanSeconds * MS_PER_SECOND;
    const auto visible = std::lower_bound(
        samples.begin(), samples.end(), view.startMs,
        [](const SWatchSample &sample, std::int64_t timeMs) { return sample.timeMs < timeMs; });
    view.first = std::size_t(visible - samples.begin());
    view.range = valueRange(samples, view.first);

    const QFontMetrics metrics = fontMetrics();
    const int bottom = height() - MARGIN - metrics.height() - LABEL_GAP;
    // The widest value label decides where the plot begins.
    if (view.range && bottom > top) {
        const double wanted = std::max(1, (bottom - top) / MIN_VALUE_TICK_SPACING);
        view.valueStep = PlotTicks::NiceStep((view.range->high - view.range->low) / wanted);
        view.valueTicks = PlotTicks::Multiples(view.range->low, view.range->high, view.valueStep);
        for (const double tick : view.valueTicks) {
            const QString label = PlotTicks::Label(tick, view.valueStep);
            view.labelWidth = std::max(view.labelWidth, metrics.horizontalAdvance(label));
        }
    }
    const int left = MARGIN + view.labelWidth + LABEL_GAP;
    const int right = width() - MARGIN - metrics.horizontalAdvance(tr("%1 s").arg(0)) / 2;
    if (right > left && bottom > top)
        view.area = QRectF(left, top, right - left, bottom - top);
    return view;
}

// Ticks count back in seconds from the latest reading at the right edge.
void WatchPlot::paintTimeAxis(QPainter &painter, const SView &view) const
{
    const QFontMetrics metrics = fontMetrics();
    QColor gridColor = palette().color(QPalette::WindowText);
    gridColor.setAlpha(GRID_ALPHA);
    const double span = m_spanSeconds;
    const double step = PlotTicks::NiceStep(span * MIN_TIME_TICK_SPACING / view.area.width());
    const int baseline = int(view.area.bottom()) + LABEL_GAP + metrics.ascent();
    for (const double tick : PlotTicks::Multiples(-span, 0, step)) {
        const double x = view.area.right() + tick / span * view.area.width();
        painter.setPen(gridColor);
        painter.drawLine(QPointF(x, view.area.top()), QPointF(x, view.area.bottom()));
        const QString label = tr("%1 s").arg(PlotTicks::Label(tick, step));
        const int labelWidth = metrics.horizontalAdvance(label);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(std::clamp(int(x) - labelWidth / 2, 0, width() - labelWidth), baseline,
                         label);
    }
}

void WatchPlot::paintValueAxis(QPainter &painter, const SView &view) const
{
    const QFontMetrics metrics = fontMetrics();
    QColor gridColor = palette().color(QPalette::WindowText);
    gridColor.setAlpha(GRID_ALPHA);
    const double yScale = view.area.height() / (view.range->high - view.range->low);
    for (const double tick : view.valueTicks) {
        const double y = view.area.bottom() - (tick - view.range->low) * yScale;
        painter.setPen(gridColor);
        painter.drawLine(QPointF(view.area.left(), y), QPointF(view.area.right(), y));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(
            QRectF(MARGIN, y - metrics.height() / 2.0, view.labelWidth, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, PlotTicks::Label(tick, view.valueStep));
    }
}

void WatchPlot::paintTrace(QPainter &painter, const std::vector<SWatchSample> &samples,
                           const SView &view)
{
    m_trace.Build(samples, view.first, samples.size(), view.area, view.startMs, view.endMs,
                  view.range->low, view.range->high);
    painter.save();
    painter.setClipRect(view.area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(LINE_COLOR, LINE_WIDTH));
    painter.setBrush(LINE_COLOR);
    const std::vector<QPointF> &points = m_trace.Points();
    const bool markAll = !m_trace.Thinned() && points.size() < MARKER_LIMIT;
    for (const CPlotTrace::SRun &run : m_trace.Runs()) {
        if (run.count > 1)
            painter.drawPolyline(points.data() + run.begin, int(run.count));
        // A lone reading between gaps has no line, so it always gets its marker.
        if (markAll || run.count == 1) {
            for (std::size_t i = run.begin; i < run.begin + run.count; ++i)
                painter.drawEllipse(points[i], MARKER_RADIUS, MARKER_RADIUS);
        }
    }
    painter.restore();
}
