// SPDX-License-Identifier: MIT
#include "CServedClient.h"

#include "CBusJob.h"

#include <QLocalSocket>

struct CServedClient::SLockState
{};

CServedClient::CServedClient(CBusServer &server, CBusSession &session, QLocalSocket *socket,
                             SBusPeer peer)
    : m_server(server)
    , m_session(session)
    , m_socket(socket)
    , m_peer(peer)
{}

CServedClient::~CServedClient() = default;
