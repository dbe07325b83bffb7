// SPDX-License-Identifier: MIT
#include "ScriptedHid.h"

#include "DriverLimits.h"
#include "FuzzCheck.h"
#include "HidDeviceList.h"
#include "SessionFormat.h"

#include <algorithm>
#include <hidapi.h>
#include <utility>

struct hid_device_
{
    // Opened before the adapter was unplugged: every read and write fails from then on.
    bool dead = false;
    std::wstring lastError;
};

namespace {

// Which odd characters the text of a refused open carries.
constexpr unsigned char OPEN_ERROR_PIECES = 0x15;

bool Matches(const SListedInterface &entry, std::uint16_t vendorId, std::uint16_t productId)
{
    return (vendorId == 0 || entry.vendorId == vendorId) &&
           (productId == 0 || entry.productId == productId);
}

} // namespace

CScriptedHid &CScriptedHid::Instance()
{
    static CScriptedHid instance;
    return instance;
}

void CScriptedHid::Reset(CSessionInput *input, bool silentErrors)
{
    FuzzCheck(m_handles.empty(), "a device handle outlived its session");
    *this = CScriptedHid();
    m_input = input;
    m_script.Reset(input, silentErrors);
}

void CScriptedHid::List(SListedInterface entry)
{
    m_interfaces.push_back(std::move(entry));
}

void CScriptedHid::SetOpenRefused(bool refused)
{
    m_openRefused = refused;
}

std::vector<SListedInterface> CScriptedHid::GetListing() const
{
    std::vector<SListedInterface> listing;
    for (const SListedInterface &entry : m_interfaces) {
        if (m_plugged || !entry.adapter)
            listing.push_back(entry);
    }
    return listing;
}

void CScriptedHid::Unplug()
{
    m_plugged = false;
    for (hid_device_ *handle : m_handles)
        handle->dead = true;
    m_queue.clear();
}

void CScriptedHid::Replug()
{
    m_plugged = true;
}

void CScriptedHid::ArmWriteFault(bool error, int written)
{
    m_writeFaultIsError = error;
    m_writeFault = written;
}

void CScriptedHid::QueueStale(std::size_t count, unsigned char status)
{
    if (m_handles.empty() || !m_plugged)
        return;
    for (std::size_t i = 0; i < count; ++i) {
        // Leftovers of both kinds of transaction, as an aborted one leaves them.
        const unsigned char id = i % 2 == 0 ? 0x02 : 0x03;
        m_queue.push_back(
            m_script.WholeReply(id, status, static_cast<unsigned char>(status & 0x07)));
    }
}

void CScriptedHid::BeginCall(unsigned char awaitedId, std::size_t replyBound, bool observed)
{
    m_log.clear();
    m_observed = observed;
    m_awaitedId = awaitedId;
    m_replyBound = replyBound;
    m_script.BeginCall(awaitedId);
    m_flushReads = 0;
    m_drainReads = 0;
    m_draining = false;
    m_waitingReads = 0;
    m_discardRun = 0;
}

std::vector<SHidCall> CScriptedHid::EndCall()
{
    m_script.BeginCall(0);
    m_awaitedId = 0;
    m_replyBound = 0;
    return std::exchange(m_log, {});
}

bool CScriptedHid::IsScriptExhausted() const
{
    return m_script.IsUsedUp() || m_sessionReads > SESSION_READ_BUDGET;
}

std::size_t CScriptedHid::GetQueuedReports() const
{
    return m_queue.size();
}

bool CScriptedHid::IsOpenHandleDead() const
{
    return std::any_of(m_handles.begin(), m_handles.end(),
                       [](const hid_device_ *handle) { return handle->dead; });
}

int CScriptedHid::GetOpenHandleCount() const
{
    return static_cast<int>(m_handles.size());
}

bool CScriptedHid::IsInitialised() const
{
    return m_initialised;
}

int CScriptedHid::Init()
{
    m_initialised = true;
    return 0;
}

int CScriptedHid::Exit()
{
    FuzzCheck(m_handles.empty(), "hid_exit while a device is still open");
    m_initialised = false;
    return 0;
}

hid_device_info *CScriptedHid::Enumerate(std::uint16_t vendorId, std::uint16_t productId)
{
    Record(SHidCall{EHidCall::Enumerate, {}, {}, 0, {}});
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const SListedInterface &entry : GetListing()) {
        if (!Matches(entry, vendorId, productId))
            continue;
        auto *info = new hid_device_info{};
        info->path = entry.path.empty() ? nullptr : HidDeviceList::CopyPath(entry.path);
        info->vendor_id = entry.vendorId;
        info->product_id = entry.productId;
        info->serial_number = HidDeviceList::CopyText(entry.serial);
        info->release_number = entry.releaseNumber;
        info->manufacturer_string = HidDeviceList::CopyText(std::wstring(L"Scripted"));
        info->product_string = HidDeviceList::CopyText(entry.product);
        info->usage_page = 0xFF00;
        info->usage = 1;
        info->interface_number = entry.interfaceNumber;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

hid_device_ *CScriptedHid::Open(const char *path)
{
    FuzzCheck(m_initialised, "hid_open_path before hid_init");
    SHidCall call{EHidCall::Open, path, {}, 0, {}};
    const std::vector<SListedInterface> listing = GetListing();
    const bool listed = std::any_of(listing.begin(), listing.end(),
                                    [&](const SListedInterface &e) { return e.path == path; });
    if (!listed || m_openRefused) {
        const SDelivery failure = m_script.Failure(
            listed ? L"scripted: open refused" : L"scripted: no such device", OPEN_ERROR_PIECES);
        m_openError = failure.errorText;
        call.errorUtf8 = failure.errorUtf8;
        Record(std::move(call));
        return nullptr;
    }
    auto *handle = new hid_device_{};
    m_handles.push_back(handle);
    // A freshly opened hidraw node holds no input yet.
    m_queue.clear();
    call.result = 1;
    Record(std::move(call));
    return handle;
}

void CScriptedHid::Close(hid_device_ *device)
{
    RequireOpen(device, "hid_close");
    m_handles.erase(std::find(m_handles.begin(), m_handles.end(), device));
    delete device;
    Record(SHidCall{EHidCall::Close, {}, {}, 0, {}});
}

int CScriptedHid::Write(hid_device_ *device, const unsigned char *data, std::size_t length)
{
    RequireOpen(device, "hid_write");
    SHidCall call{EHidCall::Write, {}, std::vector<unsigned char>(data, data + length), 0, {}};
    SDelivery failure;
    if (device->dead) {
        failure = m_script.Failure(L"scripted: write to an unplugged device", 0);
    } else if (m_writeFault && m_writeFaultIsError) {
        failure =
            m_script.Failure(L"scripted: write failed", static_cast<unsigned char>(*m_writeFault));
    } else if (m_writeFault) {
        call.result = std::min(*m_writeFault, static_cast<int>(length));
    } else {
        call.result = static_cast<int>(length);
    }
    m_writeFault.reset();
    if (failure.failed) {
        call.result = -1;
        call.errorUtf8 = failure.errorUtf8;
        device->lastError = failure.errorText;
    }
    const int result = call.result;
    Record(std::move(call));
    return result;
}

int CScriptedHid::Read(hid_device_ *device, unsigned char *data, std::size_t length, int timeoutMs)
{
    RequireOpen(device, "hid_read_timeout");
    FuzzCheck(timeoutMs >= 0, "the driver waits for input without a time-out");
    FuzzCheckLazy(timeoutMs <= REPLY_TIMEOUT_MS, [&] {
        return "the driver waits " + std::to_string(timeoutMs) + " ms for one report";
    });
    const bool awaited = timeoutMs > 0;
    CheckReadBounds(awaited);
    ++m_sessionReads;

    SDelivery delivery;
    if (device->dead) {
        delivery = m_script.Failure(L"scripted: read from an unplugged device", 0);
    } else if (!m_queue.empty()) {
        delivery.bytes = std::move(m_queue.front());
        m_queue.pop_front();
    } else if (awaited && m_sessionReads <= SESSION_READ_BUDGET) {
        bool unplugged = false;
        delivery = m_script.Next(m_queue, unplugged);
        if (unplugged)
            Unplug();
    }
    // An Unplug reply kills this very handle too.
    if (device->dead && !delivery.failed)
        delivery = m_script.Failure(L"scripted: read from an unplugged device", 0);

    SHidCall call{awaited ? EHidCall::AwaitedRead : EHidCall::FlushRead, {}, {}, 0, {}};
    if (delivery.failed) {
        call.result = -1;
        call.errorUtf8 = delivery.errorUtf8;
        device->lastError = delivery.errorText;
    } else {
        const std::size_t size = std::min(length, delivery.bytes.size());
        std::copy_n(delivery.bytes.begin(), size, data);
        call.bytes.assign(delivery.bytes.begin(), delivery.bytes.begin() + size);
        call.result = static_cast<int>(size);
    }
    if (awaited && !m_draining && call.result != 0) {
        // An empty wait that the driver takes up again (between two polls of a transfer
        // observer) is part of the same wait; anything else delivered ends or extends it.
        const bool discarded =
            call.result > 0 && (call.bytes.size() <= 2 || call.bytes[0] != m_awaitedId);
        m_discardRun = discarded ? m_discardRun + 1 : 0;
    }
    const int result = call.result;
    Record(std::move(call));
    return result;
}

const wchar_t *CScriptedHid::Error(hid_device_ *device)
{
    if (device == nullptr)
        return m_openError.c_str();
    RequireOpen(device, "hid_error");
    // Some library versions give no text at all rather than an empty one.
    return device->lastError.empty() ? nullptr : device->lastError.c_str();
}

void CScriptedHid::RequireOpen(hid_device_ *device, const char *function) const
{
    FuzzCheckLazy(m_initialised,
                  [&] { return std::string(function) + " while the library is not initialised"; });
    FuzzCheckLazy(std::find(m_handles.begin(), m_handles.end(), device) != m_handles.end(),
                  [&] { return std::string(function) + " on a handle that is not open"; });
}

void CScriptedHid::CheckReadBounds(bool awaited)
{
    if (!awaited) {
        ++m_flushReads;
        FuzzCheck(m_flushReads <= MAX_FLUSHED_REPORTS,
                  "emptying the input queue reads more reports in one call than the driver's "
                  "flush bound");
        return;
    }
    if (m_draining) {
        ++m_drainReads;
        FuzzCheck(m_drainReads <= MAX_FLUSHED_REPORTS,
                  "reading away a cancelled transfer's input takes more reports than the "
                  "driver's flush bound");
        return;
    }
    // Without an observer the first wait that times out ends the call; with one, each is
    // followed by a poll, which ends the transfer once the script is used up. Taking up a
    // wait again without that poll would spin on an idle device.
    const bool idleBefore =
        !m_log.empty() && m_log.back().call == EHidCall::AwaitedRead && m_log.back().result == 0;
    FuzzCheck(!idleBefore, "the driver waits again on an idle device without asking its "
                           "observer whether to stop");
    FuzzCheckLazy(m_discardRun < MAX_READS_PER_WAIT, [] {
        return "one wait for a reply reads more than " + std::to_string(MAX_READS_PER_WAIT) +
               " reports";
    });
    ++m_waitingReads;
    // Every empty wait that an observed transfer takes up again costs a byte of the script.
    std::size_t bound = m_replyBound * MAX_READS_PER_WAIT;
    if (m_observed)
        bound += (m_input != nullptr ? m_input->GetSize() : 0) + 2;
    FuzzCheckLazy(m_waitingReads <= bound, [&] {
        return "a call that may wait for " + std::to_string(m_replyBound) + " replies made " +
               std::to_string(m_waitingReads) + " waiting reads";
    });
}

void CScriptedHid::Record(SHidCall call)
{
    // A new request starts a new wait. No reply is awaited after an enable report: what
    // is read then (a cancelled transfer's leftovers) is read away, not waited for.
    if (call.call == EHidCall::Write) {
        m_discardRun = 0;
        m_draining = !call.bytes.empty() && call.bytes[0] == 0x01;
    }
    m_log.push_back(std::move(call));
}
