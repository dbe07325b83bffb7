// SPDX-License-Identifier: MIT
#include "CSimAdapter.h"

#include "CSimBus.h"
#include "CSimHandle.h"
#include "SimLock.h"

#include <algorithm>
#include <climits>

namespace {

constexpr std::uint16_t USAGE_PAGE_VENDOR = 0xFF00;
constexpr std::uint16_t USAGE_SPECIAL_MODE = 0x0001;
constexpr std::uint16_t USAGE_IO = 0x0002;
constexpr std::uint16_t USAGE_OTHER = 0x0003;

// hidraw numbers are handed out afresh on every plug-in, as the kernel does.
unsigned s_nextPathNumber = 0;

std::string NextPath()
{
    return "sim:hidraw" + std::to_string(s_nextPathNumber++);
}

} // namespace

CSimAdapter::CSimAdapter(const SSimAdapterConfig &config)
    : m_config(config)
    , m_firmware(config.model)
{}

std::vector<int> CSimAdapter::GetInterfaceNumbers() const
{
    if (m_config.model == ESimModel::B)
        return {0, 1};
    return {0, 1, 2};
}

std::string CSimAdapter::GetPath(int interfaceNumber) const
{
    const std::lock_guard lock(SimMutex());
    for (const SListedInterface &listed : m_listed) {
        if (listed.number == interfaceNumber)
            return listed.path;
    }
    return {};
}

bool CSimAdapter::IsPlugged() const
{
    const std::lock_guard lock(SimMutex());
    return m_plugged;
}

void CSimAdapter::Unplug()
{
    const std::lock_guard lock(SimMutex());
    UnplugLocked();
}

void CSimAdapter::Plug()
{
    const std::lock_guard lock(SimMutex());
    if (m_attached && !m_plugged)
        PlugLocked();
}

void CSimAdapter::Detach()
{
    CSimBus::Instance().Detach(shared_from_this());
}

void CSimAdapter::RemoveSlave(std::uint8_t address)
{
    const std::lock_guard lock(SimMutex());
    m_firmware.RemoveSlave(address);
}

std::shared_ptr<CSimSlave> CSimAdapter::GetSlave(std::uint8_t address) const
{
    const std::lock_guard lock(SimMutex());
    return m_firmware.GetSlave(address);
}

bool CSimAdapter::IsI2cEnabled() const
{
    const std::lock_guard lock(SimMutex());
    return m_firmware.IsEnabled();
}

std::uint8_t CSimAdapter::GetSpeedCode() const
{
    const std::lock_guard lock(SimMutex());
    return m_firmware.GetSpeedCode();
}

bool CSimAdapter::GetPullUpsEnabled() const
{
    const std::lock_guard lock(SimMutex());
    return m_firmware.GetPullUpsEnabled();
}

bool CSimAdapter::IsTransactionOpen() const
{
    const std::lock_guard lock(SimMutex());
    return m_firmware.IsTransactionOpen();
}

void CSimAdapter::SetReadChunkSize(std::size_t bytes)
{
    const std::lock_guard lock(SimMutex());
    m_firmware.SetReadChunkSize(bytes);
}

void CSimAdapter::SetFramePeriod(std::chrono::nanoseconds period)
{
    const std::lock_guard lock(SimMutex());
    m_frameClock.SetFramePeriod(period, NowLocked());
}

void CSimAdapter::SetBusTiming(bool enabled)
{
    const std::lock_guard lock(SimMutex());
    m_busClock.SetEnabled(enabled);
    m_busClock.Release(NowLocked());
}

void CSimAdapter::SetClock(std::function<Clock::time_point()> now)
{
    const std::lock_guard lock(SimMutex());
    m_clock = std::move(now);
    const Clock::time_point start = NowLocked();
    m_frameClock.SetFramePeriod(m_frameClock.GetFramePeriod(), start);
    m_busClock.Release(start);
}

void CSimAdapter::DropReplies(int count)
{
    const std::lock_guard lock(SimMutex());
    m_faults.DropReplies(count);
}

void CSimAdapter::InjectStrayReport(std::vector<unsigned char> report)
{
    const std::lock_guard lock(SimMutex());
    m_faults.AddStrayReport(std::move(report));
}

void CSimAdapter::ForceNextStatus(std::uint8_t status, std::uint8_t errorCode)
{
    const std::lock_guard lock(SimMutex());
    m_faults.ForceStatus(status, errorCode);
}

void CSimAdapter::AnnounceOversizedRead()
{
    const std::lock_guard lock(SimMutex());
    m_faults.AnnounceOversizedRead();
}

void CSimAdapter::ShortenNextWrite(std::size_t acceptedBytes, int count)
{
    const std::lock_guard lock(SimMutex());
    m_faults.ShortenWrites(acceptedBytes, count);
}

void CSimAdapter::SetOpenDenied(bool denied)
{
    const std::lock_guard lock(SimMutex());
    m_faults.SetOpenDenied(denied);
}

void CSimAdapter::PushInputReport(std::vector<unsigned char> report)
{
    const std::lock_guard lock(SimMutex());
    DeliverLocked(report, NowLocked());
}

void CSimAdapter::ClearFaults()
{
    const std::lock_guard lock(SimMutex());
    m_faults.Clear();
}

std::vector<std::vector<unsigned char>> CSimAdapter::GetReports(int interfaceNumber) const
{
    const std::lock_guard lock(SimMutex());
    return m_log.GetFor(interfaceNumber);
}

std::vector<std::vector<unsigned char>> CSimAdapter::GetSpecialReports() const
{
    return GetReports(GetSpecialInterface());
}

std::vector<SSimLoggedReport> CSimAdapter::GetLog() const
{
    const std::lock_guard lock(SimMutex());
    return m_log.GetAll();
}

void CSimAdapter::ClearReports()
{
    const std::lock_guard lock(SimMutex());
    m_log.Clear();
}

int CSimAdapter::GetOpenHandleCount() const
{
    const std::lock_guard lock(SimMutex());
    return static_cast<int>(m_handles.size());
}

void CSimAdapter::AddSlaveObject(std::uint8_t address, std::shared_ptr<CSimSlave> slave)
{
    const std::lock_guard lock(SimMutex());
    if (slave)
        m_firmware.AddSlave(static_cast<std::uint8_t>(address & 0x7F), std::move(slave));
}

void CSimAdapter::PlugLocked()
{
    m_listed.clear();
    const int special = GetSpecialInterface();
    for (const int number : GetInterfaceNumbers()) {
        if (number == special && m_config.omitSpecialInterface)
            continue;
        const std::uint16_t usage = number == special ? USAGE_SPECIAL_MODE
                                    : number == 0     ? USAGE_IO
                                                      : USAGE_OTHER;
        m_listed.push_back({number, NextPath(), USAGE_PAGE_VENDOR, usage});
        if (number == special && m_config.listSpecialInterfaceTwice)
            m_listed.push_back({number, NextPath(), USAGE_PAGE_VENDOR, usage});
    }
    m_firmware.PowerUp();
    m_plugged = true;
}

void CSimAdapter::UnplugLocked()
{
    AbandonLocked(NowLocked());
    for (CSimHandle *handle : m_handles)
        handle->MarkRemoved();
    m_handles.clear();
    m_listed.clear();
    m_plugged = false;
    SimReportQueued().notify_all();
}

void CSimAdapter::AddHandleLocked(CSimHandle *handle)
{
    m_handles.push_back(handle);
}

void CSimAdapter::RemoveHandleLocked(CSimHandle *handle)
{
    m_handles.erase(std::remove(m_handles.begin(), m_handles.end(), handle), m_handles.end());
}

int CSimAdapter::HandleWrite(CSimHandle &handle, const unsigned char *data, std::size_t length)
{
    if (const std::optional<std::size_t> accepted = m_faults.TakeShortWrite(length)) {
        // The system call succeeded, so hidraw's error text is the one of success.
        handle.SetError(L"Success");
        return static_cast<int>(*accepted);
    }
    const int interfaceNumber = handle.GetInterfaceNumber();
    m_log.Append(interfaceNumber, data, length);
    if (interfaceNumber == GetSpecialInterface())
        HandleSpecialReport(data, length);
    return static_cast<int>(std::min<std::size_t>(length, INT_MAX));
}

void CSimAdapter::HandleSpecialReport(const unsigned char *data, std::size_t length)
{
    // The firmware sees one report: longer writes are cut, shorter ones end in zeros.
    std::vector<unsigned char> report(data, data + std::min(length, SIM_REPORT_SIZE));
    report.resize(SIM_REPORT_SIZE, 0);
    const Clock::time_point now = NowLocked();
    CSimFirmware::SResponse response = m_firmware.HandleReport(report);
    if (response.reconfigured)
        AbandonLocked(now);
    const CSimFaults::SOutcome outcome = m_faults.Apply(std::move(response.replies));
    std::uint64_t busBits = response.busBits;
    if (outcome.transactionFailed) {
        m_firmware.AbortTransaction();
        busBits = outcome.reports.back().busBits;
    }
    const std::uint8_t speedCode = m_firmware.GetSpeedCode();
    const Clock::time_point start = m_busClock.StartOf(now);
    for (const SSimReply &reply : outcome.reports) {
        const Clock::time_point done = m_busClock.After(start, reply.busBits, speedCode);
        DeliverLocked(reply.report, m_frameClock.NextSlot(done));
    }
    m_busClock.HoldUntil(m_busClock.After(start, busBits, speedCode));
}

void CSimAdapter::DeliverLocked(const std::vector<unsigned char> &report, Clock::time_point readyAt)
{
    const int special = GetSpecialInterface();
    for (CSimHandle *handle : m_handles) {
        if (handle->GetInterfaceNumber() == special)
            handle->Queue(report, readyAt);
    }
    SimReportQueued().notify_all();
}

void CSimAdapter::AbandonLocked(Clock::time_point now)
{
    const int special = GetSpecialInterface();
    for (CSimHandle *handle : m_handles) {
        if (handle->GetInterfaceNumber() == special)
            handle->DiscardDueAfter(now);
    }
    m_frameClock.Release(now);
    m_busClock.Release(now);
}
