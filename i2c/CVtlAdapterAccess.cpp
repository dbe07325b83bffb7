// SPDX-License-Identifier: MIT
#include "CVtlAdapterAccess.h"

#include "CSimpleHidClass.h"
#include "CVtlDeviceFactory.h"
#include "VtlUsbIds.h"

#include <memory>

SVtlAdapterAccess CVtlAdapterAccess::Check(EVtlType type, const std::wstring &serial)
{
    SVtlAdapterAccess result;
    // An unconnected driver only names the model's identity; it opens nothing.
    const std::unique_ptr<CVtlI2c> driver = CVtlDeviceFactory::Create(type);
    if (!driver)
        return result;
    std::vector<SHidDeviceInfo> devices;
    CSimpleHidClass::EnumerateDevices(devices, VTL_USB_VENDOR_ID, driver->GetProductId());
    const SHidDeviceInfo *match = nullptr;
    // The last match, as CVtlI2c::Connect takes it, so the check opens what it would open.
    for (const SHidDeviceInfo &device : devices) {
        if (device.serialNumber == serial && device.interfaceNumber == driver->GetInterfaceNumber())
            match = &device;
    }
    if (match == nullptr)
        return result;

    result.firmware = match->releaseNumber;
    result.productName = match->productString;
    if (result.productName.empty())
        result.productName = driver->GetTypeName();

    CSimpleHidClass hid;
    if (hid.OpenPath(match->path)) {
        hid.Close();
        result.access = EVtlAccess::Usable;
        return result;
    }
    result.error = hid.GetLastError();
    result.access = hid.GetLastErrorKind() == EFailureKind::PermissionDenied
                        ? EVtlAccess::PermissionDenied
                        : EVtlAccess::OpenFailed;
    return result;
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
