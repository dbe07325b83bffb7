// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "CTransactionControl.h"
#include "STransactionRecord.h"
#include "STransactionRequest.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CVtlI2c;

// Which waiting job the bus serves next: a higher priority first, jobs of one priority in
// the order they were started.
enum class EBusPriority
{
    Background = 0, // a watch reading
    Normal = 1,     // a dock's refresh, an EEPROM image, a sequence
    User = 2,       // the transaction the user just asked for in the window
};

// One job on the bus session: a single transaction or a procedure of several. It speaks for
// itself alone: its signals tell about this job and no other, so a caller that waits for
// it can never take another job's end for its own. Created by CBusSession::Start, lives in
// the session's thread.
class CBusJob : public QObject
{
    Q_OBJECT

public:
    enum class EState
    {
        Queued,
        Running,
        Finished,
    };

    ~CBusJob() override;

    CBusJob(const CBusJob &) = delete;
    CBusJob &operator=(const CBusJob &) = delete;

    std::uint64_t Id() const { return m_id; }
    EBusPriority Priority() const { return m_priority; }
    EState State() const { return m_state; }
    bool IsFinished() const { return m_state == EState::Finished; }

    // The total a job of one transaction reports progress towards (bytes, or probes for
    // a search); 0 for a procedure, which reports its own.
    std::uint64_t ProgressTotal() const { return m_request ? m_request->ProgressTotal() : 0; }

    // A queued job never reaches the bus and finishes at once as cancelled; a running one
    // stops at its next report, probe or wait. A finished job is left as it is.
    void Cancel();

    // Every transaction the job ran, in order; complete once it has finished.
    const std::vector<STransactionRecord> &Records() const { return m_records; }
    // The job's transaction, for a job started from a request: once finished, always set
    // (a job cancelled in the queue carries a cancelled record of its request).
    std::optional<STransactionRecord> Record() const;
    // How the job ended: for a request, ok and error of its record.
    const SBusProcedureResult &Result() const { return m_result; }
    // The job failed because the adapter had gone: the session has dropped the connection
    // and reported the loss.
    bool IsAdapterLost() const { return m_adapterLost; }

Q_SIGNALS:
    void started();
    // Bytes (or probes) done for a transaction; the procedure's own units for a procedure.
    void progressChanged(quint64 done, quint64 total);
    // One transaction of the job has ended, in order, before finished().
    void transactionDone(const STransactionRecord &record);
    void finished();

private:
    friend class CBusSession;

    CBusJob(std::uint64_t id, EBusPriority priority, bool blocking,
            const CTransactionControl *external);

    std::uint64_t m_id;
    EBusPriority m_priority;
    EState m_state = EState::Queued;
    std::optional<STransactionRequest> m_request;
    BusProcedure m_procedure;
    // Session-internal work on the driver itself (speed, pull-ups).
    std::function<SBusProcedureResult(CVtlI2c &)> m_driverWork;
    // The same change asked of a server, for a session connected through one.
    std::optional<EI2cSpeed> m_setSpeed;
    std::optional<bool> m_setPullUps;
    // The bus lock asked of a server (its longest hold), or its release.
    std::optional<std::uint32_t> m_lockHoldMs;
    bool m_unlock = false;
    // A caller blocks in Wait for it: nothing about it is posted to the event loop.
    bool m_blocking;
    // A blocking caller that asked for no records: a long procedure keeps none of them.
    bool m_keepRecords = true;
    const CTransactionControl *m_external;
    CTransactionControl m_control;
    std::vector<STransactionRecord> m_records;
    std::size_t m_signalledRecords = 0;
    SBusProcedureResult m_result;
    bool m_adapterLost = false;
    class CBusSession *m_session = nullptr;
};
