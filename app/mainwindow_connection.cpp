// SPDX-License-Identifier: MIT
// Connecting, disconnecting, noticing a lost adapter, speed and pull-ups, and the
// state shown in actions and status bar.
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"
#include "CVtlI2c.h"
#include "MainWindowShared.h"
#include "devicedialog.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QIcon>
#include <QLabel>
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

    ui->actionConnect->setEnabled(!connected && idle);
    ui->actionDisconnect->setEnabled(connected && idle);
    ui->actionI2cSearch->setEnabled(connected && idle);
    ui->btn_i2c_search->setEnabled(connected && idle);
    ui->btn_write->setEnabled(connected && idle);
    ui->btn_read->setEnabled(connected && idle);
    ui->btn_write_read->setEnabled(connected && idle);
    ui->actionWriteRead->setEnabled(connected && idle);

    for (QAction *action : m_speedGroup->actions()) {
        const auto speed = static_cast<EI2cSpeed>(action->data().toInt());
        action->setEnabled(idle && (!connected || m_i2c->IsSpeedSupported(speed)));
    }
    ui->actionPullUps->setEnabled(idle && (!connected || m_i2c->HasPullUpSwitch()));
    ui->actionConnect->setIcon(QIcon(connected ? ICON_CONNECTED : ICON_DISCONNECTED));

    const QColor &color = connected ? STATUS_COLOR_ACTIVE : STATUS_COLOR_INACTIVE;
    const QString state = connected ? tr("Connected") : tr("No device connected");
    m_statusLabel->setText(
        u"<span style=\"color:%1; font-weight:bold\">%2</span>"_s.arg(color.name(), state));

    m_infoWidget->setVisible(connected);
    if (!connected)
        return;
    m_productLabel->setText(QString::fromStdWString(m_i2c->GetProductName()));
    m_serialLabel->setText(tr("SN %1").arg(QString::fromStdWString(m_i2c->GetSerialNumber())));
    m_firmwareLabel->setText(tr("FW %1").arg(uint(m_i2c->GetFirmware()), 4, 16, QChar(u'0')));
}

bool MainWindow::isConnected() const
{
    // The worker holds the device while it waits for a reply, so the driver is not asked
    // meanwhile; a transaction only ever runs on a connected driver.
    if (isBusBusy())
        return m_i2c != nullptr;
    return m_i2c != nullptr && m_i2c->IsConnected();
}

QString MainWindow::lastDriverError() const
{
    return m_i2c ? QString::fromStdString(m_i2c->GetLastError()) : QString();
}

bool MainWindow::checkConnectionLost()
{
    if (m_i2c != nullptr && m_i2c->IsPresent())
        return false;
    handleConnectionLost();
    return true;
}

void MainWindow::handleConnectionLost()
{
    stopWatch();
    // The timer stops first, so that it cannot report the loss again while the message
    // is up.
    m_presenceTimer.stop();
    m_i2c.reset();
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

    std::unique_ptr<CVtlI2c> driver = CVtlDeviceFactory::Create(device->type);
    if (!driver)
        return;
    // Set before connecting, so the choice goes out with the configuration.
    if (driver->HasPullUpSwitch())
        driver->SetPullUpsEnabled(ui->actionPullUps->isChecked());
    const QAction *speedAction = m_speedGroup->checkedAction();
    const EI2cSpeed speed = speedAction ? speedOf(speedAction) : EI2cSpeed::Speed100k;
    if (!driver->Connect(device->serial, speed)) {
        const std::string error = driver->GetLastError();
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
    m_i2c = std::move(driver);
    m_presenceTimer.start();
    updateUiState();
}

void MainWindow::onDisconnect()
{
    if (isTransactionRunning())
        return;
    stopWatch();
    m_presenceTimer.stop();
    m_i2c.reset();
    updateUiState();
}

void MainWindow::onPresenceTimer()
{
    if (isBusBusy()) {
        m_presenceCheckDue = true;
        return;
    }
    if (m_i2c != nullptr && m_i2c->IsConnected() && !m_i2c->IsPresent())
        handleConnectionLost();
}

void MainWindow::onSpeedTriggered(QAction *action)
{
    if (!isConnected() || isTransactionRunning())
        return;
    waitForWatchSample();
    if (m_i2c == nullptr)
        return;
    if (m_i2c->SetSpeed(speedOf(action))) {
        statusBar()->showMessage(tr("I2C speed set to %1").arg(action->text()), STATUS_MESSAGE_MS);
        return;
    }
    if (!m_i2c->IsPresent()) {
        handleConnectionLost();
        return;
    }
    QMessageBox::critical(this, tr("I2C Speed"),
                          tr("Setting the speed failed:\n%1").arg(lastDriverError()));
    // The presence timer may have dropped the adapter while the message was up.
    if (m_i2c == nullptr)
        return;
    for (QAction *speedAction : m_speedGroup->actions()) {
        if (speedOf(speedAction) == m_i2c->GetSpeed())
            speedAction->setChecked(true);
    }
}

void MainWindow::onPullUpsTriggered(bool checked)
{
    if (!isConnected() || isTransactionRunning())
        return;
    waitForWatchSample();
    if (m_i2c == nullptr || !m_i2c->HasPullUpSwitch())
        return;
    if (m_i2c->SetPullUpsEnabled(checked)) {
        statusBar()->showMessage(checked ? tr("Internal pull-ups enabled")
                                         : tr("Internal pull-ups disabled"),
                                 STATUS_MESSAGE_MS);
        return;
    }
    if (!m_i2c->IsPresent()) {
        handleConnectionLost();
        return;
    }
    QMessageBox::critical(this, tr("Pull-ups"),
                          tr("Switching the pull-ups failed:\n%1").arg(lastDriverError()));
    if (m_i2c != nullptr)
        ui->actionPullUps->setChecked(m_i2c->GetPullUpsEnabled());
}
