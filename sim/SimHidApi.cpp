// SPDX-License-Identifier: MIT
// The hidapi functions that the transport uses, implemented on the simulated bus. The
// declarations come from the system's <hidapi.h>, so the types are exactly the library's.
#include "CSimBus.h"
#include "CSimHandle.h"
#include "HidDeviceList.h"

#include <hidapi.h>

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    return CSimBus::Instance().Init();
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return CSimBus::Instance().Exit();
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id)
{
    return CSimBus::Instance().Enumerate(vendor_id, product_id);
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    HidDeviceList::Free(devs);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    return CSimBus::Instance().Open(path);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    CSimBus::Instance().Close(dev);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    return CSimBus::Instance().Write(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data,
                                                 size_t length, int milliseconds)
{
    return CSimBus::Instance().Read(dev, data, length, milliseconds);
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    return CSimBus::Instance().Read(dev, data, length, -1);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    return CSimBus::Instance().Error(dev);
}

#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 15, 0)
HID_API_EXPORT const wchar_t *HID_API_CALL hid_read_error(hid_device *dev)
{
    return CSimBus::Instance().Error(dev);
}
#endif

} // extern "C"
