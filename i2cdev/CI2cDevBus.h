// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "CBusSession.h"
#include "SBusAdapterInfo.h"
#include "VtlTypes.h"

#include <cstdint>
#include <functional>

// The adapter behind one i2c-dev node, shared by every open file of it: one bus session,
// connected on first use and again whenever the adapter is listed after a loss, so that
// the node outlives an unplug. Used from one thread.
class CI2cDevBus
{
public:
    CI2cDevBus(const SVtlDeviceEntry &adapter, EI2cSpeed speed);

    // What the adapter's model can do, known with or without a connection.
    const SBusAdapterInfo &Model() const { return m_model; }
    // The I2C_FUNCS word of the model.
    unsigned long Functions() const { return m_functions; }
    CBusSession &Session() { return m_session; }

    // Connects unless connected; false while the adapter is not listed, with the
    // session's reason in GetLastError().
    bool Connect();
    std::string GetLastError() const { return m_session.GetLastError(); }

    // Runs `procedure` on the bus as one job, so that no other client's transaction comes
    // between its transactions. It returns a count (0 or more) or a negative errno;
    // -ENODEV when the adapter is gone, before or during the job.
    int Run(const std::function<int(CBusContext &)> &procedure);

private:
    SVtlDeviceEntry m_adapter;
    EI2cSpeed m_speed;
    SBusAdapterInfo m_model;
    unsigned long m_functions = 0;
    CBusSession m_session;
};
