// SPDX-License-Identifier: MIT
// The EEPROM dock's side in the window: its dock and View action. The programmer itself is
// the panel's, on the session and the output table.
#include "EepromPanel.h"
#include "MainWindowShared.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDockWidget>

using namespace Qt::StringLiterals;

void MainWindow::setupEeprom()
{
    auto *panel = new EepromPanel(*m_session, *m_table, [this] { return currentAddress(); });
    m_eepromDock = new QDockWidget(tr("EEPROM"), this);
    m_eepromDock->setObjectName(u"dock_eeprom"_s);
    m_eepromDock->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, m_eepromDock);
    // Out of the way until the user asks for it; a saved layout may show it again.
    m_eepromDock->hide();

    auto *action = new QAction(tr("EEPROM"), this);
    action->setObjectName(u"actionEeprom"_s);
    action->setMenuRole(QAction::NoRole);
    ui->menuView->addAction(action);
    bindDockToAction(m_eepromDock, action);
}
