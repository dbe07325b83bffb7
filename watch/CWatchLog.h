// SPDX-License-Identifier: MIT
#pragma once

#include "SValueDecoding.h"
#include "SWatchSample.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

// The readings of one watch run, in the order they were taken, with running figures over
// them and their text forms (a one-line summary and CSV).
class CWatchLog
{
    Q_DECLARE_TR_FUNCTIONS(CWatchLog)

public:
    void Append(SWatchSample sample);
    void Clear();
    // Decodes every successful reading again, for a decoding changed after the run.
    void Redecode(const SValueDecoding &decoding);

    const std::vector<SWatchSample> &Samples() const { return m_samples; }
    std::size_t Count() const { return m_samples.size(); }
    std::size_t FailedCount() const { return m_failed; }
    // Over the decoded values only; none while there is none.
    std::optional<double> Min() const;
    std::optional<double> Max() const;
    std::optional<double> Last() const;
    // (last time - first time) / (count - 1), from two readings on.
    std::optional<double> MeanTimePerSampleMs() const;

    // "120 samples, 0 failed, min 331.7 lx, max 340.2 lx, last 333.3 lx", the numbers as
    // WatchNumber::Short writes them and without " lx" when `unit` is empty; only
    // "3 samples, 3 failed" while no reading has a value.
    QString SummaryText(const QString &unit) const;

    // RFC 4180 text in UTF-8: the header "time,bytes,value,unit,error" and one record per
    // reading (ISO 8601 local time with milliseconds and offset, the bytes as blank-separated
    // upper-case hex pairs, the value as WatchNumber::Exact writes it or empty, `unit`, the
    // error text or empty), every line ended by CR LF; a field is quoted only when it holds
    // a comma, a quote, CR or LF.
    QByteArray CsvText(const QString &unit) const;
    // Replaces the file at `path` with CsvText atomically: on failure the old file is left
    // as it was and GetLastError tells why.
    bool SaveCsv(const QString &path, const QString &unit) const;
    QString GetLastError() const { return m_lastError; }

private:
    void Tally(const SWatchSample &sample);

    std::vector<SWatchSample> m_samples;
    std::size_t m_failed = 0;
    std::size_t m_values = 0;
    double m_min = 0;
    double m_max = 0;
    double m_last = 0;
    mutable QString m_lastError;
};
