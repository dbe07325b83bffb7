// SPDX-License-Identifier: MIT
#include "CBusServer.h"

#include "CBusSession.h"
#include "CServedClient.h"

#include <QLocalServer>

CBusServer::CBusServer(CBusSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{}

CBusServer::~CBusServer()
{
    Stop();
}

bool CBusServer::Start()
{
    m_lastError = "Not built yet";
    return false;
}

void CBusServer::Stop() {}

bool CBusServer::IsServing() const
{
    return m_serving;
}

int CBusServer::ClientCount() const
{
    return static_cast<int>(m_clients.size());
}

std::string CBusServer::SocketPath() const
{
    return m_socketPath;
}

void CBusServer::onNewConnection() {}
void CBusServer::onSessionState() {}
void CBusServer::onConnectionLost() {}
void CBusServer::removeClient(CServedClient *) {}
void CBusServer::broadcastAdapter() {}
