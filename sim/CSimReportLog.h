#pragma once

#include <cstddef>
#include <vector>

// One report as the host wrote it, byte for byte, and the interface it went to.
struct SSimLoggedReport
{
    int interfaceNumber = -1;
    std::vector<unsigned char> bytes;
};

// Every report the host wrote to one adapter, in order.
class CSimReportLog
{
public:
    void Append(int interfaceNumber, const unsigned char *data, std::size_t length);
    std::vector<SSimLoggedReport> GetAll() const { return m_reports; }
    std::vector<std::vector<unsigned char>> GetFor(int interfaceNumber) const;
    void Clear() { m_reports.clear(); }

private:
    std::vector<SSimLoggedReport> m_reports;
};
