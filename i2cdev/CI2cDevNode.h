// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"
#include "VtlTypes.h"

#include <memory>
#include <string>

struct SI2cDevNodeOptions
{
    // The N of /dev/i2c-N; -1 takes the first free number from 20.
    int number = -1;
    // The group that owns the node; empty gives it to the invoking user.
    std::string group;
};

// An adapter as the Linux device file /dev/i2c-N, served in user space through CUSE, so
// that every program written for i2c-dev reaches it. The node answers on a thread of its
// own with its own bus session; it stays after an unplug (every call fails with ENODEV)
// and answers again once the adapter is listed again.
class CI2cDevNode
{
public:
    CI2cDevNode();
    // Stops.
    ~CI2cDevNode();

    CI2cDevNode(const CI2cDevNode &) = delete;
    CI2cDevNode &operator=(const CI2cDevNode &) = delete;

    // Creates the node and returns once it exists, or false with the reason in
    // GetLastError() (no /dev/cuse, no access to it, the number taken).
    bool Start(const SVtlDeviceEntry &adapter, EI2cSpeed speed, const SI2cDevNodeOptions &options);
    // The node disappears; the calls waiting on it fail.
    void Stop();
    // "/dev/i2c-20"; empty while not started.
    std::string DevicePath() const;
    std::string GetLastError() const;

private:
    struct SState;
    std::unique_ptr<SState> m_state;
    std::string m_lastError;
};
