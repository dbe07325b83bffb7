// SPDX-License-Identifier: MIT
#include "CServedClient.h"

#include "CBusJob.h"
#include "CBusServer.h"
#include "CBusSession.h"
#include "FailureText.h"

#include <QLocalSocket>
#include <QTimer>

#include <chrono>
#include <limits>
#include <unistd.h>

namespace {

// How often a held lock looks at its job's cancel request while it waits for requests.
constexpr auto LOCK_POLL = std::chrono::milliseconds(10);
constexpr int HELLO_TIMEOUT_MS = 5000;
// A program names itself in a few words; more is no name.
constexpr std::size_t MAX_PROGRAM_CHARS = 64;

STransactionRecord Refused(const STransactionRequest &request, EFailureKind kind,
                           const std::string &text)
{
    STransactionRecord record;
    record.request = request;
    record.failure = kind;
    record.cancelled = kind == EFailureKind::Cancelled;
    record.lastError = text;
    return record;
}

} // namespace

// What the server's thread and the session's worker share about a held lock: the client's
// requests in order, and whether the client has let go.
struct CServedClient::SLockState
{
    std::uint32_t tag = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<std::uint32_t, STransactionRequest>> queue;
    // Tags of the requests the worker took, in the order their records come back.
    std::deque<std::uint32_t> taken;
    bool released = false;
    bool timedOut = false;
};

CServedClient::CServedClient(CBusServer &server, CBusSession &session, QLocalSocket *socket,
                             SBusPeer peer)
    : m_server(server)
    , m_session(session)
    , m_socket(socket)
    , m_peer(peer)
{
    m_socket->setParent(this);
    connect(m_socket, &QLocalSocket::readyRead, this, &CServedClient::onReadyRead);
    connect(m_socket, &QLocalSocket::disconnected, this, &CServedClient::onDisconnected);
    // Bytes that came with the connection raise no readyRead of their own.
    QMetaObject::invokeMethod(this, &CServedClient::onReadyRead, Qt::QueuedConnection);
    // A connection that never says hello would hold a client's place for good.
    QTimer::singleShot(HELLO_TIMEOUT_MS, this, [this] {
        if (!m_welcomed)
            close(QStringLiteral("closed: it did not say hello"));
    });
}

CServedClient::~CServedClient()
{
    Abandon();
}

void CServedClient::onReadyRead()
{
    if (m_closed)
        return;
    const QByteArray bytes = m_socket->readAll();
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    std::size_t offset = 0;
    while (!m_closed && offset < m_buffer.size()) {
        BusFrames::SDecodeResult decoded =
            BusFrames::Decode(m_buffer.data() + offset, m_buffer.size() - offset);
        if (decoded.status == BusFrames::EDecodeStatus::Incomplete)
            break;
        if (decoded.status == BusFrames::EDecodeStatus::Malformed) {
            close(QStringLiteral("closed for a bad frame (%1)")
                      .arg(QString::fromStdString(decoded.error)));
            return;
        }
        offset += decoded.consumed;
        handle(decoded.frame);
    }
    if (!m_closed)
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(offset));
}

void CServedClient::onDisconnected()
{
    if (m_closed)
        return;
    m_closed = true;
    Abandon();
    m_server.removeClient(this);
}

void CServedClient::handle(const BusFrames::SFrame &frame)
{
    using BusFrames::EFrameType;
    if (!m_welcomed) {
        if (frame.type == EFrameType::Hello)
            handleHello(frame);
        else
            close(QStringLiteral("closed: it did not say hello"));
        return;
    }
    switch (frame.type) {
    case EFrameType::Request:
        handleRequest(frame);
        break;
    case EFrameType::Cancel:
        handleCancel(frame.tag);
        break;
    case EFrameType::Lock:
        handleLock(frame);
        break;
    case EFrameType::Unlock:
        if (m_lock && m_lock->tag == frame.tag)
            releaseLock();
        break;
    case EFrameType::SetSpeed:
    case EFrameType::SetPullUps:
        handleChange(frame);
        break;
    default:
        close(QStringLiteral("closed: it sent a frame only a server sends"));
        break;
    }
}

void CServedClient::handleHello(const BusFrames::SFrame &frame)
{
    const std::uint16_t version = BusFrames::ChooseVersion(frame.versionMin, frame.versionMax);
    m_program = frame.program.substr(0, MAX_PROGRAM_CHARS);
    if (version == 0) {
        refuse("protocol versions " + std::to_string(frame.versionMin) + " to " +
               std::to_string(frame.versionMax) + " asked, this server speaks " +
               std::to_string(BusFrames::VERSION_MIN) + " to " +
               std::to_string(BusFrames::VERSION_MAX));
        return;
    }
    m_welcomed = true;
    BusFrames::SFrame welcome;
    welcome.type = BusFrames::EFrameType::Welcome;
    welcome.version = version;
    welcome.adapter = m_session.Info();
    welcome.program = m_server.m_program;
    welcome.pid = getpid();
    send(welcome);
    m_server.clientWelcomed();
}

void CServedClient::handleRequest(const BusFrames::SFrame &frame)
{
    const std::uint32_t tag = frame.tag;
    std::size_t pending = m_jobs.size();
    if (m_lock) {
        const std::lock_guard lock(m_lock->mutex);
        pending += m_lock->queue.size();
    }
    if (pending >= MAX_PENDING) {
        sendRecord(tag, Refused(frame.request, EFailureKind::Other,
                                "Too many requests waiting on the shared adapter"));
        return;
    }
    if (m_lock) {
        {
            const std::lock_guard lock(m_lock->mutex);
            m_lock->queue.emplace_back(tag, frame.request);
        }
        m_lock->wake.notify_one();
        return;
    }
    const std::shared_ptr<CBusJob> job = m_session.Start(frame.request, EBusPriority::Normal);
    if (job->IsFinished()) {
        sendRecord(tag, *job->Record());
        return;
    }
    m_jobs[tag] = job;
    connect(job.get(), &CBusJob::progressChanged, this, [this, tag](quint64 done, quint64 total) {
        BusFrames::SFrame progress;
        progress.type = BusFrames::EFrameType::Progress;
        progress.tag = tag;
        progress.done = done;
        progress.total = total;
        send(progress);
    });
    connect(job.get(), &CBusJob::finished, this, [this, tag] {
        const auto found = m_jobs.find(tag);
        if (found == m_jobs.end())
            return;
        const std::shared_ptr<CBusJob> done = found->second;
        m_jobs.erase(found);
        sendRecord(tag, *done->Record());
    });
}

void CServedClient::handleLock(const BusFrames::SFrame &frame)
{
    if (m_lock) {
        BusFrames::SFrame ended;
        ended.type = BusFrames::EFrameType::LockEnded;
        ended.tag = frame.tag;
        ended.text = "The bus is held already";
        send(ended);
        return;
    }
    auto state = std::make_shared<SLockState>();
    state->tag = frame.tag;
    const std::uint32_t timeoutMs = frame.timeoutMs;
    // Runs on the session's worker for as long as the client holds the bus: nothing else
    // reaches the bus meanwhile, and the client's requests run as they come.
    const BusProcedure hold = [state, timeoutMs](CBusContext &context) {
        const auto deadline = timeoutMs == 0 ? std::chrono::steady_clock::time_point::max()
                                             : std::chrono::steady_clock::now() +
                                                   std::chrono::milliseconds(timeoutMs);
        std::unique_lock lock(state->mutex);
        for (;;) {
            if (context.IsCancelRequested())
                return SBusProcedureResult::Cancelled();
            if (!state->queue.empty()) {
                auto [tag, request] = std::move(state->queue.front());
                state->queue.pop_front();
                state->taken.push_back(tag);
                lock.unlock();
                context.Execute(request);
                lock.lock();
                continue;
            }
            if (state->released)
                return SBusProcedureResult();
            if (std::chrono::steady_clock::now() >= deadline) {
                state->timedOut = true;
                return SBusProcedureResult();
            }
            state->wake.wait_for(lock, LOCK_POLL);
        }
    };
    m_lock = state;
    m_lockJob = m_session.Start(hold, EBusPriority::Normal);
    const std::shared_ptr<CBusJob> job = m_lockJob;
    const auto granted = [this, tag = frame.tag] {
        BusFrames::SFrame grant;
        grant.type = BusFrames::EFrameType::LockGranted;
        grant.tag = tag;
        send(grant);
    };
    if (job->State() == CBusJob::EState::Running)
        granted();
    connect(job.get(), &CBusJob::started, this, granted);
    connect(job.get(), &CBusJob::transactionDone, this,
            [this, state](const STransactionRecord &record) {
                std::uint32_t tag = 0;
                {
                    const std::lock_guard lock(state->mutex);
                    if (state->taken.empty())
                        return;
                    tag = state->taken.front();
                    state->taken.pop_front();
                }
                sendRecord(tag, record);
            });
    connect(job.get(), &CBusJob::finished, this, [this, job] { onLockEnded(job); });
    if (job->IsFinished())
        onLockEnded(job);
}

void CServedClient::onLockEnded(const std::shared_ptr<CBusJob> &job)
{
    if (!m_lock || m_lockJob != job)
        return;
    const std::shared_ptr<SLockState> state = std::exchange(m_lock, nullptr);
    m_lockJob.reset();
    std::deque<std::pair<std::uint32_t, STransactionRequest>> left;
    std::string why;
    {
        const std::lock_guard lock(state->mutex);
        left.swap(state->queue);
        why = state->timedOut    ? "The bus lock timed out"
              : job->Result().ok ? "Released"
                                 : job->Result().error;
    }
    BusFrames::SFrame ended;
    ended.type = BusFrames::EFrameType::LockEnded;
    ended.tag = state->tag;
    ended.text = why;
    send(ended);
    // Requests that came after the lock ran out take their turn like any other.
    const EFailureKind failure = job->Result().ok ? EFailureKind::None : job->Result().failure;
    for (auto &[tag, request] : left) {
        if (failure != EFailureKind::None) {
            sendRecord(tag, Refused(request, failure, FailureText::Text(failure)));
            continue;
        }
        BusFrames::SFrame frame;
        frame.type = BusFrames::EFrameType::Request;
        frame.tag = tag;
        frame.request = std::move(request);
        handleRequest(frame);
    }
}

void CServedClient::handleCancel(std::uint32_t tag)
{
    if (const auto found = m_jobs.find(tag); found != m_jobs.end()) {
        // Held: Cancel may finish the job at once, which removes it from the map.
        const std::shared_ptr<CBusJob> job = found->second;
        job->Cancel();
        return;
    }
    if (!m_lock)
        return;
    if (m_lock->tag == tag) {
        m_lockJob->Cancel();
        return;
    }
    std::optional<STransactionRequest> dropped;
    {
        const std::lock_guard lock(m_lock->mutex);
        for (auto it = m_lock->queue.begin(); it != m_lock->queue.end(); ++it) {
            if (it->first == tag) {
                dropped = std::move(it->second);
                m_lock->queue.erase(it);
                break;
            }
        }
    }
    if (dropped)
        sendRecord(tag, Refused(*dropped, EFailureKind::Cancelled,
                                FailureText::Text(EFailureKind::Cancelled)));
    // A request the held bus is running now finishes: it is short, and the lock's owner
    // decides what follows it.
}

void CServedClient::handleChange(const BusFrames::SFrame &frame)
{
    const std::shared_ptr<CBusJob> job = frame.type == BusFrames::EFrameType::SetSpeed
                                             ? m_session.StartSetSpeed(frame.speed)
                                             : m_session.StartSetPullUps(frame.enabled);
    const auto answer = [this, tag = frame.tag, job] {
        BusFrames::SFrame result;
        result.type = BusFrames::EFrameType::Result;
        result.tag = tag;
        result.ok = job->Result().ok;
        result.cancelled = job->Result().cancelled;
        result.failure = job->Result().failure;
        result.text = job->Result().error;
        send(result);
    };
    if (job->IsFinished())
        answer();
    else
        connect(job.get(), &CBusJob::finished, this, answer);
}

void CServedClient::sendRecord(std::uint32_t tag, STransactionRecord record)
{
    record.originProgram = m_program;
    record.originPid = m_peer.pid;
    BusFrames::SFrame frame;
    frame.type = BusFrames::EFrameType::Record;
    frame.tag = tag;
    frame.record = record;
    send(frame);
    Q_EMIT m_server.clientRecord(record);
}

void CServedClient::send(const BusFrames::SFrame &frame)
{
    if (m_closed)
        return;
    const std::vector<unsigned char> bytes = BusFrames::Encode(frame);
    m_socket->write(reinterpret_cast<const char *>(bytes.data()),
                    static_cast<qint64>(bytes.size()));
    // Out now rather than when the event loop comes round: the client is waiting for it.
    m_socket->flush();
}

void CServedClient::SendAdapter()
{
    if (!m_welcomed)
        return;
    BusFrames::SFrame frame;
    frame.type = BusFrames::EFrameType::Adapter;
    frame.adapter = m_session.Info();
    send(frame);
}

void CServedClient::SendLost()
{
    if (m_welcomed && !m_closed) {
        BusFrames::SFrame frame;
        frame.type = BusFrames::EFrameType::Lost;
        send(frame);
    }
    Shutdown();
}

void CServedClient::Shutdown()
{
    m_closed = true;
    Abandon();
    m_socket->disconnectFromServer();
}

void CServedClient::refuse(const std::string &text)
{
    BusFrames::SFrame frame;
    frame.type = BusFrames::EFrameType::Refusal;
    frame.text = text;
    send(frame);
    close(QStringLiteral("refused: %1").arg(QString::fromStdString(text)));
}

void CServedClient::close(const QString &message)
{
    if (m_closed)
        return;
    const QString who = m_program.empty() ? QStringLiteral("A client (pid %1)").arg(m_peer.pid)
                                          : QStringLiteral("Client %1 (pid %2)")
                                                .arg(QString::fromStdString(m_program))
                                                .arg(m_peer.pid);
    Q_EMIT m_server.serverMessage(who + QLatin1Char(' ') + message);
    m_socket->flush();
    Shutdown();
    m_server.removeClient(this);
}

void CServedClient::releaseLock()
{
    if (!m_lock)
        return;
    {
        const std::lock_guard lock(m_lock->mutex);
        m_lock->released = true;
    }
    m_lock->wake.notify_one();
}

void CServedClient::Abandon()
{
    // A queued job never reaches the bus; a running one stops at its next report.
    std::map<std::uint32_t, std::shared_ptr<CBusJob>> jobs;
    jobs.swap(m_jobs);
    for (auto &[tag, job] : jobs) {
        disconnect(job.get(), nullptr, this, nullptr);
        // What a client that went away had running still shows in the owner's log.
        if (!m_program.empty() || m_peer.pid != 0) {
            connect(job.get(), &CBusJob::finished, &m_server,
                    [server = &m_server, job, program = m_program, pid = m_peer.pid] {
                        if (!job->Record())
                            return;
                        STransactionRecord record = *job->Record();
                        record.originProgram = program;
                        record.originPid = pid;
                        Q_EMIT server->clientRecord(record);
                    });
        }
        job->Cancel();
    }
    if (m_lock) {
        {
            const std::lock_guard lock(m_lock->mutex);
            m_lock->queue.clear();
            m_lock->released = true;
        }
        m_lock->wake.notify_one();
        disconnect(m_lockJob.get(), nullptr, this, nullptr);
        m_lockJob->Cancel();
        m_lock.reset();
        m_lockJob.reset();
    }
}
