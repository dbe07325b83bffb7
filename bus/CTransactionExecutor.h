// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRecord.h"
#include "STransactionRequest.h"

class CTransactionControl;
class CVtlI2c;

// Runs one transaction on a connected driver, on the calling thread, and records it.
// The window runs it on the runner's worker thread; the command-line program calls it
// directly. Never throws; failures are in the record.
class CTransactionExecutor
{
public:
    // `control` may be null: then the transaction cannot be cancelled and reports no
    // progress, and the driver behaves exactly as when called directly.
    static STransactionRecord Execute(CVtlI2c &driver, const STransactionRequest &request,
                                      const CTransactionControl *control = nullptr);
};
