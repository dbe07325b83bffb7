// SPDX-License-Identifier: MIT
// Changing a stored command as a whole: label, kind, mode, bytes and count, or the lines of a
// sequence.

#include "CProjectsPanel.h"
#include "commanddialog.h"
#include "sequencedialog.h"

#include <utility>

void CProjectsPanel::editCommand(int device, int command)
{
    if (!isCommand(device, command))
        return;
    const QString title = tr("Edit Command");
    CI2cDeviceFile file = m_devices.at(device);
    const QString path = file.GetFilePath();
    const SI2cCommand original = file.GetCommands().at(command);
    SI2cCommand edited = original;
    int index = command;
    for (;;) {
        const auto isLabelTaken = [&file, index](const QString &label) {
            return file.HasCommandLabel(label, index);
        };
        if (edited.type == EI2cCommandType::Sequence) {
            SequenceDialog dialog(title, file.GetName(), file.GetAddress(), isLabelTaken,
                                  m_dialogParent);
            dialog.setCommand(edited);
            if (dialog.exec() != QDialog::Accepted)
                return;
            edited = dialog.command();
        } else {
            CommandDialog dialog(title, file.GetName(), isLabelTaken, m_dialogParent);
            dialog.setCommand(edited);
            if (dialog.exec() != QDialog::Accepted)
                return;
            edited = dialog.command();
        }
        std::optional<CI2cDeviceFile> current = readSameDevice(file);
        index = current ? findCommand(*current, original, index) : -1;
        if (index < 0) {
            warnChangedMeanwhile(title, path);
            return;
        }
        const bool taken = current->HasCommandLabel(edited.label, index);
        file = std::move(*current);
        if (!taken)
            break;
        // Another program gave a command of this device the same label while the dialog was
        // open; the user's other choices are kept for the next try.
        warnLabelTaken(title, edited.label, file.GetName());
    }
    file.ReplaceCommand(index, edited);
    if (!saveDevice(file))
        return;
    reload();
    selectItem(path, index);
}
