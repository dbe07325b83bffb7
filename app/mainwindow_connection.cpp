// SPDX-License-Identifier: MIT
// Connecting, disconnecting, noticing a lost adapter, speed and pull-ups, and the
// state shown in actions and status bar. The bus session holds the connection.
#include "AdapterConnection.h"
#include "AdapterSharing.h"
#include "CBusSession.h"
#include "CWatchPart.h"
#include "ConnectionStatus.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QIcon>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

const QString ICON_CONNECTED = u":/icons/res/png/usb_green_32px.png"_s;
const QString ICON_DISCONNECTED = u":/icons/res/png/usb_grey_32px.png"_s;

} // namespace

void MainWindow::updateUiState()
{
    const bool connected = isConnected();
    // While a transaction runs, nothing may start another one or touch the connection.
    const bool idle = !isTransactionRunning();

    ui->actionConnect->setEnabled(!connected && idle);
    for (QWidget *widget : std::initializer_list<QWidget *>{ui->btn_i2c_search, ui->btn_write,
                                                            ui->btn_read, ui->btn_write_read})
        widget->setEnabled(connected && idle);
    for (QAction *action : {ui->actionDisconnect, ui->actionI2cSearch, ui->actionWriteRead})
        action->setEnabled(connected && idle);
    m_adapter->updateEnabled(connected, idle);
    ui->actionConnect->setIcon(QIcon(connected ? ICON_CONNECTED : ICON_DISCONNECTED));

    m_status->show(connected ? &m_session->Info() : nullptr);
    m_sharing->update();
    showSharing();
}

void MainWindow::showSharing()
{
    m_status->showSharing(m_sharing->isServing(), m_sharing->clientCount());
}

bool MainWindow::isConnected() const
{
    return m_session->IsConnected();
}

void MainWindow::handleConnectionLost()
{
    m_watch->stop();
    updateUiState();
    // The session still describes the adapter it lost, so the message can name it.
    const SBusAdapterInfo &lost = m_session->Info();
    QMessageBox box(QMessageBox::Critical, tr("Device"), tr("Connection to the Vantrel was lost."),
                    QMessageBox::Ok, this);
    box.setInformativeText(
        tr("Adapter: %1  SN %2")
            .arg(QString::fromStdWString(lost.typeName), QString::fromStdWString(lost.serial)));
    box.exec();
}

void MainWindow::onConnect()
{
    if (!isTransactionRunning() && m_adapter->connectFromDialog())
        updateUiState();
}

void MainWindow::onDisconnect()
{
    if (isTransactionRunning())
        return;
    m_watch->stop();
    m_session->Disconnect();
    updateUiState();
}

void MainWindow::onSpeedTriggered(QAction *action)
{
    if (!isTransactionRunning())
        m_adapter->setSpeed(action);
}

void MainWindow::onPullUpsTriggered(bool checked)
{
    if (!isTransactionRunning())
        m_adapter->setPullUps(checked);
}
