// SPDX-License-Identifier: MIT
// The projects tree's context menu.

#include "CProjectsPanel.h"
#include "ProjectsItemRoles.h"

#include <QMenu>
#include <QTreeView>

void CProjectsPanel::onContextMenu(const QPoint &pos)
{
    QTreeView *tree = m_widgets.tree;
    const QModelIndex index = tree->indexAt(pos);
    const int device = deviceIndexAt(index);
    const int command = commandIndexAt(index);
    const QString rowPath = index.siblingAtColumn(0).data(ROLE_FILE_PATH).toString();

    // What the row stands for, kept by value: the menu runs an event loop in which a reload
    // may replace the device list.
    const CI2cDeviceFile chosenDevice = device >= 0 ? m_devices.at(device) : CI2cDeviceFile();
    const QString devicePath = chosenDevice.GetFilePath();
    const SI2cCommand chosenCommand =
        command >= 0 ? m_devices.at(device).GetCommands().at(command) : SI2cCommand();

    QMenu menu(tree);
    QAction *execute = nullptr;
    QAction *load = nullptr;
    QAction *watch = nullptr;
    QAction *rename = nullptr;
    QAction *edit = nullptr;
    QAction *moveUp = nullptr;
    QAction *moveDown = nullptr;
    QAction *removeCommand = nullptr;
    QAction *properties = nullptr;
    QAction *removeDevice = nullptr;
    QAction *removeFile = nullptr;
    QAction *newSequence = nullptr;
    QAction *addCommand = nullptr;
    if (command >= 0) {
        const int count = int(m_devices.at(device).GetCommands().size());
        execute = menu.addAction(tr("Execute"));
        load = menu.addAction(tr("Load into Fields"));
        // Only what reads can be watched.
        if (chosenCommand.type == EI2cCommandType::Read ||
            chosenCommand.type == EI2cCommandType::WriteRead)
            watch = menu.addAction(tr("Watch"));
        menu.addSeparator();
        rename = menu.addAction(tr("Rename..."));
        edit = menu.addAction(tr("Edit..."));
        moveUp = menu.addAction(tr("Move Up"));
        moveUp->setEnabled(command > 0);
        moveDown = menu.addAction(tr("Move Down"));
        moveDown->setEnabled(command < count - 1);
        removeCommand = menu.addAction(tr("Delete Command"));
        menu.addSeparator();
    }
    if (device >= 0 && command < 0) {
        addCommand = menu.addAction(tr("Add Command..."));
        newSequence = menu.addAction(tr("New Sequence..."));
        menu.addSeparator();
        properties = menu.addAction(tr("Properties..."));
        removeDevice = menu.addAction(tr("Delete Device..."));
        menu.addSeparator();
    } else if (index.isValid() && !rowPath.isEmpty()) {
        removeFile = menu.addAction(tr("Delete File..."));
        menu.addSeparator();
    }
    QAction *newDevice = menu.addAction(tr("New Device..."));
    QAction *openFolder = menu.addAction(tr("Open Projects Folder"));

    QAction *chosen = menu.exec(tree->viewport()->mapToGlobal(pos));
    if (chosen == nullptr)
        return;
    if (chosen == newDevice) {
        createDevice();
        return;
    }
    if (chosen == openFolder) {
        onOpenFolder();
        return;
    }
    if (chosen == removeFile) {
        deleteErrorFile(rowPath);
        return;
    }

    // Find the row's device and command again in the list as it is now.
    reloadIfPending();
    const int deviceNow = findDevice(devicePath);
    const bool sameDevice = deviceNow >= 0 && isSameDevice(m_devices.at(deviceNow), chosenDevice);
    const bool forCommand = chosen == execute || chosen == load || chosen == watch ||
                            chosen == rename || chosen == edit || chosen == moveUp ||
                            chosen == moveDown || chosen == removeCommand;
    const int commandNow = forCommand && sameDevice
                               ? findCommand(m_devices.at(deviceNow), chosenCommand, command)
                               : -1;
    if (!sameDevice || (forCommand && commandNow < 0)) {
        warnChangedMeanwhile(tr("Projects"), devicePath);
        return;
    }

    if (chosen == execute || chosen == load || chosen == watch) {
        const CI2cDeviceFile &file = m_devices.at(deviceNow);
        const SI2cCommand current = file.GetCommands().at(commandNow);
        if (chosen == execute)
            Q_EMIT commandExecuteRequested(file.GetAddress(), current);
        else if (chosen == watch)
            Q_EMIT commandWatchRequested(file.GetAddress(), current);
        else
            Q_EMIT commandSelected(file.GetAddress(), current);
    } else if (chosen == rename) {
        renameCommand(deviceNow, commandNow);
    } else if (chosen == edit) {
        editCommand(deviceNow, commandNow);
    } else if (chosen == moveUp) {
        moveCommand(deviceNow, commandNow, -1);
    } else if (chosen == moveDown) {
        moveCommand(deviceNow, commandNow, +1);
    } else if (chosen == removeCommand) {
        deleteCommand(deviceNow, commandNow);
    } else if (chosen == addCommand || chosen == newSequence) {
        newCommand(deviceNow, chosen == newSequence);
    } else if (chosen == properties) {
        showDeviceProperties(deviceNow);
    } else if (chosen == removeDevice) {
        deleteDevice(deviceNow);
    }
}
