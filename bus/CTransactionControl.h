// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

// What the caller of a transaction holds while it runs, possibly on another thread: a
// cancel request that the transaction honours at its next report or probe, and a
// callback that hears how far it has come (bytes, or probes for a search).
class CTransactionControl
{
public:
    using ProgressCallback = std::function<void(std::uint64_t done, std::uint64_t total)>;

    // A control with a `parent` also honours the parent's cancel request: a transaction of
    // a longer procedure stops when the procedure is cancelled.
    explicit CTransactionControl(ProgressCallback progress = {},
                                 const CTransactionControl *parent = nullptr);

    void RequestCancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool IsCancelRequested() const
    {
        return m_cancel.load(std::memory_order_relaxed) ||
               (m_parent != nullptr && m_parent->IsCancelRequested());
    }
    // Called before a transaction is reused for the next request.
    void Reset() { m_cancel.store(false, std::memory_order_relaxed); }

    void ReportProgress(std::uint64_t done, std::uint64_t total) const;

private:
    std::atomic<bool> m_cancel{false};
    ProgressCallback m_progress;
    const CTransactionControl *m_parent;
};
