// SPDX-License-Identifier: MIT
#include "CSimBus.h"

#include "CSimHandle.h"
#include "HidDeviceList.h"
#include "SimLock.h"

#include <algorithm>
#include <cerrno>
#include <hidapi.h>

namespace {

const wchar_t *const TEXT_SUCCESS = L"Success";
const wchar_t *const TEXT_INVALID_HANDLE = L"Invalid device handle";

// The text of the last failure without a device, per thread, so it cannot change under
// a caller that is still copying it.
thread_local std::wstring t_globalError;

std::wstring Widen(const char *text)
{
    std::wstring wide;
    for (const char *p = text; *p != '\0'; ++p)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return wide;
}

std::wstring OpenFailure(const char *path, const wchar_t *reason)
{
    return L"Failed to open a device with path '" + Widen(path) + L"': " + reason;
}

bool Matches(unsigned short wanted, std::uint16_t actual)
{
    return wanted == 0 || wanted == actual;
}

} // namespace

CSimBus &CSimBus::Instance()
{
    // Never destroyed, so handles closed by static objects at exit still find it.
    static CSimBus *const bus = new CSimBus;
    return *bus;
}

std::shared_ptr<CSimAdapter> CSimBus::Attach(const SSimAdapterConfig &config)
{
    auto adapter = std::make_shared<CSimAdapter>(config);
    const std::lock_guard lock(SimMutex());
    adapter->SetAttachedLocked(true);
    adapter->PlugLocked();
    m_adapters.push_back(adapter);
    return adapter;
}

std::shared_ptr<CSimAdapter> CSimBus::Attach(ESimModel model,
                                             std::optional<std::wstring> serialNumber)
{
    return Attach(SSimAdapterConfig::ForModel(model, std::move(serialNumber)));
}

void CSimBus::Detach(const std::shared_ptr<CSimAdapter> &adapter)
{
    if (!adapter)
        return;
    const std::lock_guard lock(SimMutex());
    const auto it = std::find(m_adapters.begin(), m_adapters.end(), adapter);
    if (it == m_adapters.end())
        return;
    adapter->UnplugLocked();
    adapter->SetAttachedLocked(false);
    m_adapters.erase(it);
}

std::vector<std::shared_ptr<CSimAdapter>> CSimBus::GetAdapters() const
{
    const std::lock_guard lock(SimMutex());
    return m_adapters;
}

void CSimBus::Reset()
{
    const std::lock_guard lock(SimMutex());
    for (const std::shared_ptr<CSimAdapter> &adapter : m_adapters) {
        adapter->UnplugLocked();
        adapter->SetAttachedLocked(false);
    }
    m_adapters.clear();
    m_initCount = 0;
    m_exitCount = 0;
    t_globalError.clear();
}

int CSimBus::GetInitCount() const
{
    const std::lock_guard lock(SimMutex());
    return m_initCount;
}

int CSimBus::GetExitCount() const
{
    const std::lock_guard lock(SimMutex());
    return m_exitCount;
}

int CSimBus::Init()
{
    const std::lock_guard lock(SimMutex());
    ++m_initCount;
    return 0;
}

int CSimBus::Exit()
{
    const std::lock_guard lock(SimMutex());
    ++m_exitCount;
    return 0;
}

hid_device_info *CSimBus::Enumerate(unsigned short vendorId, unsigned short productId) const
{
    const std::lock_guard lock(SimMutex());
    t_globalError.clear();
    hid_device_info *first = nullptr;
    hid_device_info **link = &first;
    for (const std::shared_ptr<CSimAdapter> &adapter : m_adapters) {
        const SSimAdapterConfig &config = adapter->m_config;
        if (!Matches(vendorId, config.vendorId) || !Matches(productId, config.productId))
            continue;
        for (const CSimAdapter::SListedInterface &listed : adapter->ListedLocked()) {
            auto *info = new hid_device_info{};
            info->path = HidDeviceList::CopyPath(listed.path);
            info->vendor_id = config.vendorId;
            info->product_id = config.productId;
            info->serial_number = HidDeviceList::CopyText(config.serialNumber);
            info->release_number = config.releaseNumber;
            info->manufacturer_string = HidDeviceList::CopyText(config.manufacturer);
            info->product_string = HidDeviceList::CopyText(config.product);
            info->usage_page = listed.usagePage;
            info->usage = listed.usage;
            info->interface_number = listed.number;
            info->next = nullptr;
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 13, 0)
            info->bus_type = HID_API_BUS_USB;
#endif
            *link = info;
            link = &info->next;
        }
    }
    return first;
}

hid_device_ *CSimBus::Open(const char *path)
{
    const std::lock_guard lock(SimMutex());
    t_globalError.clear();
    if (path == nullptr) {
        t_globalError = L"Invalid argument";
        errno = EINVAL;
        return nullptr;
    }
    for (const std::shared_ptr<CSimAdapter> &adapter : m_adapters) {
        for (const CSimAdapter::SListedInterface &listed : adapter->ListedLocked()) {
            if (listed.path != path)
                continue;
            if (adapter->IsOpenDeniedLocked()) {
                t_globalError = OpenFailure(path, L"Permission denied");
                // The system's open() leaves its reason in errno as well.
                errno = EACCES;
                return nullptr;
            }
            auto *device = new hid_device_(adapter, listed.number);
            m_handles.insert(device);
            adapter->AddHandleLocked(device);
            return device;
        }
    }
    t_globalError = OpenFailure(path, L"No such file or directory");
    errno = ENOENT;
    return nullptr;
}

void CSimBus::Close(hid_device_ *device)
{
    const std::lock_guard lock(SimMutex());
    if (!IsOpenHandleLocked(device))
        return;
    m_handles.erase(device);
    device->GetAdapter()->RemoveHandleLocked(device);
    if (device->GetWaiterCount() > 0) {
        // A reader on another thread still uses the object; it frees it on its way out.
        device->MarkClosing();
        SimReportQueued().notify_all();
        return;
    }
    delete device;
}

int CSimBus::Write(hid_device_ *device, const unsigned char *data, std::size_t length)
{
    const std::lock_guard lock(SimMutex());
    if (!IsOpenHandleLocked(device)) {
        t_globalError = TEXT_INVALID_HANDLE;
        return -1;
    }
    return device->Write(data, length);
}

int CSimBus::Read(hid_device_ *device, unsigned char *data, std::size_t length, int timeoutMs)
{
    std::unique_lock lock(SimMutex());
    if (!IsOpenHandleLocked(device)) {
        t_globalError = TEXT_INVALID_HANDLE;
        return -1;
    }
    const int result = device->Read(lock, data, length, timeoutMs);
    if (device->IsClosing() && device->GetWaiterCount() == 0)
        delete device;
    return result;
}

const wchar_t *CSimBus::Error(hid_device_ *device) const
{
    const std::lock_guard lock(SimMutex());
    if (device == nullptr)
        return t_globalError.empty() ? TEXT_SUCCESS : t_globalError.c_str();
    if (!IsOpenHandleLocked(device))
        return TEXT_INVALID_HANDLE;
    return device->GetError();
}

bool CSimBus::IsOpenHandleLocked(const hid_device_ *device) const
{
    return device != nullptr && m_handles.count(device) != 0;
}
