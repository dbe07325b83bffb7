// SPDX-License-Identifier: MIT
#include "CDirectBusContext.h"

#include "CTransactionControl.h"
#include "CTransactionExecutor.h"

#include <utility>

CDirectBusContext::CDirectBusContext(CVtlI2c &driver, SBusAdapterInfo adapter,
                                     const CTransactionControl *control, CBusClock *clock)
    : m_driver(driver)
    , m_adapter(std::move(adapter))
    , m_control(control)
    , m_clock(clock != nullptr ? clock : &m_steadyClock)
{}

void CDirectBusContext::SetRecordHandler(std::function<void(const STransactionRecord &)> onRecord)
{
    m_onRecord = std::move(onRecord);
}

STransactionRecord CDirectBusContext::Execute(const STransactionRequest &request)
{
    // The transaction's own byte progress would fight the procedure's: only the cancel
    // request is passed on.
    const CTransactionControl cancelOnly({}, m_control);
    return Run(request, cancelOnly);
}

STransactionRecord CDirectBusContext::ExecuteCounted(const STransactionRequest &request,
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
    return Run(request, counted);
}

STransactionRecord CDirectBusContext::Run(const STransactionRequest &request,
                                          const CTransactionControl &control)
{
    STransactionRecord record = CTransactionExecutor::Execute(m_driver, request, &control);
    if (m_onRecord)
        m_onRecord(record);
    return record;
}

bool CDirectBusContext::IsCancelRequested() const
{
    return m_control != nullptr && m_control->IsCancelRequested();
}

void CDirectBusContext::ReportProgress(std::uint64_t done, std::uint64_t total)
{
    if (m_control != nullptr)
        m_control->ReportProgress(done, total);
}

bool CDirectBusContext::Sleep(std::chrono::microseconds duration)
{
    return m_clock->Sleep(duration, [this] { return IsCancelRequested(); });
}

CBusContext::Clock::time_point CDirectBusContext::Now() const
{
    return m_clock->Now();
}
