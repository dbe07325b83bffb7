// SPDX-License-Identifier: MIT
#include "CTransactionExecutor.h"

#include "CTransactionControl.h"
#include "CVtlI2c.h"
#include "CVtlTransferObserver.h"
#include "FailureText.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

// Hands the driver's per-report progress on, shifted by what earlier parts of the
// transaction already did, and passes the caller's cancel request to the driver.
class CControlObserver : public CVtlTransferObserver
{
public:
    // A total of 0 passes the cancel request on but no progress: a search counts its
    // probes itself.
    CControlObserver(const CTransactionControl &control, std::uint64_t total)
        : m_control(control)
        , m_total(total)
    {}

    void SetOffset(std::uint64_t offset) { m_offset = offset; }

    void OnProgress(std::size_t done, std::size_t) override
    {
        if (m_total > 0)
            m_control.ReportProgress(m_offset + done, m_total);
    }
    bool IsCancelRequested() const override { return m_control.IsCancelRequested(); }

private:
    const CTransactionControl &m_control;
    std::uint64_t m_total;
    std::uint64_t m_offset = 0;
};

// Installs an observer on the driver for as long as it lives.
class CObserverScope
{
public:
    CObserverScope(CVtlI2c &driver, CVtlTransferObserver *observer)
        : m_driver(driver)
    {
        m_driver.SetTransferObserver(observer);
    }
    ~CObserverScope() { m_driver.SetTransferObserver(nullptr); }
    CObserverScope(const CObserverScope &) = delete;
    CObserverScope &operator=(const CObserverScope &) = delete;

private:
    CVtlI2c &m_driver;
};

bool IsCancelled(const CTransactionControl *control)
{
    return control != nullptr && control->IsCancelRequested();
}

void RunWrite(CVtlI2c &driver, STransactionRecord &record)
{
    const STransactionRequest &request = record.request;
    record.ok = driver.Write(request.WireBytes(), record.write, request.start, request.stop);
}

void RunRead(CVtlI2c &driver, STransactionRecord &record)
{
    const STransactionRequest &request = record.request;
    record.ok = driver.Read(request.address, request.count, record.read);
}

void RunWriteRead(CVtlI2c &driver, STransactionRecord &record, CControlObserver *observer)
{
    const STransactionRequest &request = record.request;
    // The driver refuses such a read before it touches the bus; asked first, it keeps the
    // write part from opening a transaction that no read would close.
    if ((request.address & 0x80) != 0 || request.count == 0 ||
        request.count > driver.GetMaxReadCount()) {
        record.readPartReached = true;
        record.ok = driver.Read(request.address, request.count, record.read);
        return;
    }
    const std::vector<unsigned char> bytes = request.WireBytes();
    if (!driver.Write(bytes, record.write, true, false))
        return;
    if (observer != nullptr)
        observer->SetOffset(bytes.size());
    record.readPartReached = true;
    record.ok = driver.Read(request.address, request.count, record.read);
}

void RunSearch(CVtlI2c &driver, STransactionRecord &record, const CTransactionControl *control)
{
    const STransactionRequest &request = record.request;
    const std::uint64_t total = request.ProgressTotal();
    for (unsigned address = request.firstAddress; address <= request.lastAddress; ++address) {
        if (IsCancelled(control)) {
            record.cancelled = true;
            record.failure = EFailureKind::Cancelled;
            record.lastError = FailureText::Text(record.failure);
            return;
        }
        const bool answered = driver.Probe(static_cast<std::uint8_t>(address));
        if (answered)
            record.found.push_back(static_cast<std::uint8_t>(address));
        ++record.probesDone;
        if (control != nullptr)
            control->ReportProgress(record.probesDone, total);
        // A silent slave is answered for by the adapter; no reply at all means the adapter
        // is gone or hung, and every further address would wait out its time-out as well.
        if (!answered && driver.GetLastErrorKind() == EFailureKind::Timeout) {
            char where[8];
            std::snprintf(where, sizeof where, "0x%02X", address);
            record.failure = EFailureKind::Timeout;
            record.lastError = std::string("The adapter stopped answering (") +
                               FailureText::Text(record.failure) + ") at address " + where +
                               "; the search stopped there";
            return;
        }
    }
    // A silent address is a failed probe, not a failed search.
    record.ok = true;
}

std::int64_t WallClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

STransactionRecord CTransactionExecutor::Execute(CVtlI2c &driver,
                                                 const STransactionRequest &request,
                                                 const CTransactionControl *control)
{
    STransactionRecord record;
    record.request = request;
    record.startedMs = WallClockMs();
    const auto started = std::chrono::steady_clock::now();

    std::optional<CControlObserver> observer;
    if (control != nullptr) {
        const bool search = request.kind == ETransactionKind::Search;
        observer.emplace(*control, search ? 0 : request.ProgressTotal());
    }
    const CObserverScope scope(driver, observer ? &*observer : nullptr);
    if (request.kind == ETransactionKind::Search) {
        // A cancel also cuts short the wait of the probe under way.
        RunSearch(driver, record, control);
    } else {
        switch (request.kind) {
        case ETransactionKind::Write:
            RunWrite(driver, record);
            break;
        case ETransactionKind::Read:
            RunRead(driver, record);
            break;
        case ETransactionKind::WriteRead:
            RunWriteRead(driver, record, observer ? &*observer : nullptr);
            break;
        case ETransactionKind::Search:
            break;
        }
        if (!record.ok) {
            record.lastError = driver.GetLastError();
            record.failure = driver.GetLastErrorKind();
            record.cancelled = IsCancelled(control) && record.failure == EFailureKind::Cancelled;
        }
    }

    record.durationUs = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
    return record;
}
