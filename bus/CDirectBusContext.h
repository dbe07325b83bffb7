// SPDX-License-Identifier: MIT
#pragma once

#include "CProcedureContext.h"

class CTransactionControl;
class CVtlI2c;

// A procedure's context on a connected driver, on the calling thread: the bus session's
// worker runs procedures in one, and so can a test. Every transaction it runs is handed
// to the record handler (when set) as soon as it has ended.
class CDirectBusContext : public CProcedureContext
{
public:
    // `control` (may be null) carries the cancel request and hears the progress; `clock`
    // (may be null: the steady clock) is what Sleep and Now use.
    CDirectBusContext(CVtlI2c &driver, SBusAdapterInfo adapter,
                      const CTransactionControl *control = nullptr, CBusClock *clock = nullptr);

protected:
    STransactionRecord Transact(const STransactionRequest &request,
                                const CTransactionControl &control) override;

private:
    CVtlI2c &m_driver;
};
