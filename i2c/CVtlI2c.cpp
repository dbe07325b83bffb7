// SPDX-License-Identifier: MIT
#include "CVtlI2c.h"

#include "FailureText.h"
#include "VtlUsbIds.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>

namespace {

constexpr std::size_t REPORT_SIZE = 64;
constexpr std::size_t MAX_CHUNK = 62;
constexpr int REPLY_TIMEOUT_MS = 1000;
// An observed transfer waits for a reply in slices this long, so that a cancel is
// noticed even while an adapter that stopped answering is awaited.
constexpr int CANCEL_POLL_MS = 20;
// After a cancel, input that the adapter had already under way arrives within a few
// frames; the drain stops at the first wait this long that brings nothing.
constexpr int DRAIN_TIMEOUT_MS = 10;

constexpr unsigned char REPORT_ENABLE = 0x01;
constexpr unsigned char REPORT_WRITE = 0x02;
constexpr unsigned char REPORT_READ = 0x03;

constexpr unsigned char WRITE_FLAG_START = 0x80;
constexpr unsigned char WRITE_FLAG_STOP = 0x40;

constexpr unsigned char STATUS_ERROR = 0x80;
constexpr unsigned char STATUS_ARBITRATION_LOST = 0x40;
constexpr unsigned char STATUS_COUNT_MASK = 0x3F;
constexpr unsigned char STATUS_COUNT_OVERFLOW = 63;

// A misbehaving device that never stops sending foreign reports must not hold the
// caller forever: after this many discards the wait gives up like a lost reply.
constexpr int MAX_DISCARDED_REPORTS = 1000;
// Same bound for emptying the input queue, which a streaming device could keep full.
constexpr int MAX_FLUSHED_REPORTS = 4096;

bool SerialLess(const std::wstring &a, const std::wstring &b)
{
    // Code units compared as unsigned numbers, whatever the signedness of wchar_t.
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
            return static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(y);
        });
}

} // namespace

CVtlI2c::CVtlI2c(std::uint16_t productId, int interfaceNumber)
    : m_productId(productId)
    , m_interfaceNumber(interfaceNumber)
{}

CVtlI2c::~CVtlI2c()
{
    Disconnect();
}

bool CVtlI2c::Connect(const std::wstring &serial, EI2cSpeed speed)
{
    Disconnect();
    if (!IsSpeedSupported(speed)) {
        SetLastError(EFailureKind::NotSupported, "Speed not supported by this device");
        return false;
    }

    std::vector<SHidDeviceInfo> devices;
    CSimpleHidClass::EnumerateDevices(devices, VTL_USB_VENDOR_ID, m_productId);
    const SHidDeviceInfo *match = nullptr;
    for (const SHidDeviceInfo &device : devices) {
        if (device.serialNumber == serial && device.interfaceNumber == m_interfaceNumber)
            match = &device;
    }
    if (match == nullptr) {
        SetLastError(EFailureKind::AdapterGone, "Device not found");
        return false;
    }
    if (!m_hid.OpenPath(match->path)) {
        SetLastError(m_hid.GetLastErrorKind(), m_hid.GetLastError());
        return false;
    }

    m_serialNumber = serial;
    m_firmware = match->releaseNumber;
    m_productName = match->productString.empty() ? GetTypeName() : match->productString;

    if (SetSpeed(speed))
        return true;

    std::string error = m_lastError;
    const EFailureKind kind = m_lastErrorKind;
    Disconnect();
    SetLastError(kind, std::move(error));
    return false;
}

void CVtlI2c::Disconnect()
{
    if (m_hid.IsOpen()) {
        SendEnable(false, 0);
        m_hid.Close();
    }
    m_serialNumber.clear();
    m_productName.clear();
    m_firmware = 0;
    m_speed = EI2cSpeed::Speed100k;
}

bool CVtlI2c::IsConnected() const
{
    return m_hid.IsOpen();
}

bool CVtlI2c::IsPresent() const
{
    if (!m_hid.IsOpen())
        return false;
    std::vector<std::wstring> serials;
    EnumerateInterface(m_productId, m_interfaceNumber, serials);
    return std::find(serials.begin(), serials.end(), m_serialNumber) != serials.end();
}

bool CVtlI2c::SetSpeed(EI2cSpeed speed)
{
    if (!IsSpeedSupported(speed)) {
        SetLastError(EFailureKind::NotSupported, "Speed not supported by this device");
        return false;
    }
    if (!ApplyConfiguration(speed))
        return false;
    m_speed = speed;
    return true;
}

EI2cSpeed CVtlI2c::GetSpeed() const
{
    return m_speed;
}

bool CVtlI2c::HasPullUpSwitch() const
{
    return false;
}

bool CVtlI2c::SetPullUpsEnabled(bool enabled)
{
    if (enabled)
        return true;
    SetLastError(EFailureKind::NotSupported, "Pull-ups can not be switched on this device");
    return false;
}

bool CVtlI2c::GetPullUpsEnabled() const
{
    return true;
}

bool CVtlI2c::CanWriteAddressOnly() const
{
    return true;
}

std::size_t CVtlI2c::GetMaxWriteCount() const
{
    // A write goes out in as many reports as it needs, and no model counts them.
    return std::numeric_limits<std::size_t>::max();
}

bool CVtlI2c::ApplyConfiguration(EI2cSpeed speed)
{
    return SendEnable(true, GetEnableFlags(speed));
}

bool CVtlI2c::Write(const std::vector<unsigned char> &data, SI2cWriteResult &result,
                    bool generateStart, bool generateStop)
{
    result = SI2cWriteResult{};
    if (data.empty()) {
        SetLastError(EFailureKind::InvalidArgument, "No data to write");
        return false;
    }
    m_transferCancelled = false;
    FlushInput();

    for (std::size_t offset = 0; offset < data.size(); offset += MAX_CHUNK) {
        if (IsCancelRequested())
            return CancelTransfer(offset > 0);
        const std::size_t length = std::min(MAX_CHUNK, data.size() - offset);
        const bool first = offset == 0;
        const bool last = offset + length == data.size();

        m_request.assign(REPORT_SIZE, 0);
        m_request[0] = REPORT_WRITE;
        m_request[1] = static_cast<unsigned char>(length);
        if (first && generateStart)
            m_request[1] |= WRITE_FLAG_START;
        if (last && generateStop)
            m_request[1] |= WRITE_FLAG_STOP;
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), length,
                    m_request.begin() + 2);

        if (!SendReport(m_request))
            return false;
        if (!ReceiveReport(REPORT_WRITE, m_reply))
            return m_transferCancelled ? CancelTransfer(true) : false;
        result.status = m_reply[1];
        result.errorCode = m_reply[2];
        if ((result.status & STATUS_ARBITRATION_LOST) != 0) {
            SetLastError(EFailureKind::ArbitrationLost);
            return false;
        }
        if ((result.status & STATUS_ERROR) != 0) {
            const FailureText::SWriteError error = FailureText::WriteError(result.errorCode);
            // The reply does not say which byte went unacknowledged. In the report that
            // carries the address byte it is taken for the address, since nobody answering
            // is far more common than a slave refusing its first data byte; in any later
            // report the address was acknowledged already.
            const bool addressSent = first && generateStart;
            const EFailureKind kind = error.kind == EFailureKind::AddressNack && !addressSent
                                          ? EFailureKind::DataNack
                                          : error.kind;
            SetLastError(kind, error.text);
            return false;
        }
        ReportProgress(offset + length, data.size());
    }
    return true;
}

bool CVtlI2c::Read(unsigned char address, unsigned long long count, SI2cReadResult &result)
{
    result.status = 0;
    std::vector<unsigned char>().swap(result.data);
    if ((address & 0x80) != 0) {
        SetLastError(EFailureKind::InvalidArgument, "Invalid address");
        return false;
    }
    const std::size_t maxCount = GetMaxReadCount();
    if (count == 0 || count > maxCount) {
        // A count this model cannot read is its limit, as an i2c-dev adapter's quirks are.
        SetLastError(count == 0 ? EFailureKind::InvalidArgument : EFailureKind::NotSupported,
                     "Invalid read count, this device reads 1.." + std::to_string(maxCount) +
                         " bytes");
        return false;
    }
    m_transferCancelled = false;
    if (IsCancelRequested())
        return CancelTransfer(false);
    FlushInput();

    m_request.assign(REPORT_SIZE, 0);
    m_request[0] = REPORT_READ;
    FillReadRequest(m_request, address, static_cast<std::size_t>(count));
    if (!SendReport(m_request))
        return false;

    const auto wanted = static_cast<std::size_t>(count);
    result.data.reserve(wanted);
    while (result.data.size() < wanted) {
        if (IsCancelRequested())
            return CancelTransfer(true);
        if (!ReceiveReport(REPORT_READ, m_reply))
            return m_transferCancelled ? CancelTransfer(true) : false;
        result.status = m_reply[1];
        if ((result.status & STATUS_ARBITRATION_LOST) != 0) {
            SetLastError(EFailureKind::ArbitrationLost);
            return false;
        }
        std::size_t length = result.status & STATUS_COUNT_MASK;
        if ((result.status & STATUS_ERROR) != 0 || length == 0) {
            // The master acknowledges the bytes of a read: only the address can go unanswered.
            SetLastError(EFailureKind::AddressNack);
            return false;
        }
        if (length == STATUS_COUNT_OVERFLOW)
            length = MAX_CHUNK;
        length = std::min(length, wanted - result.data.size());
        result.data.insert(result.data.end(), m_reply.begin() + 2,
                           m_reply.begin() + 2 + static_cast<std::ptrdiff_t>(length));
        ReportProgress(result.data.size(), wanted);
    }
    return true;
}

bool CVtlI2c::Probe(unsigned char address)
{
    SI2cWriteResult result;
    return Write({static_cast<unsigned char>(address << 1)}, result, true, true);
}

std::wstring CVtlI2c::GetSerialNumber() const
{
    return m_serialNumber;
}

std::wstring CVtlI2c::GetProductName() const
{
    return m_productName;
}

std::uint16_t CVtlI2c::GetFirmware() const
{
    return m_firmware;
}

std::string CVtlI2c::GetLastError() const
{
    return m_lastError;
}

EFailureKind CVtlI2c::GetLastErrorKind() const
{
    return m_lastErrorKind;
}

void CVtlI2c::SetTransferObserver(CVtlTransferObserver *observer)
{
    m_observer = observer;
}

bool CVtlI2c::EnumerateInterface(std::uint16_t productId, int interfaceNumber,
                                 std::vector<std::wstring> &serials)
{
    serials.clear();
    std::vector<SHidDeviceInfo> devices;
    const bool result = CSimpleHidClass::EnumerateDevices(devices, VTL_USB_VENDOR_ID, productId);
    for (const SHidDeviceInfo &device : devices) {
        if (device.interfaceNumber == interfaceNumber)
            serials.push_back(device.serialNumber);
    }
    std::sort(serials.begin(), serials.end(), SerialLess);
    serials.erase(std::unique(serials.begin(), serials.end()), serials.end());
    return result;
}

bool CVtlI2c::SendReport(const std::vector<unsigned char> &report)
{
    if (!m_hid.IsOpen()) {
        SetLastError(EFailureKind::AdapterGone);
        return false;
    }
    if (!m_hid.Write(report)) {
        SetLastError(m_hid.GetLastErrorKind(), m_hid.GetLastError());
        return false;
    }
    return true;
}

bool CVtlI2c::ReceiveReport(unsigned char reportId, std::vector<unsigned char> &reply)
{
    for (int discarded = 0; discarded <= MAX_DISCARDED_REPORTS; ++discarded) {
        if (!AwaitReport())
            return false;
        if (m_input.size() <= 2 || m_input[0] != reportId)
            continue;
        reply.assign(m_input.begin(), m_input.end());
        reply.resize(REPORT_SIZE, 0);
        return true;
    }
    SetLastError(EFailureKind::Timeout);
    return false;
}

bool CVtlI2c::AwaitReport()
{
    if (m_observer == nullptr) {
        if (m_hid.Read(m_input, REPORT_SIZE, REPLY_TIMEOUT_MS))
            return true;
        SetLastError(m_hid.GetLastErrorKind(), m_hid.GetLastError());
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(REPLY_TIMEOUT_MS);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int slice = static_cast<int>(std::clamp<long long>(left, 0, CANCEL_POLL_MS));
        if (m_hid.Read(m_input, REPORT_SIZE, slice))
            return true;
        // Only an empty slice is worth another; a device failure ends the wait at once.
        if (m_hid.GetLastErrorKind() != EFailureKind::Timeout || left <= slice) {
            SetLastError(m_hid.GetLastErrorKind(), m_hid.GetLastError());
            return false;
        }
        if (IsCancelRequested()) {
            m_transferCancelled = true;
            SetLastError(EFailureKind::Cancelled);
            return false;
        }
    }
}

bool CVtlI2c::IsCancelRequested() const
{
    return m_observer != nullptr && m_observer->IsCancelRequested();
}

void CVtlI2c::ReportProgress(std::size_t done, std::size_t total) const
{
    if (m_observer != nullptr)
        m_observer->OnProgress(done, total);
}

bool CVtlI2c::CancelTransfer(bool started)
{
    if (started)
        AbortTransfer();
    SetLastError(EFailureKind::Cancelled);
    return false;
}

void CVtlI2c::AbortTransfer()
{
    ApplyConfiguration(m_speed);
    for (int drained = 0; drained < MAX_FLUSHED_REPORTS; ++drained) {
        if (!m_hid.Read(m_input, REPORT_SIZE, DRAIN_TIMEOUT_MS))
            return;
    }
}

void CVtlI2c::FlushInput()
{
    for (int flushed = 0; flushed < MAX_FLUSHED_REPORTS; ++flushed) {
        if (!m_hid.Read(m_input, REPORT_SIZE, 0))
            return;
    }
}

bool CVtlI2c::SendEnable(bool enable, unsigned char flags)
{
    std::vector<unsigned char> report(REPORT_SIZE);
    report[0] = REPORT_ENABLE;
    report[1] = enable ? 1 : 0;
    report[2] = flags;
    return SendReport(report);
}

void CVtlI2c::SetLastError(EFailureKind kind, std::string text)
{
    m_lastErrorKind = kind;
    m_lastError = std::move(text);
}

void CVtlI2c::SetLastError(EFailureKind kind)
{
    SetLastError(kind, FailureText::Text(kind));
}
