// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRecord.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class CBusSession;
class CServedClient;
class QLocalServer;

// Serves a connected CBusSession to other programs of the same user on a local socket.
// It lives in the thread of the session, which runs an event loop. Clients' transactions
// join the session's one queue at Normal priority (the owner's own user requests still go
// first, its watch after them); a client that holds the bus lock runs its transactions
// with nothing else in between until it releases it, its time runs out or it goes away.
// A client may change the shared speed and pull-ups: the change is queued like the
// owner's and every client hears the new configuration. When the session loses its
// adapter or disconnects, every client hears the loss once and the server stops.
// A held lock runs on the session's worker and takes its requests from this thread, so the
// owner waits for its own jobs by its event loop (the blocking Run would stall until the
// lock ends).
class CBusServer : public QObject
{
    Q_OBJECT

public:
    // Destroy it before the session.
    explicit CBusServer(CBusSession &session, QObject *parent = nullptr);
    // Stops serving and removes the socket.
    ~CBusServer() override;

    CBusServer(const CBusServer &) = delete;
    CBusServer &operator=(const CBusServer &) = delete;

    // The session must be connected. A socket left by a dead server is replaced; a live
    // server of the same adapter is not. False and GetLastError() on failure.
    bool Start();
    // Closes every client (their jobs cancelled, their lock released) and removes the socket.
    void Stop();
    bool IsServing() const;
    int ClientCount() const;
    std::string SocketPath() const;
    std::string GetLastError() const { return m_lastError; }

    // The program name the server gives clients about itself (default: this process's name).
    void SetProgram(std::string program) { m_program = std::move(program); }

    // How many programs may be connected at once.
    static constexpr int MAX_CLIENTS = 32;

Q_SIGNALS:
    void clientsChanged(int count);
    // A client's finished transaction, with originProgram and originPid filled in.
    void clientRecord(const STransactionRecord &record);
    // One line for the log or the status bar: a client refused, closed for a bad frame, ...
    void serverMessage(const QString &text);

private:
    friend class CServedClient;

    void onNewConnection();
    void onSessionState();
    void onConnectionLost();
    void removeClient(CServedClient *client);
    void clientWelcomed();
    void tellLoss();
    void broadcastAdapter();

    CBusSession &m_session;
    std::unique_ptr<QLocalServer> m_server;
    std::vector<std::unique_ptr<CServedClient>> m_clients;
    std::string m_socketPath;
    std::wstring m_serial;
    std::string m_program;
    std::string m_lastError;
    bool m_serving = false;
};
