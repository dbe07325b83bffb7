// SPDX-License-Identifier: MIT
// The Bus Scan dock's side in the window: its dock and View action, the window's bus
// search behind its Scan button, and the address field and Registers dock for its cells.
#include "AddressField.h"
#include "CProjectsPanel.h"
#include "CRegistersPart.h"
#include "CScanPart.h"
#include "MainWindowShared.h"
#include "ScanPanel.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDockWidget>
#include <QMessageBox>

using namespace Qt::StringLiterals;

void MainWindow::setupScan()
{
    m_scanPanel = new ScanPanel;
    m_scanDock = new QDockWidget(tr("Bus Scan"), this);
    m_scanDock->setObjectName(u"dock_scan"_s);
    m_scanDock->setWidget(m_scanPanel);
    // Below the table, where the sixteen columns have room.
    addDockWidget(Qt::BottomDockWidgetArea, m_scanDock);
    // Out of the way until the user asks for it; a saved layout may show it again.
    m_scanDock->hide();

    auto *action = new QAction(tr("Bus Scan"), this);
    action->setObjectName(u"actionScan"_s);
    action->setMenuRole(QAction::NoRole);
    ui->menuView->addAction(action);
    bindDockToAction(m_scanDock, action);

    m_scan = new CScanPart(
        *m_session, *m_scanPanel, *m_projects,
        [this](const STransactionRecord &record) { addRegisterRow(record); },
        [this](const QString &type, const QString &text, bool error) {
            addTableRow(type, QString(), text, error);
        },
        [this](std::uint8_t address) { return formatAddress(address); }, this);
    connect(m_scan, &CScanPart::searchRequested, this, &MainWindow::onI2cSearch);
    connect(m_scan, &CScanPart::useAddressRequested, this,
            [this](std::uint8_t address) { m_address->show(address); });
    connect(m_scan, &CScanPart::showRegistersRequested, this, &MainWindow::showScanRegisters);
}

void MainWindow::showScanRegisters(std::uint8_t address)
{
    if (const std::optional<QString> project = m_scan->projectDeviceFile(address)) {
        m_projects->SelectDevice(*project);
        m_registers->setDeviceFile(*project);
    } else if (const std::optional<QString> part = m_scan->registersFile(address)) {
        m_registers->showDevice(*part, address);
    } else {
        QMessageBox::information(
            this, tr("Show Registers"),
            tr("No register map is known for the part at %1.").arg(formatAddress(address)));
        return;
    }
    m_registersDock->show();
    m_registersDock->raise();
}
