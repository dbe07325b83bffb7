// SPDX-License-Identifier: MIT
#include "CRemoteBusContext.h"

#include "CRemoteBus.h"
#include "CTransactionControl.h"
#include "FailureText.h"

#include <utility>

CRemoteBusContext::CRemoteBusContext(CRemoteBus &bus, SRemoteEvents &events,
                                     SBusAdapterInfo adapter, const CTransactionControl *control,
                                     CBusClock *clock)
    : m_bus(bus)
    , m_events(events)
    , m_adapter(std::move(adapter))
    , m_control(control)
    , m_clock(clock != nullptr ? clock : &m_steadyClock)
{}

void CRemoteBusContext::SetRecordHandler(std::function<void(const STransactionRecord &)> onRecord)
{
    m_onRecord = std::move(onRecord);
}

STransactionRecord CRemoteBusContext::Execute(const STransactionRequest &request)
{
    const CTransactionControl cancelOnly({}, m_control);
    return Run(request, cancelOnly);
}

STransactionRecord CRemoteBusContext::ExecuteCounted(const STransactionRequest &request,
                                                     std::uint64_t base, std::uint64_t total)
{
    // As on a direct adapter: only the bytes read count towards the procedure's progress.
    const std::uint64_t writePart = request.ProgressTotal() - request.count;
    const CTransactionControl counted(
        [this, base, total, writePart](std::uint64_t done, std::uint64_t) {
            if (done > writePart)
                ReportProgress(base + (done - writePart), total);
        },
        m_control);
    return Run(request, counted);
}

STransactionRecord CRemoteBusContext::Run(const STransactionRequest &request,
                                          const CTransactionControl &control)
{
    STransactionRecord record;
    if (control.IsCancelRequested()) {
        // Nothing goes to the server once the procedure is asked to stop.
        record.request = request;
        record.cancelled = true;
        record.failure = EFailureKind::Cancelled;
        record.lastError = FailureText::Text(EFailureKind::Cancelled);
    } else {
        record = m_bus.Transact(request, &control, m_events);
    }
    if (m_onRecord)
        m_onRecord(record);
    return record;
}

bool CRemoteBusContext::IsCancelRequested() const
{
    return m_control != nullptr && m_control->IsCancelRequested();
}

void CRemoteBusContext::ReportProgress(std::uint64_t done, std::uint64_t total)
{
    if (m_control != nullptr)
        m_control->ReportProgress(done, total);
}

bool CRemoteBusContext::Sleep(std::chrono::microseconds duration)
{
    return m_clock->Sleep(duration, [this] { return IsCancelRequested(); });
}

CBusContext::Clock::time_point CRemoteBusContext::Now() const
{
    return m_clock->Now();
}
