// SPDX-License-Identifier: MIT
// The hidapi functions that the transport calls, answered by the scripted system. The
// declarations come from the system's <hidapi.h>, so the types are exactly the library's.
#include "HidDeviceList.h"
#include "ScriptedHid.h"

#include <hidapi.h>

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    return CScriptedHid::Instance().Init();
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return CScriptedHid::Instance().Exit();
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id)
{
    return CScriptedHid::Instance().Enumerate(vendor_id, product_id);
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    HidDeviceList::Free(devs);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    return CScriptedHid::Instance().Open(path);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    CScriptedHid::Instance().Close(dev);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    return CScriptedHid::Instance().Write(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data,
                                                 size_t length, int milliseconds)
{
    return CScriptedHid::Instance().Read(dev, data, length, milliseconds);
}

// A read without a time-out could hold the user-interface thread forever; the driver
// must never make one.
int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    return CScriptedHid::Instance().Read(dev, data, length, -1);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    return CScriptedHid::Instance().Error(dev);
}

#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 15, 0)
HID_API_EXPORT const wchar_t *HID_API_CALL hid_read_error(hid_device *dev)
{
    return CScriptedHid::Instance().Error(dev);
}
#endif

} // extern "C"
