// SPDX-License-Identifier: MIT
// The Watch dock's side in the window: its dock and View action, and what the fields or a
// stored command give it to watch. The readings themselves are the scheduler's.
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "CWatchScheduler.h"
#include "MainWindowShared.h"
#include "WatchPanel.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDockWidget>
#include <QMessageBox>
#include <QStatusBar>

using namespace Qt::StringLiterals;

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

    m_watch = new CWatchScheduler(
        *m_session, *m_watchPanel,
        [this](const QString &type, const QString &flags, const QString &text) {
            addTableRow(type, flags, text, false);
            return m_table->TextSetterOfRow(m_table->RowCount() - 1);
        },
        [this](std::uint8_t address) { return formatAddress(address); }, this);
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
    if (m_watch->isRunning())
        return;
    m_watchCommand.reset();
    m_watch->setTarget(request, decoding);
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
        warnInvalidBytes(tr("Watch"));
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
    if (m_watch->isRunning() || command.type == EI2cCommandType::Write)
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
    if (m_watch->isRunning() || !m_watch->hasTarget())
        return;
    if (!m_watch->start())
        statusBar()->showMessage(tr("Connect a device to start the watch."), STATUS_MESSAGE_MS);
}

void MainWindow::onWatchStop()
{
    m_watch->stop();
}
