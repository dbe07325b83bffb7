// SPDX-License-Identifier: MIT
#pragma once

#include "CPlotTrace.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

class CWatchLog;
class QPainter;

// The decoded values of a watch log over time: the last `spanSeconds` seconds up to the
// latest reading, labelled in seconds before it ("-30 s" ... "0 s"), the value axis fitted
// to the values in view, a line with a gap at every reading without a value, and the
// latest value large above the plot. It reads the log when it paints; call update() after
// the log changed.
class WatchPlot : public QWidget
{
    Q_OBJECT

public:
    explicit WatchPlot(QWidget *parent = nullptr);

    // Not owned; it must outlive the plot or be replaced first. Null shows an empty plot.
    void setLog(const CWatchLog *log);
    void setUnit(const QString &unit);
    // 1 to 86,400 seconds; 60 at first.
    void setSpanSeconds(int seconds);
    int spanSeconds() const { return m_spanSeconds; }

    static QColor lineColor();

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct SView;

    int paintLatestValue(QPainter &painter) const;
    SView viewOf(const std::vector<SWatchSample> &samples, int top) const;
    void paintTimeAxis(QPainter &painter, const SView &view) const;
    void paintValueAxis(QPainter &painter, const SView &view) const;
    void paintTrace(QPainter &painter, const std::vector<SWatchSample> &samples, const SView &view);

    const CWatchLog *m_log = nullptr;
    QString m_unit;
    int m_spanSeconds = 60;
    CPlotTrace m_trace;
};
