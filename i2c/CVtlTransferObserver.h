// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// Watches a driver transfer that runs on another thread. The driver tells it how far a
// write or read has come after every report, and asks it before the next report whether
// the transfer is to stop; a stopped transfer fails as cancelled.
class CVtlTransferObserver
{
public:
    virtual ~CVtlTransferObserver() = default;

    // Bytes acknowledged (write) or received (read) so far, of the transfer's total.
    virtual void OnProgress(std::size_t done, std::size_t total) = 0;
    // Asked between two reports; true ends the transfer there.
    virtual bool IsCancelRequested() const = 0;
};
