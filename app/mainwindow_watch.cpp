// SPDX-License-Identifier: MIT
// The Watch dock's side in the window: what is watched, the timer that repeats the
// reading, each reading on the transaction worker between the user's own transactions,
// and the summary row when the watch stops.
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "CTransactionRunner.h"
#include "MainWindowShared.h"
#include "WatchPanel.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDockWidget>
#include <QEventLoop>
#include <QMessageBox>
#include <QSpinBox>
#include <QStatusBar>

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

QString bytesText(std::size_t count)
{
    return count == 1 ? MainWindow::tr("1 byte") : MainWindow::tr("%1 bytes").arg(count);
}

} // namespace

void MainWindow::setupWatch()
{
    m_watchPanel = new WatchPanel;
    m_watchDock = new QDockWidget(tr("Watch"), this);
    m_watchDock->setObjectName(u"dock_watch"_s);
    m_watchDock->setWidget(m_watchPanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_watchDock);
    // Out of the way until the user asks for it; a saved layout may show it again.
    m_watchDock->hide();

    auto *action = new QAction(tr("Watch"), this);
    action->setObjectName(u"actionWatch"_s);
    action->setMenuRole(QAction::NoRole);
    ui->menuView->addAction(action);
    bindDockToAction(m_watchDock, action);

    m_watchTimer.setSingleShot(true);
    // A coarse timer may come late by a few per cent of the interval, every time.
    m_watchTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_watchTimer, &QTimer::timeout, this, &MainWindow::onWatchTimer);
    connect(m_watchPanel, &WatchPanel::fromFieldsRequested, this, &MainWindow::onWatchFromFields);
    connect(m_watchPanel, &WatchPanel::startRequested, this, &MainWindow::onWatchStart);
    connect(m_watchPanel, &WatchPanel::stopRequested, this, &MainWindow::onWatchStop);
    connect(m_watchPanel, &WatchPanel::saveDecodingRequested, this,
            &MainWindow::onWatchSaveDecoding);
    connect(m_watchPanel, &WatchPanel::statusMessage, this,
            [this](const QString &text) { statusBar()->showMessage(text, STATUS_MESSAGE_MS); });
}

void MainWindow::setWatchTarget(const STransactionRequest &request,
                                const std::optional<SValueDecoding> &decoding)
{
    if (m_watchPanel->isRunning())
        return;
    m_watchRequest = request;
    m_watchCommand.reset();
    const QString address = formatAddress(request.address);
    const QString description =
        request.kind == ETransactionKind::WriteRead
            ? tr("Write/Read %1 [%2] > %3")
                  .arg(address, CI2cDeviceFile::BytesToHex(request.data), bytesText(request.count))
            : tr("Read %1, %2").arg(address, bytesText(request.count));
    m_watchPanel->setTarget(description, decoding);
    const bool opening = m_watchDock->isHidden() && !m_watchDock->isFloating();
    m_watchDock->show();
    // A dock that opens takes the height its panel asks for, so the plot is readable.
    if (opening)
        resizeDocks({m_watchDock}, {m_watchPanel->sizeHint().height()}, Qt::Vertical);
    m_watchDock->raise();
}

void MainWindow::onWatchFromFields()
{
    const std::optional<unsigned char> address = currentAddress();
    if (!address) {
        warnInvalidAddress(tr("Watch"));
        return;
    }
    const std::optional<std::vector<unsigned char>> bytes =
        CI2cDeviceFile::HexToBytes(ui->edit_write->text());
    if (!bytes) {
        QMessageBox::warning(this, tr("Watch"),
                             tr("Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."));
        return;
    }
    // Bytes in the write field make it a register read; without them a plain read.
    const auto count = static_cast<std::size_t>(ui->spin_read->value());
    setWatchTarget(bytes->empty() ? STransactionRequest::Read(*address, count)
                                  : STransactionRequest::WriteRead(*address, *bytes, count),
                   std::nullopt);
}

void MainWindow::onWatchCommand(uint8_t address, const SI2cCommand &command)
{
    if (m_watchPanel->isRunning() || command.type == EI2cCommandType::Write)
        return;
    // A command without a decoding shows its first byte as it is, not the last decoding.
    const SValueDecoding decoding = command.value.value_or(SValueDecoding());
    const auto count = std::size_t(command.count);
    setWatchTarget(command.type == EI2cCommandType::Read
                       ? STransactionRequest::Read(address, count)
                       : STransactionRequest::WriteRead(address, command.data, count),
                   decoding);
    m_watchCommand.emplace(address, command);
    m_watchPanel->setSavesToCommand(true);
}

void MainWindow::onWatchSaveDecoding()
{
    if (!m_watchCommand || m_projects == nullptr)
        return;
    const std::optional<SI2cCommand> stored = m_projects->SetCommandValue(
        m_watchCommand->first, m_watchCommand->second, m_watchPanel->decoding());
    if (!stored)
        return;
    m_watchCommand->second = *stored;
    statusBar()->showMessage(tr("Decoding saved to \"%1\"").arg(stored->label), STATUS_MESSAGE_MS);
}

void MainWindow::onWatchStart()
{
    if (!m_watchRequest || m_watchPanel->isRunning())
        return;
    if (!isConnected()) {
        statusBar()->showMessage(tr("Connect a device to start the watch."), STATUS_MESSAGE_MS);
        return;
    }
    m_watchPanel->setRunning(true);
    m_watchNextDue = std::chrono::steady_clock::now();
    m_watchTimer.start(0);
}

void MainWindow::onWatchStop()
{
    stopWatch();
}

void MainWindow::stopWatch()
{
    m_watchTimer.stop();
    m_watchDue = false;
    if (!m_watchPanel->isRunning())
        return;
    m_watchPanel->setRunning(false);
    // A reading still under way belongs to the stopped watch: it is awaited and dropped.
    waitForWatchSample();
    addTableRow(tr("Watch %1").arg(formatAddress(m_watchRequest->address)), QString(),
                m_watchPanel->summaryText(), false);
}

void MainWindow::onWatchTimer()
{
    if (!m_watchPanel->isRunning() || !m_watchRequest)
        return;
    // The user's own transaction goes first; the reading follows right after it.
    if (m_userTransaction || isBusBusy() || m_i2c == nullptr) {
        m_watchDue = true;
        return;
    }
    ensureRunner();
    if (!m_runner->Start(*m_i2c, *m_watchRequest)) {
        m_watchDue = true;
        return;
    }
    m_watchSampleRunning = true;
}

void MainWindow::onRunnerFinished()
{
    if (!m_watchSampleRunning || m_runner->IsRunning())
        return;
    m_watchSampleRunning = false;
    const std::optional<STransactionRecord> record = m_runner->TakeRecord();
    runDuePresenceCheck();
    if (!record || !m_watchPanel->isRunning())
        return;
    if (!record->ok && checkConnectionLost())
        return;
    QString error;
    if (!record->ok) {
        error = QString::fromStdString(record->lastError);
        if (error.isEmpty())
            error = tr("failed");
    }
    m_watchPanel->addSample(record->startedMs, record->read.data, error);
    // Readings keep to a fixed grid of the interval, so the rate does not drift with the
    // time each takes; one slower than the interval is followed at once, and the grid
    // starts again from there instead of catching up in a burst.
    const auto now = std::chrono::steady_clock::now();
    m_watchNextDue += std::chrono::milliseconds(m_watchPanel->intervalMs());
    if (m_watchNextDue < now)
        m_watchNextDue = now;
    m_watchTimer.start(std::chrono::ceil<std::chrono::milliseconds>(m_watchNextDue - now));
}

void MainWindow::waitForWatchSample()
{
    if (!m_watchSampleRunning)
        return;
    QEventLoop loop;
    connect(m_runner.get(), &CTransactionRunner::transactionFinished, &loop, &QEventLoop::quit);
    while (m_watchSampleRunning && m_runner->IsRunning()) {
        if (loop.exec() != 0)
            break;
    }
    // The application quits under the loop: the reading is awaited without events.
    if (m_runner->IsRunning()) {
        m_runner->Cancel();
        m_runner->Wait();
    }
    // Its end may not have been signalled yet: it is taken now, the signal finds nothing.
    if (m_watchSampleRunning)
        onRunnerFinished();
}

void MainWindow::resumeWatch()
{
    if (m_watchDue && m_watchPanel->isRunning()) {
        m_watchDue = false;
        m_watchTimer.start(0);
    }
}
