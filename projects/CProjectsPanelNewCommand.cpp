// SPDX-License-Identifier: MIT
// New commands entered in the projects panel, and the device a sequence of log rows is
// stored in.

#include "CProjectsPanel.h"
#include "SequenceParser.h"
#include "commanddialog.h"
#include "sequencedialog.h"

#include <QInputDialog>

#include <set>
#include <utility>

void CProjectsPanel::newCommand(int device, bool sequence)
{
    if (device < 0 || device >= m_devices.size())
        return;
    const QString title = sequence ? tr("New Sequence") : tr("Add Command");
    CI2cDeviceFile file = m_devices.at(device);
    const QString path = file.GetFilePath();
    SI2cCommand entered;
    if (sequence)
        entered.type = EI2cCommandType::Sequence;
    for (;;) {
        const auto isLabelTaken = [&file](const QString &label) {
            return file.HasCommandLabel(label, -1);
        };
        if (sequence) {
            SequenceDialog dialog(title, file.GetName(), file.GetAddress(), isLabelTaken,
                                  m_dialogParent);
            dialog.setCommand(entered);
            // Shown empty, so that closing it unchanged does not ask.
            if (dialog.exec() != QDialog::Accepted)
                return;
            entered = dialog.command();
        } else {
            CommandDialog dialog(title, file.GetName(), isLabelTaken, m_dialogParent);
            if (!entered.label.isEmpty())
                dialog.setCommand(entered);
            if (dialog.exec() != QDialog::Accepted)
                return;
            entered = dialog.command();
        }
        std::optional<CI2cDeviceFile> current = readSameDevice(file);
        if (!current) {
            warnChangedMeanwhile(title, path);
            return;
        }
        const bool taken = current->HasCommandLabel(entered.label, -1);
        file = std::move(*current);
        if (!taken)
            break;
        // Another program used the label meanwhile; the dialog opens again with the input.
        warnLabelTaken(title, entered.label, file.GetName());
    }
    file.AddCommand(entered);
    if (!saveDevice(file))
        return;
    m_expanded.insert(path);
    saveExpanded();
    reload();
    selectItem(path, int(file.GetCommands().size()) - 1);
}

int CProjectsPanel::sequenceTarget(const SI2cCommand &command)
{
    std::set<unsigned char> addresses;
    SSequenceError error;
    if (const auto steps = SequenceParser::ParseAndExpand(command.steps, std::nullopt, error)) {
        for (const SSequenceStep &step : *steps) {
            for (const STransferMessage &message : step.messages)
                addresses.insert(message.address);
        }
    }
    QList<int> matching;
    for (int i = 0; i < m_devices.size(); ++i) {
        if (addresses.count(m_devices.at(i).GetAddress()) != 0)
            matching.append(i);
    }
    if (addresses.size() == 1 && matching.size() == 1)
        return matching.front();

    QStringList shown;
    for (const unsigned char address : addresses)
        shown.append(m_formatAddress(address));
    QString prompt;
    if (addresses.size() > 1)
        prompt = tr("The rows address %1.").arg(shown.join(QStringLiteral(", ")));
    else if (matching.isEmpty() && !addresses.empty())
        prompt = tr("No project device is at %1.").arg(shown.join(QStringLiteral(", ")));
    else if (!addresses.empty())
        prompt = tr("Several project devices are at %1.").arg(shown.join(QStringLiteral(", ")));
    prompt += (prompt.isEmpty() ? QString() : QStringLiteral("\n")) +
              tr("Store the sequence in which device?");

    QStringList items;
    QStringList paths;
    for (const CI2cDeviceFile &file : std::as_const(m_devices)) {
        items.append(
            QStringLiteral("%1 (%2)").arg(file.GetName(), m_formatAddress(file.GetAddress())));
        paths.append(file.GetFilePath());
    }
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(m_dialogParent, tr("Save as Sequence"), prompt, items,
                              matching.isEmpty() ? 0 : matching.front(), false, &ok);
    const qsizetype index = items.indexOf(chosen);
    if (!ok || index < 0)
        return -1;
    // The list may have been reloaded while the question was open.
    reloadIfPending();
    const int device = findDevice(paths.at(index));
    if (device < 0)
        warnChangedMeanwhile(tr("Save as Sequence"), paths.at(index));
    return device;
}
