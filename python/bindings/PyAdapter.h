// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "CBusSession.h"
#include "CTransactionControl.h"
#include "SBusAdapterInfo.h"
#include "STransactionRecord.h"
#include "STransactionRequest.h"
#include "VtlTypes.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <pybind11/pybind11.h>
#include <string>
#include <vector>

// One open adapter of the Python API: its bus session, and the way every call reaches it.
// A call releases the GIL while it waits on the bus, holds the adapter's lock so that Python
// threads sharing the adapter take turns, and turns Ctrl+C into a cancel of the running job.
class CPyAdapter
{
public:
    // Opens the adapter `choice` names (None: VTL_ADAPTER or the only one; an int: the place
    // in the list; a str: a serial number, a place or a model letter). Throws CPyOsError.
    CPyAdapter(const pybind11::object &choice, unsigned long speedHz, std::optional<bool> pullUps);
    ~CPyAdapter();

    CPyAdapter(const CPyAdapter &) = delete;
    CPyAdapter &operator=(const CPyAdapter &) = delete;

    void Close();
    bool IsOpen() const;
    // Throws ENODEV when closed. Read with the GIL held.
    const SBusAdapterInfo &Info() const;

    // One transaction; a failure raises with `what` before the message.
    STransactionRecord Run(const STransactionRequest &request, const std::string &what);
    // A procedure as one job. `progress` (may be empty) is called with the GIL held. A
    // cancel by Ctrl+C raises; any other outcome is returned.
    SBusProcedureResult RunProcedure(const BusProcedure &procedure,
                                     const pybind11::object &progress = pybind11::none(),
                                     std::vector<STransactionRecord> *records = nullptr);

    void SetSpeed(unsigned long speedHz);
    void SetPullUps(bool enabled);

    // Closes every adapter still open, at interpreter exit.
    static void CloseAll();

private:
    std::shared_ptr<CBusJob> WaitJob(const std::function<std::shared_ptr<CBusJob>()> &start);
    CBusSession &Session() const;

    // Held by the thread whose call is on the bus, always without the GIL, so that the
    // worker may take the GIL for a progress callback meanwhile.
    mutable std::mutex m_mutex;
    std::unique_ptr<CBusSession> m_session;
    // What the session says of its adapter, copied after each change; under the GIL.
    SBusAdapterInfo m_info;
    bool m_open = false;
};

// The speed code of a bus clock in Hz; throws ValueError for one the adapters do not have.
EI2cSpeed SpeedOfHz(unsigned long speedHz);
unsigned long HzOfSpeed(EI2cSpeed speed);
// "A", "B" or "C".
std::string ModelLetter(EVtlType type);
std::string Narrow(const std::wstring &text);
