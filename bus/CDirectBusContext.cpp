// SPDX-License-Identifier: MIT
#include "CDirectBusContext.h"

#include "CTransactionExecutor.h"

#include <utility>

CDirectBusContext::CDirectBusContext(CVtlI2c &driver, SBusAdapterInfo adapter,
                                     const CTransactionControl *control, CBusClock *clock)
    : CProcedureContext(std::move(adapter), control, clock)
    , m_driver(driver)
{}

STransactionRecord CDirectBusContext::Transact(const STransactionRequest &request,
                                               const CTransactionControl &control)
{
    return CTransactionExecutor::Execute(m_driver, request, &control);
}
