// SPDX-License-Identifier: MIT
// The docks beside the projects: each part gets the bus session, the output table and the
// address notation; the window only joins them to its fields and to one another.
#include "AddressField.h"
#include "CProjectsPanel.h"
#include "CRegistersPart.h"
#include "CScanPart.h"
#include "CWatchPart.h"
#include "EepromPanel.h"
#include "PartDock.h"
#include "RegistersPanel.h"
#include "ScanPanel.h"
#include "TransferFields.h"
#include "WindowLayout.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QDockWidget>
#include <QKeySequence>

#include <utility>

using namespace Qt::StringLiterals;

void MainWindow::setupDocks()
{
    const auto format = [this](std::uint8_t address) {
        return formatAddress(address);
    };
    m_watch = new CWatchPart(
        *m_session, *m_table, format,
        [this](std::uint8_t address, const SI2cCommand &command, const SValueDecoding &decoding) {
            return m_projects->SetCommandValue(address, command, decoding);
        },
        this, ui->menuView);
    connect(m_watch, &CWatchPart::fromFieldsRequested, this, &MainWindow::onWatchFromFields);
    connect(m_watch, &CWatchPart::statusMessage, this, &MainWindow::showStatusMessage);

    auto *registers = new RegistersPanel;
    m_registersDock = PartDock::add(this, ui->menuView, tr("Registers"), u"dock_registers"_s,
                                    u"actionRegisters"_s, registers, Qt::RightDockWidgetArea);
    m_registers = new CRegistersPart(
        *m_session, *registers, [this](const STransactionRecord &record) { addRecordRow(record); },
        format, this);
    connect(m_projects, &CProjectsPanel::currentDeviceChanged, m_registers,
            &CRegistersPart::setDeviceFile);

    auto *eeprom = m_eeprom = new EepromPanel(
        *m_session, *m_table, [this] { return currentAddress(); },
        [this] { return isAddress8Bit(); });
    PartDock::add(this, ui->menuView, tr("EEPROM"), u"dock_eeprom"_s, u"actionEeprom"_s, eeprom,
                  Qt::RightDockWidgetArea);
    connect(m_address, &AddressField::notationTriggered, eeprom, &EepromPanel::onNotationChanged);

    auto *scan = new ScanPanel;
    // Below the table, where the sixteen columns have room.
    PartDock::add(this, ui->menuView, tr("Bus Scan"), u"dock_scan"_s, u"actionScan"_s, scan,
                  Qt::BottomDockWidgetArea);
    m_scan = new CScanPart(
        *m_session, *scan, *m_projects, *m_registers,
        [this](const STransactionRecord &record) { addRecordRow(record); },
        [this](const QString &type, const QString &text, bool error) {
            addTableRow(type, QString(), text, error);
        },
        format, this);
    connect(m_scan, &CScanPart::searchRequested, this, &MainWindow::onI2cSearch);
    connect(m_scan, &CScanPart::useAddressRequested, this,
            [this](std::uint8_t address) { m_address->show(address); });
    connect(m_scan, &CScanPart::registersShown, this,
            [this] { PartDock::open(this, m_registersDock); });
    setupLayout();
}

void MainWindow::setupLayout()
{
    // Free keys: no other shortcut of the window or its docks uses Ctrl and a digit.
    const std::pair<QString, QKeySequence> dockShortcuts[] = {
        {u"actionProjects"_s, QKeySequence(Qt::CTRL | Qt::Key_1)},
        {u"actionWatch"_s, QKeySequence(Qt::CTRL | Qt::Key_2)},
        {u"actionRegisters"_s, QKeySequence(Qt::CTRL | Qt::Key_3)},
        {u"actionEeprom"_s, QKeySequence(Qt::CTRL | Qt::Key_4)},
        {u"actionScan"_s, QKeySequence(Qt::CTRL | Qt::Key_5)},
    };
    for (const auto &[name, keys] : dockShortcuts) {
        if (auto *action = findChild<QAction *>(name))
            action->setShortcut(keys);
    }

    m_layout = new WindowLayout(*this, *ui->dock_projects);
    m_layout->arrange();
    ui->menuView->addSeparator();
    QAction *reset = ui->menuView->addAction(tr("Reset Layout"));
    reset->setObjectName(u"actionResetLayout"_s);
    reset->setMenuRole(QAction::NoRole);
    connect(reset, &QAction::triggered, m_layout, &WindowLayout::arrange);
}

void MainWindow::onWatchFromFields()
{
    if (const std::optional<STransactionRequest> request = m_fields->watchRequest())
        m_watch->watch(*request);
}

void MainWindow::onWatchCommand(uint8_t address, const SI2cCommand &command)
{
    m_watch->watchCommand(address, command);
}
