// SPDX-License-Identifier: MIT
// The bond with the projects panel: stored commands loaded into the fields or executed,
// the fields saved as a command, the projects folder and the dock.
#include "AddressField.h"
#include "CProjectsPanel.h"
#include "CSequencePart.h"
#include "CommandRequest.h"
#include "PartDock.h"
#include "TransferFields.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>

void MainWindow::setupProjects()
{
    // The callbacks read the notation when they are called, so the panel always follows
    // the one in force.
    m_projects = new CProjectsPanel(
        {ui->tree_projects, ui->edit_projects_filter, ui->label_projects_description,
         ui->btn_projects_new, ui->btn_projects_reload, ui->btn_projects_folder},
        [this](unsigned char address) { return formatAddress(address); },
        [this](const QString &text) { return parseAddress(text, isAddress8Bit()); },
        [this] { return currentAddress(); }, this);
    connect(m_projects, &CProjectsPanel::deviceSelected, this,
            [this](unsigned char address) { m_address->show(address); });
    connect(m_projects, &CProjectsPanel::commandSelected, this, &MainWindow::onLoadCommand);
    connect(m_projects, &CProjectsPanel::commandExecuteRequested, this,
            &MainWindow::onExecuteCommand);
    connect(m_projects, &CProjectsPanel::commandWatchRequested, this, &MainWindow::onWatchCommand);
    connect(ui->tbtn_write_save, &QToolButton::clicked, this, &MainWindow::onWriteSave);
    connect(ui->tbtn_read_save, &QToolButton::clicked, this, &MainWindow::onReadSave);
    connect(ui->btn_write_read_save, &QToolButton::clicked, this, &MainWindow::onWriteReadSave);
    connect(ui->actionProjects_Folder, &QAction::triggered, this, &MainWindow::onProjectsFolder);

    PartDock::bindToAction(ui->dock_projects, ui->actionProjects);
    m_sequences = new CSequencePart(
        *m_session, *m_table, [this](std::uint8_t address) { return formatAddress(address); }, this,
        this);
    m_table->SetSequenceStore([this](const QStringList &lines) {
        SI2cCommand command;
        command.type = EI2cCommandType::Sequence;
        command.steps = lines;
        m_projects->AddCommand(command);
    });
}

void MainWindow::onLoadCommand(uint8_t address, const SI2cCommand &command)
{
    m_address->show(address);
    m_fields->load(command);
}

void MainWindow::onExecuteCommand(uint8_t address, const SI2cCommand &command)
{
    // The fields show what is executed; what is sent is built from the command itself.
    onLoadCommand(address, command);
    if (!isConnected()) {
        showStatusMessage(
            tr("Command \"%1\" loaded. Connect a device to execute it.").arg(command.label));
        return;
    }
    if (isTransactionRunning())
        return;
    if (command.type == EI2cCommandType::Sequence) {
        m_sequences->Run(command.label, address, command.steps);
        return;
    }
    ECommandRefusal refusal = ECommandRefusal::None;
    const std::optional<STransactionRequest> request =
        CommandRequest::FromCommand(address, command, refusal);
    if (!request) {
        m_fields->warnRefusal(command, refusal);
        return;
    }
    // A read keeps the busy cursor up, as its button does; a write does not.
    runFieldTransfer(request, command.type != EI2cCommandType::Write);
}

void MainWindow::onWriteSave()
{
    if (const std::optional<SI2cCommand> command = m_fields->writeCommand())
        m_projects->AddCommand(*command);
}

void MainWindow::onReadSave()
{
    m_projects->AddCommand(m_fields->readCommand());
}

void MainWindow::onWriteReadSave()
{
    if (const std::optional<SI2cCommand> command = m_fields->writeReadCommand())
        m_projects->AddCommand(*command);
}

void MainWindow::onProjectsFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Projects Folder"), m_projects->GetFolder(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    m_projects->SetFolder(folder);
    showStatusMessage(tr("Projects folder: %1").arg(QDir::toNativeSeparators(folder)));
}
