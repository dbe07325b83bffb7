// SPDX-License-Identifier: MIT
#pragma once

#include "CBusClock.h"
#include "CBusContext.h"

#include <functional>

class CTransactionControl;

// What a procedure's context holds however its transactions reach the adapter (the
// session's own driver, or another program's bus server): the caller's cancel request and
// progress, the clock it waits by, and a handler that hears each record. Subclasses say
// only how one transaction runs.
class CProcedureContext : public CBusContext
{
public:
    void SetRecordHandler(std::function<void(const STransactionRecord &)> onRecord);

    STransactionRecord Execute(const STransactionRequest &request) override;
    STransactionRecord ExecuteCounted(const STransactionRequest &request, std::uint64_t base,
                                      std::uint64_t total) override;
    bool IsCancelRequested() const override;
    void ReportProgress(std::uint64_t done, std::uint64_t total) override;
    bool Sleep(std::chrono::microseconds duration) override;
    Clock::time_point Now() const override;
    const SBusAdapterInfo &Adapter() const override { return m_adapter; }

protected:
    // `control` (may be null) carries the cancel request and hears the progress; `clock`
    // (may be null: the steady clock) is what Sleep and Now use.
    CProcedureContext(SBusAdapterInfo adapter, const CTransactionControl *control,
                      CBusClock *clock);

    // Runs one transaction; `control` carries the cancel request and the transaction's own
    // progress.
    virtual STransactionRecord Transact(const STransactionRequest &request,
                                        const CTransactionControl &control) = 0;

private:
    STransactionRecord run(const STransactionRequest &request, const CTransactionControl &control);

    SBusAdapterInfo m_adapter;
    const CTransactionControl *m_control;
    CBusClock m_steadyClock;
    CBusClock *m_clock;
    std::function<void(const STransactionRecord &)> m_onRecord;
};
