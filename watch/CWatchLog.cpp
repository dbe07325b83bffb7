// SPDX-License-Identifier: MIT
#include "CWatchLog.h"

#include "WatchNumber.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

void CWatchLog::Append(SWatchSample sample)
{
    Tally(sample);
    m_samples.push_back(std::move(sample));
}

void CWatchLog::Clear()
{
    m_samples.clear();
    m_failed = 0;
    m_values = 0;
}

void CWatchLog::Redecode(const SValueDecoding &decoding)
{
    m_failed = 0;
    m_values = 0;
    for (SWatchSample &sample : m_samples) {
        sample.value = sample.Failed() ? std::nullopt : decoding.Decode(sample.bytes);
        Tally(sample);
    }
}

void CWatchLog::Tally(const SWatchSample &sample)
{
    if (sample.Failed())
        ++m_failed;
    if (!sample.value)
        return;
    const double value = *sample.value;
    m_min = m_values == 0 ? value : std::min(m_min, value);
    m_max = m_values == 0 ? value : std::max(m_max, value);
    m_last = value;
    ++m_values;
}

std::optional<double> CWatchLog::Min() const
{
    return m_values == 0 ? std::nullopt : std::optional<double>(m_min);
}

std::optional<double> CWatchLog::Max() const
{
    return m_values == 0 ? std::nullopt : std::optional<double>(m_max);
}

std::optional<double> CWatchLog::Last() const
{
    return m_values == 0 ? std::nullopt : std::optional<double>(m_last);
}

std::optional<double> CWatchLog::MeanTimePerSampleMs() const
{
    if (m_samples.size() < 2)
        return std::nullopt;
    const double span = double(m_samples.back().timeMs - m_samples.front().timeMs);
    return span / double(m_samples.size() - 1);
}

QString CWatchLog::SummaryText(const QString &unit) const
{
    const int count = int(m_samples.size());
    const QString failed = QString::number(m_failed);
    // Its own text for one, so that English reads right without a translation file.
    QString text = count == 1 ? tr("1 sample, %1 failed").arg(failed)
                              : tr("%n samples, %1 failed", nullptr, count).arg(failed);
    if (m_values == 0)
        return text;
    const auto withUnit = [&unit](double value) {
        return unit.isEmpty() ? WatchNumber::Short(value) : WatchNumber::Short(value) + u' ' + unit;
    };
    return tr("%1, min %2, max %3, last %4")
        .arg(text, withUnit(m_min), withUnit(m_max), withUnit(m_last));
}
