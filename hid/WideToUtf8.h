// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Converts a zero-terminated wide string from the HID library to UTF-8; null gives "".
// 16-bit units are UTF-16: a surrogate pair becomes one code point and an unpaired
// surrogate is encoded as it stands. 32-bit units (wchar_t on Linux and macOS) already
// hold code points: one above U+10FFFF, which no valid string holds, becomes U+FFFD.
std::string WideToUtf8(const char16_t *text);
std::string WideToUtf8(const char32_t *text);
std::string WideToUtf8(const wchar_t *text);
