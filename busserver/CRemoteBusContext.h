// SPDX-License-Identifier: MIT
#pragma once

#include "CBusClock.h"
#include "CBusContext.h"

#include <functional>

class CRemoteBus;
class CTransactionControl;
struct SRemoteEvents;

// A procedure's context on a bus server's adapter: it runs here, on the calling thread,
// while the server holds its bus lock for it, and each transaction goes to the server.
class CRemoteBusContext : public CBusContext
{
public:
    CRemoteBusContext(CRemoteBus &bus, SRemoteEvents &events, SBusAdapterInfo adapter,
                      const CTransactionControl *control = nullptr, CBusClock *clock = nullptr);

    void SetRecordHandler(std::function<void(const STransactionRecord &)> onRecord);

    STransactionRecord Execute(const STransactionRequest &request) override;
    STransactionRecord ExecuteCounted(const STransactionRequest &request, std::uint64_t base,
                                      std::uint64_t total) override;
    bool IsCancelRequested() const override;
    void ReportProgress(std::uint64_t done, std::uint64_t total) override;
    bool Sleep(std::chrono::microseconds duration) override;
    Clock::time_point Now() const override;
    const SBusAdapterInfo &Adapter() const override { return m_adapter; }

private:
    STransactionRecord Run(const STransactionRequest &request, const CTransactionControl &control);

    CRemoteBus &m_bus;
    SRemoteEvents &m_events;
    SBusAdapterInfo m_adapter;
    const CTransactionControl *m_control;
    CBusClock m_steadyClock;
    CBusClock *m_clock;
    std::function<void(const STransactionRecord &)> m_onRecord;
};
