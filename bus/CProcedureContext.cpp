// SPDX-License-Identifier: MIT
#include "CProcedureContext.h"

#include "CTransactionControl.h"

#include <utility>

CProcedureContext::CProcedureContext(SBusAdapterInfo adapter, const CTransactionControl *control,
                                     CBusClock *clock)
    : m_adapter(std::move(adapter))
    , m_control(control)
    , m_clock(clock != nullptr ? clock : &m_steadyClock)
{}

void CProcedureContext::SetRecordHandler(std::function<void(const STransactionRecord &)> onRecord)
{
    m_onRecord = std::move(onRecord);
}

STransactionRecord CProcedureContext::Execute(const STransactionRequest &request)
{
    // The transaction's own byte progress would fight the procedure's: only the cancel
    // request is passed on.
    const CTransactionControl cancelOnly({}, m_control);
    return run(request, cancelOnly);
}

STransactionRecord CProcedureContext::ExecuteCounted(const STransactionRequest &request,
                                                     std::uint64_t base, std::uint64_t total)
{
    // The transaction counts its write part first; only the bytes read are the procedure's.
    const std::uint64_t writePart = request.ProgressTotal() - request.count;
    const CTransactionControl counted(
        [this, base, total, writePart](std::uint64_t done, std::uint64_t) {
            if (done > writePart)
                ReportProgress(base + (done - writePart), total);
        },
        m_control);
    return run(request, counted);
}

STransactionRecord CProcedureContext::run(const STransactionRequest &request,
                                          const CTransactionControl &control)
{
    STransactionRecord record = Transact(request, control);
    if (m_onRecord)
        m_onRecord(record);
    return record;
}

bool CProcedureContext::IsCancelRequested() const
{
    return m_control != nullptr && m_control->IsCancelRequested();
}

void CProcedureContext::ReportProgress(std::uint64_t done, std::uint64_t total)
{
    if (m_control != nullptr)
        m_control->ReportProgress(done, total);
}

bool CProcedureContext::Sleep(std::chrono::microseconds duration)
{
    return m_clock->Sleep(duration, [this] { return IsCancelRequested(); });
}

CBusContext::Clock::time_point CProcedureContext::Now() const
{
    return m_clock->Now();
}
