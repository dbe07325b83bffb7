// SPDX-License-Identifier: MIT
#pragma once

#include "CBusClock.h"
#include "CBusContext.h"

#include <functional>

class CTransactionControl;
class CVtlI2c;

// A procedure's context on a connected driver, on the calling thread: the bus session's
// worker runs procedures in one, and so can a test. Every transaction it runs is handed
// to `onRecord` (when set) as soon as it has ended.
class CDirectBusContext : public CBusContext
{
public:
    // `control` (may be null) carries the cancel request and hears the progress; `clock`
    // (may be null: the steady clock) is what Sleep and Now use.
    CDirectBusContext(CVtlI2c &driver, SBusAdapterInfo adapter,
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

    CVtlI2c &m_driver;
    SBusAdapterInfo m_adapter;
    const CTransactionControl *m_control;
    CBusClock m_steadyClock;
    CBusClock *m_clock;
    std::function<void(const STransactionRecord &)> m_onRecord;
};
