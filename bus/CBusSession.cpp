// SPDX-License-Identifier: MIT
#include "CBusSession.h"

#include "BusServerDirectory.h"
#include "CDirectBusContext.h"
#include "CRemoteBus.h"
#include "CTransactionControl.h"
#include "CTransactionExecutor.h"
#include "CVtlDeviceFactory.h"
#include "CVtlI2c.h"
#include "FailureText.h"

#include <QSocketNotifier>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace {

constexpr int PRESENCE_INTERVAL_MS = 1000;

// How long a thread that has handed work to the other one watches for the answer before it
// sleeps: waking a sleeping thread costs tens of microseconds on an idle machine, more than
// a whole transaction on a simulated or fast adapter.
constexpr auto SPIN_BEFORE_SLEEP = std::chrono::microseconds(50);

template <typename Busy>
void spinWhile(Busy busy)
{
    const auto until = std::chrono::steady_clock::now() + SPIN_BEFORE_SLEEP;
    while (busy() && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}

std::size_t QueueIndex(EBusPriority priority)
{
    return static_cast<std::size_t>(priority);
}

} // namespace

void CBusJob::Cancel()
{
    if (m_state == EState::Finished)
        return;
    m_control.RequestCancel();
    if (m_state == EState::Queued && m_session != nullptr)
        m_session->cancelQueued(this);
}

CBusSession::CBusSession(QObject *parent)
    : QObject(parent)
{
    m_presenceTimer.setInterval(PRESENCE_INTERVAL_MS);
    connect(&m_presenceTimer, &QTimer::timeout, this, &CBusSession::onPresenceTimer);
}

CBusSession::~CBusSession()
{
    Disconnect();
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        ++m_workPosted;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

bool CBusSession::Connect(const SVtlDeviceEntry &entry, EI2cSpeed speed,
                          std::optional<bool> pullUps)
{
    // An adapter another program serves is reached through its server. The server's speed
    // and pull-ups stand: every program that connects would otherwise reset them to its
    // own defaults under the others; StartSetSpeed changes them for all on purpose.
    // A server in this very thread (the window reconnecting the adapter it shares) could
    // not answer while this call waits for it; the adapter is opened as before.
    const std::optional<SBusServerOwner> owner = BusServerDirectory::FindServer(entry.serial);
    if (owner && !BusServerDirectory::IsServedFromThisThread(owner->socketPath))
        return connectRemote(owner->socketPath);
    std::unique_ptr<CVtlI2c> driver = CVtlDeviceFactory::Create(entry.type);
    if (!driver) {
        m_lastError = "Unknown adapter model";
        m_lastErrorKind = EFailureKind::InvalidArgument;
        return false;
    }
    // Set before connecting, so the choice goes out with the configuration.
    if (pullUps && driver->HasPullUpSwitch())
        driver->SetPullUpsEnabled(*pullUps);
    if (!driver->Connect(entry.serial, speed)) {
        m_lastError = driver->GetLastError();
        m_lastErrorKind = driver->GetLastErrorKind();
        return false;
    }
    if (hasBus()) {
        stopWorkerJob();
        releaseDriver();
    }
    m_driver = std::move(driver);
    m_info = SBusAdapterInfo::FromDriver(*m_driver, entry.type);
    m_presenceDue = false;
    m_presenceTimer.start();
    Q_EMIT stateChanged();
    return true;
}

void CBusSession::Disconnect()
{
    if (!hasBus() && !m_running && !IsBusy())
        return;
    stopWorkerJob();
    releaseDriver();
    Q_EMIT stateChanged();
}

bool CBusSession::IsBusy() const
{
    if (m_running)
        return true;
    return std::any_of(m_queues.begin(), m_queues.end(),
                       [](const auto &queue) { return !queue.empty(); });
}

std::shared_ptr<CBusJob> CBusSession::newJob(EBusPriority priority, bool blocking,
                                             const CTransactionControl *external)
{
    std::shared_ptr<CBusJob> job(new CBusJob(m_nextId++, priority, blocking, external));
    job->m_session = this;
    return job;
}

std::shared_ptr<CBusJob> CBusSession::Start(const STransactionRequest &request,
                                            EBusPriority priority)
{
    std::shared_ptr<CBusJob> job = newJob(priority, false, nullptr);
    job->m_request = request;
    return enqueue(std::move(job));
}

std::shared_ptr<CBusJob> CBusSession::Start(BusProcedure procedure, EBusPriority priority)
{
    std::shared_ptr<CBusJob> job = newJob(priority, false, nullptr);
    job->m_procedure = std::move(procedure);
    return enqueue(std::move(job));
}

std::shared_ptr<CBusJob> CBusSession::StartSetSpeed(EI2cSpeed speed)
{
    std::shared_ptr<CBusJob> job = newJob(EBusPriority::User, false, nullptr);
    job->m_setSpeed = speed;
    job->m_driverWork = [speed](CVtlI2c &driver) {
        SBusProcedureResult result;
        result.ok = driver.SetSpeed(speed);
        if (!result.ok) {
            result.error = driver.GetLastError();
            result.failure = driver.GetLastErrorKind();
        }
        return result;
    };
    return enqueue(std::move(job));
}

std::shared_ptr<CBusJob> CBusSession::StartSetPullUps(bool enabled)
{
    std::shared_ptr<CBusJob> job = newJob(EBusPriority::User, false, nullptr);
    job->m_setPullUps = enabled;
    job->m_driverWork = [enabled](CVtlI2c &driver) {
        SBusProcedureResult result;
        result.ok = driver.SetPullUpsEnabled(enabled);
        if (!result.ok) {
            result.error = driver.GetLastError();
            result.failure = driver.GetLastErrorKind();
        }
        return result;
    };
    return enqueue(std::move(job));
}

bool CBusSession::TryLockBus(std::chrono::milliseconds hold)
{
    std::shared_ptr<CBusJob> job = newJob(EBusPriority::User, true, nullptr);
    job->m_lockHoldMs = static_cast<std::uint32_t>(std::max<std::int64_t>(hold.count(), 1));
    enqueue(job);
    Wait(job);
    return job->Result().ok;
}

void CBusSession::UnlockBus()
{
    std::shared_ptr<CBusJob> job = newJob(EBusPriority::User, true, nullptr);
    job->m_unlock = true;
    enqueue(job);
    Wait(job);
}

STransactionRecord CBusSession::Run(const STransactionRequest &request,
                                    const CTransactionControl *control)
{
    std::shared_ptr<CBusJob> job = newJob(EBusPriority::User, true, control);
    job->m_request = request;
    enqueue(job);
    Wait(job);
    return *job->Record();
}

SBusProcedureResult CBusSession::RunProcedure(BusProcedure procedure,
                                              const CTransactionControl *control,
                                              std::vector<STransactionRecord> *records)
{
    std::shared_ptr<CBusJob> job = newJob(EBusPriority::User, true, control);
    job->m_procedure = std::move(procedure);
    job->m_keepRecords = records != nullptr;
    enqueue(job);
    Wait(job);
    if (records != nullptr)
        *records = job->Records();
    return job->Result();
}

std::shared_ptr<CBusJob> CBusSession::enqueue(std::shared_ptr<CBusJob> job)
{
    if (!hasBus()) {
        finishUnrun(job, EFailureKind::AdapterGone, false);
        return job;
    }
    m_queues[QueueIndex(job->m_priority)].push_back(job);
    dispatch();
    return job;
}

void CBusSession::dispatch()
{
    if (m_running || !hasBus())
        return;
    if (m_presenceDue && m_driver != nullptr) {
        m_presenceDue = false;
        if (!m_driver->IsPresent()) {
            handleLoss();
            return;
        }
    }
    for (auto queue = m_queues.rbegin(); queue != m_queues.rend(); ++queue) {
        if (queue->empty())
            continue;
        m_running = queue->front();
        queue->pop_front();
        break;
    }
    // While a job runs the worker reads the server's frames; between jobs the session does.
    if (m_remoteNotifier)
        m_remoteNotifier->setEnabled(!m_running);
    if (!m_running)
        return;
    m_running->m_state = CBusJob::EState::Running;
    {
        const std::lock_guard lock(m_mutex);
        m_work = m_running;
        m_completion.reset();
        m_completionReady = false;
        ++m_workPosted;
        m_liveRecords.clear();
        // The thread starts with the first job and then waits for the next one.
        if (!m_worker.joinable())
            m_worker = std::thread(&CBusSession::workerLoop, this);
    }
    m_wake.notify_one();
    Q_EMIT m_running->started();
}

void CBusSession::Wait(const std::shared_ptr<CBusJob> &job)
{
    while (!job->IsFinished()) {
        if (!m_running) {
            // Nothing runs, yet the job waits: only a missing connection can hold it.
            dispatch();
            if (!m_running && !job->IsFinished()) {
                takeQueued(job.get());
                finishUnrun(job, EFailureKind::AdapterGone, false);
            }
            continue;
        }
        spinWhile([this] { return !m_completionReady; });
        {
            std::unique_lock lock(m_mutex);
            m_done.wait(lock, [this] { return m_completion.has_value(); });
        }
        takeCompletion();
    }
}

bool CBusSession::takeCompletion()
{
    std::optional<SCompletion> completion;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_completion)
            return false;
        completion = std::exchange(m_completion, std::nullopt);
        m_completionReady = false;
        m_work.reset();
    }
    drainRecords();
    std::shared_ptr<CBusJob> job = std::exchange(m_running, nullptr);
    finishJob(job, std::move(*completion));
    return true;
}

void CBusSession::drainRecords()
{
    if (!m_running)
        return;
    std::vector<STransactionRecord> records;
    {
        const std::lock_guard lock(m_mutex);
        records.swap(m_liveRecords);
    }
    const std::shared_ptr<CBusJob> job = m_running;
    for (STransactionRecord &record : records) {
        job->m_records.push_back(std::move(record));
        Q_EMIT job->transactionDone(job->m_records.back());
    }
}

void CBusSession::finishJob(const std::shared_ptr<CBusJob> &job, SCompletion completion)
{
    job->m_result = std::move(completion.result);
    if (completion.info)
        m_info = *completion.info;
    job->m_state = CBusJob::EState::Finished;
    job->m_session = nullptr;
    if (!completion.present) {
        job->m_adapterLost = true;
        handleLoss();
    } else if (completion.info) {
        Q_EMIT stateChanged();
    }
    Q_EMIT job->finished();
    dispatch();
}

void CBusSession::finishUnrun(const std::shared_ptr<CBusJob> &job, EFailureKind failure, bool lost)
{
    job->m_state = CBusJob::EState::Finished;
    job->m_session = nullptr;
    job->m_adapterLost = lost;
    job->m_result.ok = false;
    job->m_result.cancelled = failure == EFailureKind::Cancelled;
    job->m_result.error = FailureText::Text(failure);
    job->m_result.failure = failure;
    if (job->m_request) {
        STransactionRecord record;
        record.request = *job->m_request;
        record.cancelled = job->m_result.cancelled;
        record.lastError = job->m_result.error;
        record.failure = failure;
        job->m_records.push_back(record);
        Q_EMIT job->transactionDone(job->m_records.back());
    }
    Q_EMIT job->finished();
}

std::shared_ptr<CBusJob> CBusSession::takeQueued(CBusJob *job)
{
    for (auto &queue : m_queues) {
        const auto found = std::find_if(queue.begin(), queue.end(),
                                        [job](const auto &queued) { return queued.get() == job; });
        if (found == queue.end())
            continue;
        std::shared_ptr<CBusJob> held = *found;
        queue.erase(found);
        return held;
    }
    return nullptr;
}

void CBusSession::cancelQueued(CBusJob *job)
{
    if (const std::shared_ptr<CBusJob> held = takeQueued(job))
        finishUnrun(held, EFailureKind::Cancelled, false);
}

void CBusSession::handleLoss()
{
    // Stopped first, so that it cannot report the same loss again while clients react.
    m_presenceTimer.stop();
    m_presenceDue = false;
    releaseDriver();
    Q_EMIT stateChanged();
    Q_EMIT connectionLost();
}

void CBusSession::stopWorkerJob()
{
    // What waits never reaches the bus; what runs is asked to stop and awaited.
    for (auto &queue : m_queues) {
        while (!queue.empty()) {
            const std::shared_ptr<CBusJob> job = queue.front();
            queue.pop_front();
            finishUnrun(job, EFailureKind::Cancelled, false);
        }
    }
    if (m_running) {
        const std::shared_ptr<CBusJob> running = m_running;
        running->m_control.RequestCancel();
        Wait(running);
    }
}

void CBusSession::releaseDriver()
{
    m_presenceTimer.stop();
    for (auto &queue : m_queues) {
        while (!queue.empty()) {
            const std::shared_ptr<CBusJob> job = queue.front();
            queue.pop_front();
            finishUnrun(job, EFailureKind::AdapterGone, true);
        }
    }
    // The worker has let go of the driver: a job that ran has delivered its end by now.
    m_driver.reset();
    m_remoteNotifier.reset();
    m_remote.reset();
    m_heldLockTag = 0;
}

void CBusSession::CheckPresence()
{
    if (m_remote != nullptr) {
        if (!m_running)
            onRemoteReadable();
        return;
    }
    if (m_driver == nullptr)
        return;
    if (m_running) {
        m_presenceDue = true;
        return;
    }
    if (!m_driver->IsPresent())
        handleLoss();
}

void CBusSession::onPresenceTimer()
{
    CheckPresence();
}

void CBusSession::SetOrigin(std::string program)
{
    m_origin = std::move(program);
}

void CBusSession::SetClock(CBusClock *clock)
{
    m_clock = clock != nullptr ? clock : &m_steadyClock;
}

void CBusSession::workerLoop()
{
    std::unique_lock lock(m_mutex);
    const auto workWaiting = [this] {
        return m_quit || (m_work && !m_completion);
    };
    for (;;) {
        if (!workWaiting()) {
            // The caller that just got an answer often asks again at once.
            const std::uint64_t seen = m_workPosted;
            lock.unlock();
            spinWhile([this, seen] { return m_workPosted == seen; });
            lock.lock();
        }
        m_wake.wait(lock, workWaiting);
        if (m_quit)
            return;
        const std::shared_ptr<CBusJob> job = m_work;
        CVtlI2c *driver = m_driver.get();
        lock.unlock();

        SCompletion completion;
        if (driver != nullptr)
            runOnWorker(*job, *driver, completion);
        else
            runRemote(*job, completion);

        lock.lock();
        m_completion = std::move(completion);
        m_completionReady = true;
        m_done.notify_all();
        // A caller that blocks in Wait takes the completion itself; this finds it gone.
        if (!job->m_blocking) {
            QMetaObject::invokeMethod(
                this, [this] { takeCompletion(); }, Qt::QueuedConnection);
        }
    }
}

void CBusSession::runOnWorker(CBusJob &job, CVtlI2c &driver, SCompletion &completion)
{
    const bool post = !job.m_blocking;
    const auto keep = [this, post, kept = job.m_keepRecords](const STransactionRecord &record) {
        if (!kept)
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_liveRecords.push_back(record);
        }
        if (post)
            QMetaObject::invokeMethod(
                this, [this] { drainRecords(); }, Qt::QueuedConnection);
    };
    // A failure of an adapter that has gone is told as that, whatever the driver saw of it
    // (a time-out, or the system's error of a write).
    const auto explainLoss = [&driver, &completion](bool check, bool failed,
                                                    EFailureKind &failure) {
        if (!check)
            return;
        completion.present = driver.IsPresent();
        if (failed && !completion.present && failure != EFailureKind::Cancelled)
            failure = EFailureKind::AdapterGone;
    };
    if (job.m_request) {
        STransactionRecord record =
            CTransactionExecutor::Execute(driver, *job.m_request, &job.m_control);
        // A search fails no transaction of its own, yet a missing adapter silences it too.
        explainLoss(!record.ok || job.m_request->kind == ETransactionKind::Search, !record.ok,
                    record.failure);
        completion.result.ok = record.ok;
        completion.result.cancelled = record.cancelled;
        completion.result.error = record.lastError;
        completion.result.failure = record.failure;
        {
            const std::lock_guard lock(m_mutex);
            m_liveRecords.push_back(std::move(record));
        }
    } else if (job.m_procedure) {
        CDirectBusContext context(driver, m_info, &job.m_control, m_clock);
        context.SetRecordHandler(keep);
        completion.result = job.m_procedure(context);
        explainLoss(!completion.result.ok, !completion.result.ok, completion.result.failure);
    } else if (job.m_driverWork) {
        completion.result = job.m_driverWork(driver);
        SBusAdapterInfo info = m_info;
        info.speed = driver.GetSpeed();
        info.pullUpsEnabled = driver.GetPullUpsEnabled();
        completion.info = info;
        explainLoss(!completion.result.ok, !completion.result.ok, completion.result.failure);
    }
}
