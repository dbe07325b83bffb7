// SPDX-License-Identifier: MIT
#pragma once

#include "CBusClock.h"
#include "CBusContext.h"
#include "CBusJob.h"
#include "SBusAdapterInfo.h"
#include "STransactionRecord.h"
#include "STransactionRequest.h"
#include "VtlTypes.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class CRemoteBus;
struct SRemoteEvents;
class CTransactionControl;
class CVtlI2c;
class QSocketNotifier;

// The one connection to an adapter that every front end and every dock shares: it owns the
// connected driver and a worker thread, and serialises every transaction of every client
// (the user's own, a watch reading, a register refresh, an EEPROM page, a sequence) in one
// queue by priority, so two never share the bus. After a job fails it asks whether the
// adapter is still listed; a missing adapter, or one the presence check (every second
// while idle and connected) no longer finds, drops the connection and is reported once.
// The session shows nothing; clients hear its signals and their jobs' signals. It lives in
// one thread (the window's, or the command line's), which must run an event loop for the
// signals to arrive; the blocking Run and Wait need none.
// When another program of this user serves the adapter (CBusServer), Connect reaches it
// through the server instead, and every operation works the same way: transactions go to
// the server's queue, and a procedure runs here while it holds the server's bus lock, so
// no other program's transaction comes between its transactions.
class CBusSession : public QObject
{
    Q_OBJECT

public:
    explicit CBusSession(QObject *parent = nullptr);
    // Cancels what is queued or running, waits for the worker, then releases the driver.
    ~CBusSession() override;

    CBusSession(const CBusSession &) = delete;
    CBusSession &operator=(const CBusSession &) = delete;

    // Creates the model's driver and connects it; `pullUps` is set before connecting on a
    // model with the switch. On failure the connection held before stays as it was and
    // GetLastError() and GetLastErrorKind() tell why. Call while no job runs.
    bool Connect(const SVtlDeviceEntry &entry, EI2cSpeed speed, std::optional<bool> pullUps = {});
    // Cancels queued and running jobs, waits for the worker, releases the driver (which
    // switches the adapter's I2C function off). No loss is reported.
    void Disconnect();
    bool IsConnected() const { return m_driver != nullptr || m_remote != nullptr; }
    // Connected through another program's server rather than holding the adapter.
    bool IsRemote() const { return m_remote != nullptr; }
    // The program a server hears this session is (default: this process's name); set
    // before Connect.
    void SetOrigin(std::string program);
    const std::string &Origin() const { return m_origin; }
    // The connected adapter; meaningful while connected.
    const SBusAdapterInfo &Info() const { return m_info; }
    std::string GetLastError() const { return m_lastError; }
    EFailureKind GetLastErrorKind() const { return m_lastErrorKind; }
    // A job runs or waits.
    bool IsBusy() const;

    // Queues one transaction, or a procedure of several that runs as one job. Without a
    // connection the job finishes at once, failed with "Not connected" (AdapterGone). A job
    // whose failure the presence check then explains fails as AdapterGone.
    std::shared_ptr<CBusJob> Start(const STransactionRequest &request,
                                   EBusPriority priority = EBusPriority::Normal);
    std::shared_ptr<CBusJob> Start(BusProcedure procedure,
                                   EBusPriority priority = EBusPriority::Normal);
    // Through a server: keeps every other program's transactions off the bus until
    // UnlockBus, for at most `hold` (the server ends it then, and when this program goes
    // away); waits its turn like a job. Meanwhile this session's jobs run as usual, and a
    // procedure takes no second lock. A session that holds its adapter itself has nothing
    // to lock and succeeds at once.
    bool TryLockBus(std::chrono::milliseconds hold);
    void UnlockBus();
    // Changes of the connected adapter's configuration, queued like transactions.
    std::shared_ptr<CBusJob> StartSetSpeed(EI2cSpeed speed);
    std::shared_ptr<CBusJob> StartSetPullUps(bool enabled);

    // Runs one transaction (or procedure) at user priority and returns when it has ended,
    // without an event loop. `control` (may be null) adds a cancel request of the caller's
    // and hears the progress, on the worker thread.
    STransactionRecord Run(const STransactionRequest &request,
                           const CTransactionControl *control = nullptr);
    SBusProcedureResult RunProcedure(BusProcedure procedure,
                                     const CTransactionControl *control = nullptr,
                                     std::vector<STransactionRecord> *records = nullptr);
    // Blocks until `job` has finished, serving the queue meanwhile, without an event loop.
    void Wait(const std::shared_ptr<CBusJob> &job);

    // The presence rule now: a connected adapter that the system no longer lists is lost.
    // Held back while the worker has the driver and done as soon as it lets go. Through a
    // server: what the server said meanwhile (a loss, a new configuration) is heard.
    void CheckPresence();
    // What procedures wait by; null restores the steady clock. Not owned.
    void SetClock(CBusClock *clock);

Q_SIGNALS:
    // Connected or disconnected, or the speed or pull-ups changed.
    void stateChanged();
    // The adapter was found gone, once per loss; the driver has been released already.
    void connectionLost();

private:
    friend class CBusJob;

    struct SCompletion
    {
        SBusProcedureResult result;
        bool present = true;
        std::optional<SBusAdapterInfo> info;
    };

    std::shared_ptr<CBusJob> newJob(EBusPriority priority, bool blocking,
                                    const CTransactionControl *external);
    std::shared_ptr<CBusJob> enqueue(std::shared_ptr<CBusJob> job);
    void dispatch();
    // Takes the running job's completion, if the worker has left one, and delivers it.
    bool takeCompletion();
    void finishJob(const std::shared_ptr<CBusJob> &job, SCompletion completion);
    void finishUnrun(const std::shared_ptr<CBusJob> &job, EFailureKind failure, bool lost);
    std::shared_ptr<CBusJob> takeQueued(CBusJob *job);
    // Called by a queued job's Cancel.
    void cancelQueued(CBusJob *job);
    // Hands the running job the transactions the worker has finished so far.
    void drainRecords();
    void handleLoss();
    void stopWorkerJob();
    void releaseDriver();
    void workerLoop();
    void runOnWorker(CBusJob &job, CVtlI2c &driver, SCompletion &completion);
    void onPresenceTimer();
    // The client half: connecting to a server, running a job through it on the worker,
    // and hearing the server while no job runs.
    bool connectRemote(const std::string &socketPath);
    void runRemote(CBusJob &job, SCompletion &completion);
    void runRemoteLock(CBusJob &job, SCompletion &completion, SRemoteEvents &events);
    // Hands a procedure's records to the job as the direct context's handler does.
    std::function<void(const STransactionRecord &)> recordKeeper(const CBusJob &job);
    void onRemoteReadable();
    bool hasBus() const { return m_driver != nullptr || m_remote != nullptr; }

    std::unique_ptr<CVtlI2c> m_driver;
    std::unique_ptr<CRemoteBus> m_remote;
    std::unique_ptr<QSocketNotifier> m_remoteNotifier;
    std::string m_origin;
    // The tag of the bus lock this session holds on its server; the worker's alone.
    std::uint32_t m_heldLockTag = 0;
    SBusAdapterInfo m_info;
    std::string m_lastError;
    EFailureKind m_lastErrorKind = EFailureKind::None;
    QTimer m_presenceTimer;
    bool m_presenceDue = false;
    std::array<std::deque<std::shared_ptr<CBusJob>>, 3> m_queues;
    std::shared_ptr<CBusJob> m_running;
    std::uint64_t m_nextId = 1;
    CBusClock m_steadyClock;
    CBusClock *m_clock = &m_steadyClock;

    // Shared with the worker thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::shared_ptr<CBusJob> m_work;
    std::optional<SCompletion> m_completion;
    std::vector<STransactionRecord> m_liveRecords;
    bool m_quit = false;
    // Written under the mutex beside m_work and m_completion, read without it: a thread
    // that has just handed work over watches these for a moment before it sleeps.
    std::atomic<std::uint64_t> m_workPosted{0};
    std::atomic<bool> m_completionReady{false};
    std::thread m_worker;
};
