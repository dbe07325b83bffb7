// SPDX-License-Identifier: MIT
#pragma once

#include "SimReply.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The faults armed on one adapter, and how they change what the adapter sends back.
class CSimFaults
{
public:
    void DropReplies(int count) { m_dropCount += count > 0 ? count : 0; }
    void AddStrayReport(std::vector<unsigned char> report);
    void ForceStatus(std::uint8_t status, std::uint8_t errorCode);
    void AnnounceOversizedRead() { m_announceOversized = true; }
    void ShortenWrites(std::size_t acceptedBytes, int count);
    void SetOpenDenied(bool denied) { m_openDenied = denied; }
    void Clear() { *this = CSimFaults(); }

    bool IsOpenDenied() const { return m_openDenied; }
    // The number of bytes the next write of `length` bytes gets through, if it is cut.
    std::optional<std::size_t> TakeShortWrite(std::size_t length);

    struct SOutcome
    {
        std::vector<SSimReply> reports; // a stray report shares the bus bits of its reply
        bool transactionFailed = false; // a forced error status ended the transaction
    };
    // Applies the armed faults to the replies of one request.
    SOutcome Apply(std::vector<SSimReply> replies);

private:
    int m_dropCount = 0;
    std::vector<std::vector<unsigned char>> m_strayReports;
    std::optional<std::pair<std::uint8_t, std::uint8_t>> m_forcedStatus;
    bool m_announceOversized = false;
    std::size_t m_shortWriteBytes = 0;
    int m_shortWriteCount = 0;
    bool m_openDenied = false;
};
