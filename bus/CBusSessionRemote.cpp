// SPDX-License-Identifier: MIT
// The bus session's client half: a session connected through another program's bus server.
#include "CBusSession.h"
#include "CRemoteBus.h"
#include "CRemoteBusContext.h"
#include "FailureText.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <fstream>

namespace {

// What a session tells a server it is when nobody has said otherwise: the process's name.
std::string ProcessName()
{
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? std::string("vtl-i2c") : name;
}

SBusProcedureResult ResultOf(const BusFrames::SFrame &frame)
{
    SBusProcedureResult result;
    result.ok = frame.ok;
    result.cancelled = frame.cancelled;
    result.failure = frame.failure;
    result.error = frame.text;
    return result;
}

SBusProcedureResult Gone()
{
    return {false, false, FailureText::Text(EFailureKind::AdapterGone), EFailureKind::AdapterGone};
}

} // namespace

bool CBusSession::connectRemote(const std::string &socketPath)
{
    if (m_origin.empty())
        m_origin = ProcessName();
    std::string error;
    EFailureKind kind = EFailureKind::None;
    std::unique_ptr<CRemoteBus> remote = CRemoteBus::Connect(socketPath, m_origin, error, kind);
    if (!remote) {
        m_lastError = error;
        m_lastErrorKind = kind;
        return false;
    }
    if (hasBus()) {
        stopWorkerJob();
        releaseDriver();
    }
    m_remote = std::move(remote);
    m_info = m_remote->Adapter();
    // Without an event loop (a script's thread) the loss is heard at the next job or
    // CheckPresence instead.
    if (QAbstractEventDispatcher::instance() != nullptr) {
        m_remoteNotifier = std::make_unique<QSocketNotifier>(m_remote->Fd(), QSocketNotifier::Read);
        connect(m_remoteNotifier.get(), &QSocketNotifier::activated, this,
                &CBusSession::onRemoteReadable);
    }
    // The server reports a loss itself; there is no adapter here to look for.
    m_presenceDue = false;
    Q_EMIT stateChanged();
    return true;
}

void CBusSession::onRemoteReadable()
{
    if (!m_remote || m_running)
        return;
    bool lost = false;
    bool changed = false;
    BusFrames::SFrame frame;
    for (;;) {
        const CRemoteBus::ERead read = m_remote->Read(frame, 0);
        if (read == CRemoteBus::ERead::Timeout)
            break;
        if (read == CRemoteBus::ERead::Closed || frame.type == BusFrames::EFrameType::Lost) {
            lost = true;
            break;
        }
        if (frame.type == BusFrames::EFrameType::Adapter) {
            m_info = frame.adapter;
            changed = true;
        } else if (frame.type == BusFrames::EFrameType::LockEnded && frame.tag == m_heldLockTag) {
            m_heldLockTag = 0;
        }
    }
    if (lost)
        handleLoss();
    else if (changed)
        Q_EMIT stateChanged();
}

void CBusSession::runRemote(CBusJob &job, SCompletion &completion)
{
    CRemoteBus &remote = *m_remote;
    SRemoteEvents events;
    if (job.m_request) {
        STransactionRecord record = remote.Transact(*job.m_request, &job.m_control, events);
        completion.result.ok = record.ok;
        completion.result.cancelled = record.cancelled;
        completion.result.error = record.lastError;
        completion.result.failure = record.failure;
        const std::lock_guard lock(m_mutex);
        m_liveRecords.push_back(std::move(record));
    } else if (job.m_lockHoldMs || job.m_unlock) {
        runRemoteLock(job, completion, events);
    } else if (job.m_procedure && m_heldLockTag != 0) {
        // The bus is held already: a second lock would be refused.
        CRemoteBusContext context(remote, events, m_info, &job.m_control, m_clock);
        context.SetRecordHandler(recordKeeper(job));
        completion.result = job.m_procedure(context);
    } else if (job.m_procedure) {
        // The procedure runs here while the server keeps every other program's transaction
        // off the bus; the lock has no time limit because the procedure's own length is
        // unknown, and the server releases it if this program goes away.
        BusFrames::SFrame lockFrame;
        lockFrame.type = BusFrames::EFrameType::Lock;
        lockFrame.tag = remote.NextTag();
        std::optional<BusFrames::SFrame> granted;
        if (remote.Send(lockFrame))
            granted = remote.Await(BusFrames::EFrameType::LockGranted, lockFrame.tag,
                                   &job.m_control, events);
        const bool ended = granted && granted->type == BusFrames::EFrameType::LockEnded;
        if (!granted) {
            completion.result = Gone();
        } else if (ended || job.m_control.IsCancelRequested()) {
            completion.result = SBusProcedureResult::Cancelled();
        } else {
            CRemoteBusContext context(remote, events, m_info, &job.m_control, m_clock);
            context.SetRecordHandler(recordKeeper(job));
            completion.result = job.m_procedure(context);
            if (events.lost && !completion.result.ok && !completion.result.cancelled)
                completion.result.failure = EFailureKind::AdapterGone;
        }
        // A lock still on its way (cancelled before it came) is ended the same way.
        BusFrames::SFrame unlock;
        unlock.type = BusFrames::EFrameType::Unlock;
        unlock.tag = lockFrame.tag;
        if (!events.lost && !ended && remote.Send(unlock))
            remote.Await(BusFrames::EFrameType::LockEnded, lockFrame.tag, nullptr, events);
    } else if (job.m_setSpeed || job.m_setPullUps) {
        BusFrames::SFrame change;
        change.type =
            job.m_setSpeed ? BusFrames::EFrameType::SetSpeed : BusFrames::EFrameType::SetPullUps;
        change.tag = remote.NextTag();
        change.speed = job.m_setSpeed.value_or(EI2cSpeed::Speed100k);
        change.enabled = job.m_setPullUps.value_or(false);
        std::optional<BusFrames::SFrame> answer;
        if (remote.Send(change))
            answer = remote.Await(BusFrames::EFrameType::Result, change.tag, nullptr, events);
        completion.result = answer ? ResultOf(*answer) : Gone();
        completion.info = events.adapter.value_or(m_info);
    }
    if (events.adapter && !completion.info)
        completion.info = events.adapter;
    if (events.endedLock != 0 && events.endedLock == m_heldLockTag)
        m_heldLockTag = 0;
    completion.present = !events.lost;
}

std::function<void(const STransactionRecord &)> CBusSession::recordKeeper(const CBusJob &job)
{
    return
        [this, post = !job.m_blocking, kept = job.m_keepRecords](const STransactionRecord &record) {
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
}

void CBusSession::runRemoteLock(CBusJob &job, SCompletion &completion, SRemoteEvents &events)
{
    CRemoteBus &remote = *m_remote;
    BusFrames::SFrame frame;
    frame.type = job.m_unlock ? BusFrames::EFrameType::Unlock : BusFrames::EFrameType::Lock;
    if (job.m_unlock) {
        // A lock the server ended by its time is released already; its end is not awaited.
        frame.tag = std::exchange(m_heldLockTag, 0);
        if (frame.tag != 0 && remote.Send(frame))
            remote.Await(BusFrames::EFrameType::LockEnded, frame.tag, nullptr, events);
        return;
    }
    if (m_heldLockTag != 0)
        return;
    frame.tag = remote.NextTag();
    frame.timeoutMs = *job.m_lockHoldMs;
    std::optional<BusFrames::SFrame> answer;
    if (remote.Send(frame))
        answer =
            remote.Await(BusFrames::EFrameType::LockGranted, frame.tag, &job.m_control, events);
    if (!answer) {
        completion.result = Gone();
    } else if (answer->type != BusFrames::EFrameType::LockGranted) {
        completion.result = {false, false, answer->text, EFailureKind::Other};
    } else {
        m_heldLockTag = frame.tag;
    }
}
