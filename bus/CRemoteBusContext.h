// SPDX-License-Identifier: MIT
#pragma once

#include "CProcedureContext.h"

class CRemoteBus;
class CTransactionControl;
struct SRemoteEvents;

// A procedure's context on a bus server's adapter: it runs here, on the calling thread,
// while the server holds its bus lock for it, and each transaction goes to the server.
class CRemoteBusContext : public CProcedureContext
{
public:
    CRemoteBusContext(CRemoteBus &bus, SRemoteEvents &events, SBusAdapterInfo adapter,
                      const CTransactionControl *control = nullptr, CBusClock *clock = nullptr);

protected:
    STransactionRecord Transact(const STransactionRequest &request,
                                const CTransactionControl &control) override;

private:
    CRemoteBus &m_bus;
    SRemoteEvents &m_events;
};
