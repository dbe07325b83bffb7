// SPDX-License-Identifier: MIT
#include "CSimReportLog.h"

void CSimReportLog::Append(int interfaceNumber, const unsigned char *data, std::size_t length)
{
    if (m_reports.size() == MAX_REPORTS)
        m_reports.pop_front();
    m_reports.push_back({interfaceNumber, std::vector<unsigned char>(data, data + length)});
}

std::vector<std::vector<unsigned char>> CSimReportLog::GetFor(int interfaceNumber) const
{
    std::vector<std::vector<unsigned char>> reports;
    for (const SSimLoggedReport &report : m_reports) {
        if (report.interfaceNumber == interfaceNumber)
            reports.push_back(report.bytes);
    }
    return reports;
}
