// SPDX-License-Identifier: MIT
// Storing a value decoding chosen elsewhere (the Watch dock) into the command it came from.

#include "CProjectsPanel.h"

std::optional<SI2cCommand> CProjectsPanel::SetCommandValue(unsigned char address,
                                                           const SI2cCommand &command,
                                                           const SValueDecoding &value)
{
    const QString title = tr("Save to Command");
    int device = -1;
    int index = -1;
    for (int i = 0; i < m_devices.size() && index < 0; ++i) {
        if (m_devices.at(i).GetAddress() == address) {
            device = i;
            index = findCommand(m_devices.at(i), command, -1);
        }
    }
    if (index < 0) {
        warnChangedMeanwhile(title, device >= 0 ? m_devices.at(device).GetFilePath() : QString());
        return std::nullopt;
    }
    const QString path = m_devices.at(device).GetFilePath();
    std::optional<CI2cDeviceFile> current = readSameDevice(m_devices.at(device));
    index = current ? findCommand(*current, command, index) : -1;
    if (index < 0) {
        warnChangedMeanwhile(title, path);
        return std::nullopt;
    }
    SI2cCommand stored = command;
    stored.value = value;
    current->ReplaceCommand(index, stored);
    if (!saveDevice(*current))
        return std::nullopt;
    reload();
    selectItem(path, index);
    return stored;
}
