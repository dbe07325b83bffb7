// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"

#include <vector>

// A procedure context that passes everything on to another one, for a test to override
// what it watches or changes (the transactions, their timing).
class CForwardingBusContext : public CBusContext
{
public:
    explicit CForwardingBusContext(CBusContext &inner)
        : m_inner(inner)
    {}

    STransactionRecord Execute(const STransactionRequest &request) override
    {
        return m_inner.Execute(request);
    }
    bool IsCancelRequested() const override { return m_inner.IsCancelRequested(); }
    void ReportProgress(std::uint64_t done, std::uint64_t total) override
    {
        m_inner.ReportProgress(done, total);
    }
    bool Sleep(std::chrono::microseconds duration) override { return m_inner.Sleep(duration); }
    Clock::time_point Now() const override { return m_inner.Now(); }
    const SBusAdapterInfo &Adapter() const override { return m_inner.Adapter(); }

private:
    CBusContext &m_inner;
};

// Passes every transaction on and keeps the requests, to see what a procedure sends.
class CRecordingContext : public CForwardingBusContext
{
public:
    using CForwardingBusContext::CForwardingBusContext;

    STransactionRecord Execute(const STransactionRequest &request) override
    {
        requests.push_back(request);
        return CForwardingBusContext::Execute(request);
    }

    std::vector<STransactionRequest> requests;
};
