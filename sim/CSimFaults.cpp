// SPDX-License-Identifier: MIT
#include "CSimFaults.h"

#include "SimTypes.h"

namespace {

constexpr std::uint8_t STATUS_ERROR_BITS = 0xC0;
constexpr std::uint8_t OVERSIZED_COUNT = 63;

} // namespace

void CSimFaults::AddStrayReport(std::vector<unsigned char> report)
{
    m_strayReports.push_back(std::move(report));
}

void CSimFaults::ForceStatus(std::uint8_t status, std::uint8_t errorCode)
{
    m_forcedStatus = std::make_pair(status, errorCode);
}

void CSimFaults::ShortenWrites(std::size_t acceptedBytes, int count)
{
    m_shortWriteBytes = acceptedBytes;
    m_shortWriteCount = count > 0 ? count : 0;
}

std::optional<std::size_t> CSimFaults::TakeShortWrite(std::size_t length)
{
    if (m_shortWriteCount == 0 || m_shortWriteBytes >= length)
        return std::nullopt;
    --m_shortWriteCount;
    return m_shortWriteBytes;
}

CSimFaults::SOutcome CSimFaults::Apply(std::vector<SSimReply> replies)
{
    SOutcome outcome;
    for (SSimReply &reply : replies) {
        if (m_dropCount > 0) {
            --m_dropCount;
            continue;
        }
        for (std::vector<unsigned char> &stray : m_strayReports)
            outcome.reports.push_back({std::move(stray), reply.busBits});
        m_strayReports.clear();
        std::vector<unsigned char> &report = reply.report;
        if (m_announceOversized && report[0] == SIM_REPORT_READ &&
            (report[1] & STATUS_ERROR_BITS) == 0) {
            report[1] =
                static_cast<unsigned char>((report[1] & STATUS_ERROR_BITS) | OVERSIZED_COUNT);
            m_announceOversized = false;
        }
        if (m_forcedStatus) {
            report[1] = m_forcedStatus->first;
            if (report[0] == SIM_REPORT_WRITE)
                report[2] = m_forcedStatus->second;
            m_forcedStatus.reset();
            // The adapter gives up a transaction that failed on the bus: no more replies.
            if ((report[1] & STATUS_ERROR_BITS) != 0) {
                outcome.reports.push_back(std::move(reply));
                outcome.transactionFailed = true;
                return outcome;
            }
        }
        outcome.reports.push_back(std::move(reply));
    }
    return outcome;
}
