// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// A broken invariant: say which, then abort so that libFuzzer keeps the input.
[[noreturn]] inline void FuzzFail(const std::string &what)
{
    std::fprintf(stderr, "fuzz_driver_session: %s\n", what.c_str());
    std::abort();
}

inline void FuzzCheck(bool condition, const char *what)
{
    if (!condition)
        FuzzFail(what);
}

inline void FuzzCheck(bool condition, const std::string &what)
{
    if (!condition)
        FuzzFail(what);
}

// For checks made on every HID call: the message is only put together when it is needed.
template <typename FMessage>
void FuzzCheckLazy(bool condition, FMessage message)
{
    if (!condition)
        FuzzFail(message());
}
