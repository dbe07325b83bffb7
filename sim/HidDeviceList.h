// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

struct hid_device_info;

// The heap strings of an enumeration list that a stand-in hidapi hands out, and the
// matching release of the whole list.
namespace HidDeviceList {

char *CopyPath(const std::string &path);
// Null for a string the device does not have.
wchar_t *CopyText(const std::optional<std::wstring> &text);
void Free(hid_device_info *list);

} // namespace HidDeviceList
