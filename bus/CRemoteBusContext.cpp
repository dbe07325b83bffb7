// SPDX-License-Identifier: MIT
#include "CRemoteBusContext.h"

#include "CRemoteBus.h"
#include "CTransactionControl.h"
#include "FailureText.h"

#include <utility>

CRemoteBusContext::CRemoteBusContext(CRemoteBus &bus, SRemoteEvents &events,
                                     SBusAdapterInfo adapter, const CTransactionControl *control,
                                     CBusClock *clock)
    : CProcedureContext(std::move(adapter), control, clock)
    , m_bus(bus)
    , m_events(events)
{}

STransactionRecord CRemoteBusContext::Transact(const STransactionRequest &request,
                                               const CTransactionControl &control)
{
    if (!control.IsCancelRequested())
        return m_bus.Transact(request, &control, m_events);
    // Nothing goes to the server once the procedure is asked to stop.
    STransactionRecord record;
    record.request = request;
    record.cancelled = true;
    record.failure = EFailureKind::Cancelled;
    record.lastError = FailureText::Text(EFailureKind::Cancelled);
    return record;
}
