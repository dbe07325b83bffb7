// SPDX-License-Identifier: MIT
// The Registers dock's side in the window: its dock and View action, the projects panel's
// current device for it, and its transactions as output-table rows.
#include "CBusSession.h"
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "CRegistersPart.h"
#include "MainWindowShared.h"
#include "RegistersPanel.h"
#include "TransferText.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDockWidget>

using namespace Qt::StringLiterals;

void MainWindow::setupRegisters()
{
    m_registersPanel = new RegistersPanel;
    m_registersDock = new QDockWidget(tr("Registers"), this);
    m_registersDock->setObjectName(u"dock_registers"_s);
    m_registersDock->setWidget(m_registersPanel);
    addDockWidget(Qt::RightDockWidgetArea, m_registersDock);
    // Out of the way until the user asks for it; a saved layout may show it again.
    m_registersDock->hide();

    auto *action = new QAction(tr("Registers"), this);
    action->setObjectName(u"actionRegisters"_s);
    action->setMenuRole(QAction::NoRole);
    ui->menuView->addAction(action);
    bindDockToAction(m_registersDock, action);

    m_registers = new CRegistersPart(
        *m_session, *m_registersPanel,
        [this](const STransactionRecord &record) { addRegisterRow(record); },
        [this](std::uint8_t address) { return formatAddress(address); }, this);
    connect(m_projects, &CProjectsPanel::currentDeviceChanged, m_registers,
            &CRegistersPart::setDeviceFile);
}

// The rows of the window's own Write and Write/Read, for the transactions of the map.
void MainWindow::addRegisterRow(const STransactionRecord &record)
{
    const STransactionRequest &request = record.request;
    const QString target = formatAddress(request.address);
    const QString error = QString::fromStdString(record.lastError);
    const STableRowTime time{record.startedMs, record.durationUs};
    if (request.kind == ETransactionKind::WriteRead) {
        const QString flags = record.readPartReached
                                  ? TransferText::readFlags(record.read, record.ok, error)
                                  : TransferText::writeFlags(record.write, false, error);
        addTableRow(tr("Write/Read %1 [%2]").arg(target, CI2cDeviceFile::BytesToHex(request.data)),
                    flags, record.read.data, !record.ok, time, rowOrigin(request.address), request);
        return;
    }
    addTableRow(TransferText::writeType(int(TransferText::EStartStop::Auto), QString(), target),
                TransferText::writeFlags(record.write, record.ok, error), request.data, !record.ok,
                time, rowOrigin(request.address), request);
}
