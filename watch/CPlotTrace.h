// SPDX-License-Identifier: MIT
#pragma once

#include "SWatchSample.h"

#include <QPointF>
#include <QRectF>

#include <cstddef>
#include <cstdint>
#include <vector>

// The screen points of a stretch of readings, split into runs at every reading without a
// value, so the plot draws one polyline per run and leaves a gap where a reading failed.
// With more readings than pixel columns, each column keeps only its first, lowest, highest
// and last point, in the order they were read: the line looks the same and a one-reading
// spike still shows. The buffers are kept between builds, so a repaint allocates nothing.
class CPlotTrace
{
public:
    struct SRun
    {
        std::size_t begin = 0;
        std::size_t count = 0;
    };

    // `area` spans the times `startMs` to `endMs` from left to right and the values `low`
    // to `high` from bottom to top; samples[first, end) are assumed in time order.
    void Build(const std::vector<SWatchSample> &samples, std::size_t first, std::size_t end,
               const QRectF &area, std::int64_t startMs, std::int64_t endMs, double low,
               double high);

    const std::vector<QPointF> &Points() const { return m_points; }
    const std::vector<SRun> &Runs() const { return m_runs; }
    // Whether columns were thinned out, so the points are no longer one per reading.
    bool Thinned() const { return m_thinned; }

private:
    // Screen coordinates of the points in one pixel column; `topAt` and `bottomAt` tell
    // which of the two extremes came first.
    struct SColumn
    {
        int x = 0;
        bool open = false;
        double first = 0;
        double top = 0;
        double bottom = 0;
        double last = 0;
        std::size_t topAt = 0;
        std::size_t bottomAt = 0;
    };

    void Push(double x, double y);
    void EndRun();
    void FlushColumn(SColumn &column);

    std::vector<QPointF> m_points;
    std::vector<SRun> m_runs;
    std::size_t m_runBegin = 0;
    bool m_thinned = false;
};
