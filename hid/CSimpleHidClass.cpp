// SPDX-License-Identifier: MIT
#include "CSimpleHidClass.h"

#include "FailureText.h"
#include "WideToUtf8.h"

#include <cerrno>
#include <hidapi.h>

namespace {

// Serialises the library's global set-up against its tear-down, so that an object
// created while the last one is being destroyed never finds the library shut down.
std::mutex s_libraryMutex;

// A failure whose text the library leaves empty still needs a reason for the user.
std::string LibraryText(const wchar_t *text)
{
    std::string result = WideToUtf8(text);
    if (result.empty())
        result = "Unknown HID error";
    return result;
}

// The reason of a failed read: newer libraries keep it apart from the other errors.
std::string ReadErrorText(hid_device *device)
{
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 15, 0)
    return LibraryText(hid_read_error(device));
#else
    return LibraryText(hid_error(device));
#endif
}

// The kind of a failed system call under the library, by its errno and not by the text,
// which follows the user's locale.
EFailureKind KindOfErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return EFailureKind::PermissionDenied;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ESHUTDOWN:
        return EFailureKind::AdapterGone;
    default:
        return EFailureKind::Other;
    }
}

std::wstring CopyWide(const wchar_t *text)
{
    return text != nullptr ? std::wstring(text) : std::wstring();
}

} // namespace

std::atomic<int> CSimpleHidClass::s_instanceCount{0};

CSimpleHidClass::CSimpleHidClass()
{
    const std::lock_guard lock(s_libraryMutex);
    if (s_instanceCount.fetch_add(1) == 0)
        hid_init();
}

CSimpleHidClass::~CSimpleHidClass()
{
    Close();
    const std::lock_guard lock(s_libraryMutex);
    if (s_instanceCount.fetch_sub(1) == 1)
        hid_exit();
}

bool CSimpleHidClass::OpenPath(const std::string &path)
{
    const std::lock_guard lock(m_deviceMutex);
    if (m_device != nullptr) {
        SetLastError(EFailureKind::InvalidArgument, "Device already open");
        return false;
    }
    errno = 0;
    hid_device *device = hid_open_path(path.c_str());
    if (device == nullptr) {
        const int error = errno;
        SetLastError(KindOfErrno(error), LibraryText(hid_error(nullptr)));
        return false;
    }
    m_device = device;
    return true;
}

void CSimpleHidClass::Close()
{
    const std::lock_guard lock(m_deviceMutex);
    if (m_device != nullptr) {
        hid_close(m_device);
        m_device = nullptr;
    }
}

bool CSimpleHidClass::IsOpen() const
{
    const std::lock_guard lock(m_deviceMutex);
    return m_device != nullptr;
}

bool CSimpleHidClass::Write(const std::vector<unsigned char> &report)
{
    const std::lock_guard lock(m_deviceMutex);
    if (m_device == nullptr) {
        SetLastError(EFailureKind::AdapterGone, "Device not open");
        return false;
    }
    errno = 0;
    const int written = hid_write(m_device, report.data(), report.size());
    if (written < 0) {
        const int error = errno;
        SetLastError(KindOfErrno(error), LibraryText(hid_error(m_device)));
        return false;
    }
    if (static_cast<std::size_t>(written) != report.size()) {
        // hidraw reports a partial write as a successful call, so its error text would
        // read "Success"; say what went wrong instead.
        SetLastError(EFailureKind::Other, "Short write: " + std::to_string(written) + " of " +
                                              std::to_string(report.size()) + " bytes written");
        return false;
    }
    return true;
}

bool CSimpleHidClass::Read(std::vector<unsigned char> &buffer, std::size_t length, int timeoutMs)
{
    const std::lock_guard lock(m_deviceMutex);
    if (m_device == nullptr) {
        SetLastError(EFailureKind::AdapterGone, "Device not open");
        return false;
    }
    buffer.assign(length, 0);
    errno = 0;
    const int received = hid_read_timeout(m_device, buffer.data(), length, timeoutMs);
    if (received < 0) {
        const int error = errno;
        buffer.clear();
        SetLastError(KindOfErrno(error), ReadErrorText(m_device));
        return false;
    }
    if (received == 0) {
        buffer.clear();
        SetLastError(EFailureKind::Timeout, FailureText::Text(EFailureKind::Timeout));
        return false;
    }
    buffer.resize(static_cast<std::size_t>(received));
    return true;
}

std::string CSimpleHidClass::GetLastError() const
{
    const std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

EFailureKind CSimpleHidClass::GetLastErrorKind() const
{
    const std::lock_guard lock(m_errorMutex);
    return m_lastErrorKind;
}

bool CSimpleHidClass::EnumerateDevices(std::vector<SHidDeviceInfo> &out, std::uint16_t vendorId,
                                       std::uint16_t productId)
{
    out.clear();
    hid_device_info *list = hid_enumerate(vendorId, productId);
    for (const hid_device_info *entry = list; entry != nullptr; entry = entry->next) {
        SHidDeviceInfo info;
        info.path = entry->path != nullptr ? std::string(entry->path) : std::string();
        info.vendorId = entry->vendor_id;
        info.productId = entry->product_id;
        info.serialNumber = CopyWide(entry->serial_number);
        info.manufacturerString = CopyWide(entry->manufacturer_string);
        info.productString = CopyWide(entry->product_string);
        info.releaseNumber = entry->release_number;
        info.usagePage = entry->usage_page;
        info.usage = entry->usage;
        info.interfaceNumber = entry->interface_number;
        out.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return true;
}

void CSimpleHidClass::SetLastError(EFailureKind kind, std::string text) const
{
    const std::lock_guard lock(m_errorMutex);
    m_lastErrorKind = kind;
    m_lastError = std::move(text);
}
