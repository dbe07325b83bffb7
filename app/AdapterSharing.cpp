// SPDX-License-Identifier: MIT
#include "AdapterSharing.h"

#include "CBusServer.h"
#include "CBusSession.h"

#include <QAction>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_SHARE_ADAPTER = u"bus/shareAdapter"_s;

} // namespace

AdapterSharing::AdapterSharing(CBusSession &session, QAction *share, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_share(share)
    , m_server(new CBusServer(session, this))
{
    m_share->setCheckable(true);
    m_share->setChecked(QSettings().value(SETTINGS_SHARE_ADAPTER, true).toBool());
    connect(m_share, &QAction::toggled, this, &AdapterSharing::onShareToggled);
    connect(m_server, &CBusServer::clientsChanged, this, &AdapterSharing::sharingChanged);
    connect(m_server, &CBusServer::clientRecord, this, &AdapterSharing::clientRecord);
    connect(m_server, &CBusServer::serverMessage, this, &AdapterSharing::statusMessage);
}

AdapterSharing::~AdapterSharing()
{
    shutdown();
}

void AdapterSharing::shutdown()
{
    if (m_server == nullptr)
        return;
    m_server->disconnect(this);
    m_server->Stop();
    delete m_server;
    m_server = nullptr;
}

bool AdapterSharing::isServing() const
{
    return m_server != nullptr && m_server->IsServing();
}

int AdapterSharing::clientCount() const
{
    return isServing() ? m_server->ClientCount() : 0;
}

void AdapterSharing::update()
{
    if (m_server == nullptr)
        return;
    const bool wasServing = m_server->IsServing();
    if (!m_session.IsConnected())
        m_startFailed = false;
    const bool wanted = m_share->isChecked() && m_session.IsConnected() && !m_session.IsRemote();
    if (!wanted && wasServing) {
        m_server->Stop();
    } else if (wanted && !wasServing && !m_startFailed) {
        if (!m_server->Start()) {
            m_startFailed = true;
            Q_EMIT statusMessage(tr("The adapter cannot be shared: %1")
                                     .arg(QString::fromStdString(m_server->GetLastError())));
        }
    }
    if (m_server->IsServing() != wasServing)
        Q_EMIT sharingChanged();
}

void AdapterSharing::onShareToggled(bool checked)
{
    QSettings().setValue(SETTINGS_SHARE_ADAPTER, checked);
    m_startFailed = false;
    update();
}
