// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

// One report as the host wrote it, byte for byte, and the interface it went to.
struct SSimLoggedReport
{
    int interfaceNumber = -1;
    std::vector<unsigned char> bytes;
};

// Every report the host wrote to one adapter, in order. Only the latest MAX_REPORTS are
// kept, so a long demo session or benchmark does not grow without bound.
class CSimReportLog
{
public:
    static constexpr std::size_t MAX_REPORTS = 65536;

    void Append(int interfaceNumber, const unsigned char *data, std::size_t length);
    std::vector<SSimLoggedReport> GetAll() const { return {m_reports.begin(), m_reports.end()}; }
    std::vector<std::vector<unsigned char>> GetFor(int interfaceNumber) const;
    void Clear() { m_reports.clear(); }

private:
    std::deque<SSimLoggedReport> m_reports;
};
