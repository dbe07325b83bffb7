// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// A library error text and the UTF-8 that the transport must turn it into.
struct SScriptedErrorText
{
    std::wstring wide;
    std::string utf8;
};

// "<what> #<number>", then the pieces that the bits of `choice` select: characters of
// one to four UTF-8 bytes, surrogates paired and unpaired, and a unit beyond Unicode.
// The number keeps each text apart from the last one, so a stale text is noticed.
SScriptedErrorText MakeErrorText(const wchar_t *what, int number, unsigned char choice);
