// SPDX-License-Identifier: MIT
#include "CI2cDevBus.h"

#include "I2cFunctions.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace {

constexpr int ANSWERED[] = {ENXIO, EREMOTEIO, EAGAIN, EBADMSG, EPROTO, EOPNOTSUPP, EINVAL};

} // namespace

CI2cDevBus::CI2cDevBus(const SVtlDeviceEntry &adapter, EI2cSpeed speed)
    : m_adapter(adapter)
    , m_speed(speed)
{
    if (const SAdapterCapabilities *capabilities = SAdapterCapabilities::OfModel(adapter.type))
        static_cast<SAdapterCapabilities &>(m_model) = *capabilities;
    m_model.type = adapter.type;
    m_model.serial = adapter.serial;
    m_model.speed = speed;
    m_functions = I2cFunctions::ForAdapter(m_model);
    // The bus server logs the node's transactions under this name.
    m_session.SetOrigin("i2c-dev");
}

bool CI2cDevBus::Connect()
{
    return m_session.IsConnected() || m_session.Connect(m_adapter, m_speed);
}

int CI2cDevBus::Run(const std::function<int(CBusContext &)> &procedure)
{
    if (!Connect())
        return -ENODEV;
    int outcome = -EIO;
    const SBusProcedureResult result = m_session.RunProcedure([&](CBusContext &context) {
        outcome = procedure(context);
        // A failure that the adapter answered with (a NACK, a bad PEC) or that nothing was
        // sent for shows the adapter present. Only the others make the session look
        // whether it is still listed, which takes long on some systems, and a scan of the
        // bus meets a NACK at nearly every address.
        SBusProcedureResult own;
        own.ok = outcome >= 0 || std::find(std::begin(ANSWERED), std::end(ANSWERED), -outcome) !=
                                     std::end(ANSWERED);
        if (!own.ok)
            own.failure = EFailureKind::Other;
        return own;
    });
    // The session tells a failure that the adapter's absence explains as that.
    if (result.failure == EFailureKind::AdapterGone)
        return -ENODEV;
    return outcome;
}
