// SPDX-License-Identifier: MIT
#pragma once

#include "BusFrames.h"
#include "BusPeerCredentials.h"
#include "CBusContext.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CBusJob;
class CBusServer;
class CBusSession;
class QLocalSocket;

// One program connected to a bus server: its socket, its frames, its jobs on the session
// and its bus lock. Lives in the server's thread.
class CServedClient : public QObject
{
    Q_OBJECT

public:
    CServedClient(CBusServer &server, CBusSession &session, QLocalSocket *socket, SBusPeer peer);
    ~CServedClient() override;

    // Ends what the client left running: queued jobs cancelled, the lock released.
    void Abandon();
    // Tells the client the adapter is gone and closes it.
    void SendLost();
    // Closes it, its work ended as by Abandon.
    void Shutdown();
    void SendAdapter();
    bool IsClosed() const { return m_closed; }
    bool IsWelcomed() const { return m_welcomed; }
    const std::string &Program() const { return m_program; }
    std::int64_t Pid() const { return m_peer.pid; }

    // How many requests of one client may wait or run at once.
    static constexpr std::size_t MAX_PENDING = 64;

private:
    struct SLockState;

    void onReadyRead();
    void onDisconnected();
    void handle(const BusFrames::SFrame &frame);
    void handleHello(const BusFrames::SFrame &frame);
    void handleRequest(const BusFrames::SFrame &frame);
    void handleLock(const BusFrames::SFrame &frame);
    void handleCancel(std::uint32_t tag);
    void handleUnlock();
    void handleChange(const BusFrames::SFrame &frame);
    void send(const BusFrames::SFrame &frame);
    void refuse(const std::string &text);
    void close(const QString &message);
    void sendRecord(std::uint32_t tag, STransactionRecord record);
    void releaseLock();
    void onLockEnded(const std::shared_ptr<CBusJob> &job);

    CBusServer &m_server;
    CBusSession &m_session;
    QLocalSocket *m_socket;
    SBusPeer m_peer;
    std::string m_program;
    bool m_welcomed = false;
    bool m_closed = false;
    std::vector<unsigned char> m_buffer;
    // Requests on the session's queue, by tag.
    std::map<std::uint32_t, std::shared_ptr<CBusJob>> m_jobs;
    std::shared_ptr<SLockState> m_lock;
    std::shared_ptr<CBusJob> m_lockJob;
};
