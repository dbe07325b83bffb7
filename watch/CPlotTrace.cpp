// SPDX-License-Identifier: MIT
#include "CPlotTrace.h"

#include <cmath>

void CPlotTrace::Build(const std::vector<SWatchSample> &samples, std::size_t first, std::size_t end,
                       const QRectF &area, std::int64_t startMs, std::int64_t endMs, double low,
                       double high)
{
    m_points.clear();
    m_runs.clear();
    m_runBegin = 0;
    const double xScale = endMs > startMs ? area.width() / double(endMs - startMs) : 0;
    const double yScale = high > low ? area.height() / (high - low) : 0;
    const auto xOf = [&](std::int64_t timeMs) {
        return area.left() + double(timeMs - startMs) * xScale;
    };
    const auto yOf = [&](double value) {
        return area.bottom() - (value - low) * yScale;
    };

    m_thinned = double(end - first) > area.width();
    if (!m_thinned) {
        for (std::size_t i = first; i < end; ++i) {
            const SWatchSample &sample = samples[i];
            if (sample.value)
                Push(xOf(sample.timeMs), yOf(*sample.value));
            else
                EndRun();
        }
        EndRun();
        return;
    }

    SColumn column;
    for (std::size_t i = first; i < end; ++i) {
        const SWatchSample &sample = samples[i];
        if (!sample.value) {
            FlushColumn(column);
            EndRun();
            continue;
        }
        const int x = int(std::floor(xOf(sample.timeMs)));
        const double y = yOf(*sample.value);
        if (column.open && x != column.x)
            FlushColumn(column);
        if (!column.open) {
            column = {x, true, y, y, y, y, i, i};
            continue;
        }
        if (y < column.top) {
            column.top = y;
            column.topAt = i;
        }
        if (y > column.bottom) {
            column.bottom = y;
            column.bottomAt = i;
        }
        column.last = y;
    }
    FlushColumn(column);
    EndRun();
}

void CPlotTrace::Push(double x, double y)
{
    if (m_points.size() > m_runBegin) {
        const QPointF &previous = m_points.back();
        if (previous.x() == x && previous.y() == y)
            return;
    }
    m_points.emplace_back(x, y);
}

void CPlotTrace::EndRun()
{
    if (m_points.size() > m_runBegin)
        m_runs.push_back({m_runBegin, m_points.size() - m_runBegin});
    m_runBegin = m_points.size();
}

void CPlotTrace::FlushColumn(SColumn &column)
{
    if (!column.open)
        return;
    const double x = column.x + 0.5;
    Push(x, column.first);
    if (column.topAt < column.bottomAt) {
        Push(x, column.top);
        Push(x, column.bottom);
    } else {
        Push(x, column.bottom);
        Push(x, column.top);
    }
    Push(x, column.last);
    column.open = false;
}
