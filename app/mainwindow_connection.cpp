// SPDX-License-Identifier: MIT
// Connecting, disconnecting, noticing a lost adapter, speed and pull-ups, and the
// state shown in actions and status bar. The bus session holds the connection.
#include "BusJobWaiter.h"
#include "CBusSession.h"
#include "CVtlAdapterAccess.h"
#include "CWatchScheduler.h"
#include "ConnectionStatus.h"
#include "MainWindowShared.h"
#include "devicedialog.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QIcon>
#include <QMessageBox>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace {

const QString ICON_CONNECTED = u":/icons/res/png/usb_green_32px.png"_s;
const QString ICON_DISCONNECTED = u":/icons/res/png/usb_grey_32px.png"_s;

EI2cSpeed speedOf(const QAction *action)
{
    return static_cast<EI2cSpeed>(action->data().toInt());
}

} // namespace

void MainWindow::updateUiState()
{
    const bool connected = isConnected();
    // While a transaction runs, nothing may start another one or touch the connection.
    const bool idle = !isTransactionRunning();
    const SBusAdapterInfo &adapter = m_session->Info();

    ui->actionConnect->setEnabled(!connected && idle);
    for (QWidget *widget : std::initializer_list<QWidget *>{ui->btn_i2c_search, ui->btn_write,
                                                            ui->btn_read, ui->btn_write_read})
        widget->setEnabled(connected && idle);
    for (QAction *action : {ui->actionDisconnect, ui->actionI2cSearch, ui->actionWriteRead})
        action->setEnabled(connected && idle);
    for (QAction *action : m_speedGroup->actions())
        action->setEnabled(idle && (!connected || adapter.IsSpeedSupported(speedOf(action))));
    ui->actionPullUps->setEnabled(idle && (!connected || adapter.hasPullUpSwitch));
    ui->actionConnect->setIcon(QIcon(connected ? ICON_CONNECTED : ICON_DISCONNECTED));

    m_status->show(connected ? &adapter : nullptr);
}

bool MainWindow::isConnected() const
{
    return m_session->IsConnected();
}

void MainWindow::handleConnectionLost()
{
    m_watch->stop();
    updateUiState();
    QMessageBox::critical(this, tr("Device"), tr("Connection to the Vantrel was lost."));
}

void MainWindow::onConnect()
{
    if (isTransactionRunning())
        return;
    DeviceDialog dialog(m_speedGroup->actions(), ui->actionPullUps->isChecked(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::optional<SVtlDeviceEntry> device = dialog.selectedDevice();
    if (!device)
        return;
    if (QAction *speedAction = dialog.selectedSpeedAction())
        speedAction->setChecked(true);
    ui->actionPullUps->setChecked(dialog.pullUpsEnabled());

    const QAction *speedAction = m_speedGroup->checkedAction();
    const EI2cSpeed speed = speedAction ? speedOf(speedAction) : EI2cSpeed::Speed100k;
    if (!m_session->Connect(*device, speed, ui->actionPullUps->isChecked())) {
        const std::string error = m_session->GetLastError();
        QString text = tr("Connect failed:\n%1").arg(QString::fromStdString(error));
        // The most common first obstacle on Linux: say what to do about it.
        if (CVtlAdapterAccess::IsPermissionDenied(error)) {
            text +=
                u"\n\n"_s + tr("The system denied access to the adapter.\n%1")
                                .arg(QString::fromStdString(CVtlAdapterAccess::PermissionHint()));
        }
        QMessageBox::critical(this, tr("Device"), text);
        return;
    }
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

void MainWindow::onPresenceTimer()
{
    m_session->CheckPresence();
}

bool MainWindow::runConfiguration(const std::shared_ptr<CBusJob> &job)
{
    BusJobWaiter::waitFor(*m_session, job, tr("Configuring the adapter..."), this);
    return job->Result().ok;
}

void MainWindow::onSpeedTriggered(QAction *action)
{
    if (!isConnected() || isTransactionRunning())
        return;
    const std::shared_ptr<CBusJob> job = m_session->StartSetSpeed(speedOf(action));
    if (runConfiguration(job)) {
        statusBar()->showMessage(tr("I2C speed set to %1").arg(action->text()), STATUS_MESSAGE_MS);
        return;
    }
    if (job->IsAdapterLost() || !isConnected())
        return;
    QMessageBox::critical(
        this, tr("I2C Speed"),
        tr("Setting the speed failed:\n%1").arg(QString::fromStdString(job->Result().error)));
    // The presence check may have dropped the adapter while the message was up.
    if (!isConnected())
        return;
    for (QAction *speedAction : m_speedGroup->actions()) {
        if (speedOf(speedAction) == m_session->Info().speed)
            speedAction->setChecked(true);
    }
}

void MainWindow::onPullUpsTriggered(bool checked)
{
    if (!isConnected() || isTransactionRunning() || !m_session->Info().hasPullUpSwitch)
        return;
    const std::shared_ptr<CBusJob> job = m_session->StartSetPullUps(checked);
    if (runConfiguration(job)) {
        statusBar()->showMessage(checked ? tr("Internal pull-ups enabled")
                                         : tr("Internal pull-ups disabled"),
                                 STATUS_MESSAGE_MS);
        return;
    }
    if (job->IsAdapterLost() || !isConnected())
        return;
    QMessageBox::critical(
        this, tr("Pull-ups"),
        tr("Switching the pull-ups failed:\n%1").arg(QString::fromStdString(job->Result().error)));
    if (isConnected())
        ui->actionPullUps->setChecked(m_session->Info().pullUpsEnabled);
}
