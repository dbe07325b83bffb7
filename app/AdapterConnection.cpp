// SPDX-License-Identifier: MIT
#include "AdapterConnection.h"

#include "BusJobWaiter.h"
#include "CAdapterOpener.h"
#include "CBusSession.h"
#include "MainWindowShared.h"
#include "devicedialog.h"

#include <QActionGroup>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace {

EI2cSpeed speedOf(const QAction *action)
{
    return static_cast<EI2cSpeed>(action->data().toInt());
}

} // namespace

AdapterConnection::AdapterConnection(CBusSession &session,
                                     std::initializer_list<std::pair<QAction *, EI2cSpeed>> speeds,
                                     QAction *pullUps, QMainWindow *window)
    : QObject(window)
    , m_session(session)
    , m_speedGroup(new QActionGroup(window))
    , m_pullUps(pullUps)
    , m_window(window)
{
    m_speedGroup->setExclusive(true);
    for (const auto &[action, speed] : speeds) {
        action->setCheckable(true);
        action->setData(static_cast<int>(speed));
        m_speedGroup->addAction(action);
    }
    if (m_speedGroup->checkedAction() == nullptr) {
        for (const auto &[action, speed] : speeds)
            action->setChecked(speed == EI2cSpeed::Speed100k);
    }
    m_pullUps->setCheckable(true);
}

bool AdapterConnection::connectFromDialog()
{
    DeviceDialog dialog(m_speedGroup->actions(), m_pullUps->isChecked(), m_window);
    if (m_lastDevice)
        dialog.preselect(*m_lastDevice);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const std::optional<SVtlDeviceEntry> device = dialog.selectedDevice();
    if (!device)
        return false;
    if (QAction *speedAction = dialog.selectedSpeedAction())
        speedAction->setChecked(true);
    m_pullUps->setChecked(dialog.pullUpsEnabled());

    const QAction *speedAction = m_speedGroup->checkedAction();
    const EI2cSpeed speed = speedAction ? speedOf(speedAction) : EI2cSpeed::Speed100k;
    const SAdapterOpening opening =
        CAdapterOpener::Open(m_session, *device, SAdapterSettings{speed, m_pullUps->isChecked()});
    if (opening.Ok()) {
        m_lastDevice = device;
        return true;
    }
    QString text = tr("Connect failed:\n%1").arg(QString::fromStdString(opening.error));
    // The most common first obstacle on Linux: say what to do about it.
    if (opening.failure == EAdapterFailure::PermissionDenied) {
        text += u"\n\n"_s + tr("The system denied access to the adapter.\n%1")
                                .arg(QString::fromStdString(CAdapterOpener::PermissionHint()));
    }
    QMessageBox::critical(m_window, tr("Device"), text);
    return false;
}

void AdapterConnection::updateEnabled(bool connected, bool idle)
{
    const SBusAdapterInfo &adapter = m_session.Info();
    for (QAction *action : m_speedGroup->actions())
        action->setEnabled(idle && (!connected || adapter.IsSpeedSupported(speedOf(action))));
    m_pullUps->setEnabled(idle && (!connected || adapter.hasPullUpSwitch));
}

void AdapterConnection::setSpeed(QAction *action)
{
    if (!m_session.IsConnected())
        return;
    const EOutcome outcome = runConfiguration(m_session.StartSetSpeed(speedOf(action)),
                                              tr("I2C Speed"), tr("Setting the speed failed:\n%1"));
    if (outcome == EOutcome::Done) {
        m_window->statusBar()->showMessage(tr("I2C speed set to %1").arg(action->text()),
                                           STATUS_MESSAGE_MS);
        return;
    }
    // The presence check may have dropped the adapter while the message was up.
    if (outcome == EOutcome::Lost || !m_session.IsConnected())
        return;
    for (QAction *speedAction : m_speedGroup->actions()) {
        if (speedOf(speedAction) == m_session.Info().speed)
            speedAction->setChecked(true);
    }
}

void AdapterConnection::setPullUps(bool enabled)
{
    if (!m_session.IsConnected() || !m_session.Info().hasPullUpSwitch)
        return;
    const EOutcome outcome = runConfiguration(m_session.StartSetPullUps(enabled), tr("Pull-ups"),
                                              tr("Switching the pull-ups failed:\n%1"));
    if (outcome == EOutcome::Done) {
        m_window->statusBar()->showMessage(enabled ? tr("Internal pull-ups enabled")
                                                   : tr("Internal pull-ups disabled"),
                                           STATUS_MESSAGE_MS);
        return;
    }
    if (outcome == EOutcome::Failed && m_session.IsConnected())
        m_pullUps->setChecked(m_session.Info().pullUpsEnabled);
}

AdapterConnection::EOutcome AdapterConnection::runConfiguration(const std::shared_ptr<CBusJob> &job,
                                                                const QString &title,
                                                                const QString &failure)
{
    BusJobWaiter::waitFor(m_session, job, tr("Configuring the adapter..."), m_window);
    if (job->Result().ok)
        return EOutcome::Done;
    if (job->IsAdapterLost() || !m_session.IsConnected())
        return EOutcome::Lost;
    QMessageBox::critical(m_window, title,
                          failure.arg(QString::fromStdString(job->Result().error)));
    return EOutcome::Failed;
}
