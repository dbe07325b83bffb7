// SPDX-License-Identifier: MIT
#pragma once

#include "CSimAdapter.h"
#include "CSimBus.h"
#include "CSimSlave.h"
#include "ReportLines.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

// A 64-byte report from hex text ("02 C1 A0"), the rest zeros.
inline std::vector<unsigned char> Report(const char *hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    std::vector<unsigned char> report(bytes.begin(), bytes.end());
    report.resize(64, 0);
    return report;
}

inline QStringList Expected(const std::vector<const char *> &hexReports)
{
    std::vector<std::vector<unsigned char>> reports;
    for (const char *hex : hexReports)
        reports.push_back(Report(hex));
    return ReportLines(reports);
}

inline std::vector<unsigned char> Sequence(std::size_t count, unsigned char first = 0)
{
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(first + i);
    return bytes;
}

// A slave that takes every byte (or refuses the byte at one position of the transfer)
// and answers reads with a counter, so the test sees exactly what reached the bus.
class CRecordingSlave : public CSimSlave
{
public:
    std::vector<unsigned char> received;
    int refuseAt = -1;
    int starts = 0;
    int stops = 0;
    unsigned char nextRead = 0;

    bool OnStart(bool) override
    {
        ++starts;
        return true;
    }
    bool OnWrite(std::uint8_t byte) override
    {
        if (static_cast<int>(received.size()) == refuseAt)
            return false;
        received.push_back(byte);
        return true;
    }
    std::uint8_t OnRead() override { return nextRead++; }
    void OnStop() override { ++stops; }
};
