// SPDX-License-Identifier: MIT
#include "CliProgress.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr auto FIRST_DELAY = std::chrono::milliseconds(100);
constexpr auto INTERVAL = std::chrono::milliseconds(100);
constexpr int PERCENT = 100;

} // namespace

CCliProgress::CCliProgress(bool enabled, bool terminal)
    : m_enabled(enabled)
    , m_terminal(terminal)
{}

CCliProgress::~CCliProgress()
{
    End();
}

void CCliProgress::Begin(const QString &label, std::uint64_t total, const QString &unit)
{
    End();
    m_label = label;
    m_unit = unit;
    m_total = total;
    m_base = 0;
    m_skip = 0;
    m_started = Clock::now();
}

void CCliProgress::Report(std::uint64_t done)
{
    if (!m_enabled)
        return;
    const Clock::time_point now = Clock::now();
    if (now - m_started < FIRST_DELAY || (m_shown && now - m_lastShown < INTERVAL))
        return;
    m_lastShown = now;
    m_shown = true;
    const std::uint64_t counted = done > m_skip ? done - m_skip : 0;
    const QByteArray line = Line(m_label, m_base + counted, m_total, m_unit).toUtf8();
    // On a terminal the line is redrawn in place and the rest of a longer one erased.
    std::fprintf(m_stream, m_terminal ? "\r%s\033[K" : "%s\n", line.constData());
    std::fflush(m_stream);
}

void CCliProgress::End()
{
    // The line is erased: what follows (the result, or the message of a failure that names
    // where it stopped) starts on a clean line, and nothing stale stays on the terminal.
    if (m_shown && m_terminal) {
        std::fputs("\r\033[K", m_stream);
        std::fflush(m_stream);
    }
    m_shown = false;
}

QString CCliProgress::Line(const QString &label, std::uint64_t done, std::uint64_t total,
                           const QString &unit)
{
    const std::uint64_t percent = total > 0 ? done * PERCENT / total : 0;
    return u"%1: %2 of %3 %4 (%5 %)"_s.arg(label).arg(done).arg(total).arg(unit).arg(percent);
}
