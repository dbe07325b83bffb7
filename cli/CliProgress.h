// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <cstdio>

// The progress line of long transfers on stderr: on a terminal one line rewritten in place,
// otherwise (when asked for) one line per report. Nothing appears for a job that ends
// within the first tenth of a second, and reports come at most ten times a second.
class CCliProgress
{
public:
    using Clock = std::chrono::steady_clock;

    CCliProgress() = default;
    // `enabled`: whether to print at all; `terminal`: whether stderr is a terminal.
    CCliProgress(bool enabled, bool terminal);
    ~CCliProgress();

    void SetMode(bool enabled, bool terminal)
    {
        m_enabled = enabled;
        m_terminal = terminal;
    }
    // Where the line goes: stderr unless a test looks at it.
    void SetStream(std::FILE *stream) { m_stream = stream; }

    CCliProgress(const CCliProgress &) = delete;
    CCliProgress &operator=(const CCliProgress &) = delete;

    // A new job of `total` units, named in the line ("read 0x50", "bytes").
    void Begin(const QString &label, std::uint64_t total, const QString &unit);
    // Progress of the transaction under way: its units start at `base` within the job, and
    // its first `skip` units (the address and offset bytes a memory read writes first) are
    // not counted.
    void SetBase(std::uint64_t base, std::uint64_t skip = 0)
    {
        m_base = base;
        m_skip = skip;
    }
    void Report(std::uint64_t done);
    // Erases the line on a terminal.
    void End();

    // The text of one report, for example "read 0x50: 1240 of 65535 bytes (1 %)".
    static QString Line(const QString &label, std::uint64_t done, std::uint64_t total,
                        const QString &unit);

private:
    bool m_enabled = false;
    bool m_terminal = false;
    bool m_shown = false;
    std::FILE *m_stream = stderr;
    QString m_label;
    QString m_unit;
    std::uint64_t m_total = 0;
    std::uint64_t m_base = 0;
    std::uint64_t m_skip = 0;
    Clock::time_point m_started;
    Clock::time_point m_lastShown;
};
