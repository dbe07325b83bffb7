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
    m_eepromDock = addPartDock(tr("EEPROM"), u"dock_eeprom"_s, u"actionEeprom"_s, panel,
                               Qt::RightDockWidgetArea);
}
