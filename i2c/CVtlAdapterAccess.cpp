// SPDX-License-Identifier: MIT
#include "CVtlAdapterAccess.h"

#include "CSimpleHidClass.h"
#include "CVtlDeviceFactory.h"
#include "VtlUsbIds.h"

#include <cerrno>
#include <cstring>

namespace {

struct SModelInterface
{
    std::uint16_t productId;
    int interfaceNumber;
};

// The same identities as the model classes' constructors use; the drivers keep theirs
// private, and this check must not connect a driver to learn them.
SModelInterface ModelInterface(EVtlType type)
{
    switch (type) {
    case EVtlType::VtlA:
        return {VTL_USB_PRODUCT_ID_A, 2};
    case EVtlType::VtlB:
        return {VTL_USB_PRODUCT_ID_B, 1};
    case EVtlType::VtlC:
        return {VTL_USB_PRODUCT_ID_C, 2};
    }
    return {0, -1};
}

bool Contains(const std::string &text, const char *part)
{
    return part != nullptr && *part != '\0' && text.find(part) != std::string::npos;
}

} // namespace

SVtlAdapterAccess CVtlAdapterAccess::Check(EVtlType type, const std::wstring &serial)
{
    SVtlAdapterAccess result;
    const SModelInterface model = ModelInterface(type);
    std::vector<SHidDeviceInfo> devices;
    CSimpleHidClass::EnumerateDevices(devices, VTL_USB_VENDOR_ID, model.productId);
    const SHidDeviceInfo *match = nullptr;
    // The last match, as CVtlI2c::Connect takes it, so the check opens what it would open.
    for (const SHidDeviceInfo &device : devices) {
        if (device.serialNumber == serial && device.interfaceNumber == model.interfaceNumber)
            match = &device;
    }
    if (match == nullptr)
        return result;

    result.firmware = match->releaseNumber;
    result.productName = match->productString;
    if (result.productName.empty()) {
        const auto driver = CVtlDeviceFactory::Create(type);
        if (driver)
            result.productName = driver->GetTypeName();
    }

    CSimpleHidClass hid;
    if (hid.OpenPath(match->path)) {
        hid.Close();
        result.access = EVtlAccess::Usable;
        return result;
    }
    result.error = hid.GetLastError();
    result.access =
        IsPermissionDenied(result.error) ? EVtlAccess::PermissionDenied : EVtlAccess::OpenFailed;
    return result;
}

bool CVtlAdapterAccess::IsPermissionDenied(const std::string &errorText)
{
    // hidraw passes on strerror(), which follows the user's locale once a program has
    // called setlocale (every Qt program does), so the local wording counts as well.
    return Contains(errorText, "Permission denied") ||
           Contains(errorText, "Operation not permitted") ||
           Contains(errorText, std::strerror(EACCES)) || Contains(errorText, std::strerror(EPERM));
}

std::string CVtlAdapterAccess::PermissionHint()
{
    return "Install the udev rule that grants access to the adapters, either from the build tree:\n"
           "  sudo install -m 644 build/release/dist/70-vtl-i2c.rules /etc/udev/rules.d/\n"
           "or, with the tool installed, from /usr/lib/udev/rules.d/70-vtl-i2c.rules; then run\n"
           "  sudo udevadm control --reload-rules && sudo udevadm trigger "
           "--subsystem-match=hidraw\n"
           "and unplug and reattach the adapter.";
}
