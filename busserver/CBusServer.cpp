// SPDX-License-Identifier: MIT
#include "CBusServer.h"

#include "BusPeerCredentials.h"
#include "BusServerDirectory.h"
#include "CBusSession.h"
#include "CServedClient.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ProcessName()
{
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace

CBusServer::CBusServer(CBusSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_program(ProcessName())
{
    connect(&m_session, &CBusSession::stateChanged, this, &CBusServer::onSessionState);
    connect(&m_session, &CBusSession::connectionLost, this, &CBusServer::onConnectionLost);
}

CBusServer::~CBusServer()
{
    Stop();
}

bool CBusServer::Start()
{
    if (m_serving)
        return true;
    if (!m_session.IsConnected() || m_session.IsRemote()) {
        m_lastError = m_session.IsRemote() ? "The adapter is served by another program already"
                                           : "Not connected";
        return false;
    }
    const std::wstring &serial = m_session.Info().serial;
    const std::string path = BusServerDirectory::SocketPathFor(serial);
    if (path.empty()) {
        m_lastError = BusServerDirectory::GetLastError();
        return false;
    }
    if (const std::optional<SBusServerOwner> owner = BusServerDirectory::FindServer(serial)) {
        m_lastError = "The adapter is served by " + owner->program + " (pid " +
                      std::to_string(owner->pid) + ") already";
        return false;
    }
    // Nobody answers there: what is left is the socket of a server that died.
    const QString name = QString::fromStdString(path);
    QLocalServer::removeServer(name);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    server->setMaxPendingConnections(MAX_CLIENTS);
    if (!server->listen(name)) {
        m_lastError = "Cannot serve on " + path + ": " + server->errorString().toStdString();
        return false;
    }
    ::chmod(path.c_str(), 0600);
    connect(server.get(), &QLocalServer::newConnection, this, &CBusServer::onNewConnection);
    m_server = std::move(server);
    m_socketPath = path;
    m_serial = serial;
    m_serving = true;
    BusServerDirectory::NoteServing(m_socketPath, true);
    m_lastError.clear();
    return true;
}

void CBusServer::Stop()
{
    if (!m_serving)
        return;
    m_serving = false;
    const int before = ClientCount();
    // Stop may be reached from inside a client's own slot: the clients are closed now and
    // freed when the event loop comes round.
    for (std::unique_ptr<CServedClient> &client : m_clients) {
        client->Shutdown();
        client.release()->deleteLater();
    }
    m_clients.clear();
    if (m_server) {
        m_server->close();
        m_server.reset();
    }
    QLocalServer::removeServer(QString::fromStdString(m_socketPath));
    BusServerDirectory::NoteServing(m_socketPath, false);
    m_socketPath.clear();
    if (before != 0)
        Q_EMIT clientsChanged(0);
}

bool CBusServer::IsServing() const
{
    return m_serving;
}

int CBusServer::ClientCount() const
{
    return static_cast<int>(std::count_if(m_clients.begin(), m_clients.end(), [](const auto &c) {
        return c->IsWelcomed() && !c->IsClosed();
    }));
}

std::string CBusServer::SocketPath() const
{
    return m_socketPath;
}

void CBusServer::onNewConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QLocalSocket *socket = m_server->nextPendingConnection();
        const int fd = static_cast<int>(socket->socketDescriptor());
        std::string why;
        QString refusal;
        if (!BusPeerCredentials::IsSameUser(fd, &why))
            refusal = QStringLiteral("Refused a client of another user: %1")
                          .arg(QString::fromStdString(why));
        else if (static_cast<int>(m_clients.size()) >= MAX_CLIENTS)
            refusal = QStringLiteral("Refused a client: %1 are connected already").arg(MAX_CLIENTS);
        if (!refusal.isEmpty()) {
            Q_EMIT serverMessage(refusal);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const SBusPeer peer = BusPeerCredentials::PeerOf(fd).value_or(SBusPeer{});
        m_clients.push_back(std::make_unique<CServedClient>(*this, m_session, socket, peer));
    }
}

void CBusServer::clientWelcomed()
{
    Q_EMIT clientsChanged(ClientCount());
}

void CBusServer::removeClient(CServedClient *client)
{
    const auto found = std::find_if(m_clients.begin(), m_clients.end(),
                                    [client](const auto &held) { return held.get() == client; });
    if (found == m_clients.end())
        return;
    const bool counted = client->IsWelcomed();
    // It may be in the middle of its own slot: it goes when the event loop is back.
    found->release()->deleteLater();
    m_clients.erase(found);
    if (counted)
        Q_EMIT clientsChanged(ClientCount());
}

void CBusServer::onSessionState()
{
    if (!m_serving)
        return;
    // The socket is named after the adapter: another adapter is not the one served.
    if (!m_session.IsConnected() || m_session.IsRemote() || m_session.Info().serial != m_serial) {
        tellLoss();
        return;
    }
    for (const auto &client : m_clients)
        client->SendAdapter();
}

void CBusServer::onConnectionLost()
{
    if (m_serving)
        tellLoss();
}

void CBusServer::tellLoss()
{
    Q_EMIT serverMessage(QStringLiteral("The adapter has gone: stopped sharing it"));
    for (const auto &client : m_clients)
        client->SendLost();
    Stop();
}

void CBusServer::broadcastAdapter()
{
    for (const auto &client : m_clients)
        client->SendAdapter();
}
