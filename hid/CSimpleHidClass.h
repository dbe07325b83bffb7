// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "SHidDeviceInfo.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct hid_device_;

// One open HID device over hidapi. Every library call on the handle is serialised by
// m_deviceMutex; failures return false and leave a UTF-8 text for GetLastError() and its
// kind for GetLastErrorKind().
// The library is initialised while at least one object exists.
class CSimpleHidClass
{
public:
    CSimpleHidClass();
    ~CSimpleHidClass();

    CSimpleHidClass(const CSimpleHidClass &) = delete;
    CSimpleHidClass &operator=(const CSimpleHidClass &) = delete;
    CSimpleHidClass(CSimpleHidClass &&) = delete;
    CSimpleHidClass &operator=(CSimpleHidClass &&) = delete;

    bool OpenPath(const std::string &path);
    void Close();
    bool IsOpen() const;

    bool Write(const std::vector<unsigned char> &report);
    bool Read(std::vector<unsigned char> &buffer, std::size_t length, int timeoutMs);

    std::string GetLastError() const;
    EFailureKind GetLastErrorKind() const;

    static bool EnumerateDevices(std::vector<SHidDeviceInfo> &out, std::uint16_t vendorId,
                                 std::uint16_t productId);

private:
    void SetLastError(EFailureKind kind, std::string text) const;

    hid_device_ *m_device = nullptr;
    mutable std::mutex m_deviceMutex;
    mutable std::mutex m_errorMutex;
    mutable std::string m_lastError;
    mutable EFailureKind m_lastErrorKind = EFailureKind::None;

    static std::atomic<int> s_instanceCount;
};
