// SPDX-License-Identifier: MIT
#include "HidDeviceList.h"

#include <cstring>
#include <cwchar>
#include <hidapi.h>

namespace HidDeviceList {

char *CopyPath(const std::string &path)
{
    char *copy = new char[path.size() + 1];
    std::memcpy(copy, path.c_str(), path.size() + 1);
    return copy;
}

wchar_t *CopyText(const std::optional<std::wstring> &text)
{
    if (!text)
        return nullptr;
    wchar_t *copy = new wchar_t[text->size() + 1];
    std::wmemcpy(copy, text->c_str(), text->size() + 1);
    return copy;
}

void Free(hid_device_info *list)
{
    while (list != nullptr) {
        hid_device_info *next = list->next;
        delete[] list->path;
        delete[] list->serial_number;
        delete[] list->manufacturer_string;
        delete[] list->product_string;
        delete list;
        list = next;
    }
}

} // namespace HidDeviceList
