// SPDX-License-Identifier: MIT
// Creating, changing and deleting devices and commands. Every change is made to a copy of the
// device file as it is on disk, written back whole, and followed by a reload of the folder.

#include "CProjectsPanel.h"
#include "TrashFile.h"
#include "projectdevicedialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QTreeView>

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

bool Confirm(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

} // namespace

void CProjectsPanel::reloadIfPending()
{
    if (m_reloadTimer.isActive())
        reload();
}

std::optional<CI2cDeviceFile> CProjectsPanel::readDeviceAgain(const QString &path)
{
    // The tree catches up with what the watcher has seen; the file itself is read anyway, in
    // case a change has not been reported yet.
    reloadIfPending();
    CI2cDeviceFile file;
    if (path.isEmpty() || !file.Load(path))
        return std::nullopt;
    return file;
}

bool CProjectsPanel::isSameDevice(const CI2cDeviceFile &a, const CI2cDeviceFile &b)
{
    return a.GetFilePath() == b.GetFilePath() && a.GetName() == b.GetName() &&
           a.GetAddress() == b.GetAddress();
}

std::optional<CI2cDeviceFile> CProjectsPanel::readSameDevice(const CI2cDeviceFile &before)
{
    // Another program may have put a different device under the same file name meanwhile;
    // a change meant for the device the user chose must not land in that one.
    std::optional<CI2cDeviceFile> file = readDeviceAgain(before.GetFilePath());
    if (file && !isSameDevice(*file, before))
        return std::nullopt;
    return file;
}

int CProjectsPanel::findDevice(const QString &path) const
{
    for (int i = 0; i < m_devices.size(); ++i) {
        if (m_devices.at(i).GetFilePath() == path)
            return i;
    }
    return -1;
}

int CProjectsPanel::findCommand(const CI2cDeviceFile &file, const SI2cCommand &command, int hint)
{
    const QList<SI2cCommand> &commands = file.GetCommands();
    if (hint >= 0 && hint < commands.size() && commands.at(hint) == command)
        return hint;
    // Of equal commands the one nearest to where it was is taken.
    int found = -1;
    for (int i = 0; i < commands.size(); ++i) {
        if (commands.at(i) == command && (found < 0 || std::abs(i - hint) < std::abs(found - hint)))
            found = i;
    }
    return found;
}

bool CProjectsPanel::isCommand(int device, int command) const
{
    return device >= 0 && device < m_devices.size() && command >= 0 &&
           command < m_devices.at(device).GetCommands().size();
}

void CProjectsPanel::warnChangedMeanwhile(const QString &title, const QString &path)
{
    QMessageBox::warning(
        m_dialogParent, title,
        tr("%1 was changed or removed by another program in the meantime.\nNothing was done.")
            .arg(QFileInfo(path).fileName()));
}

void CProjectsPanel::warnLabelTaken(const QString &title, const QString &label,
                                    const QString &device)
{
    QMessageBox::warning(m_dialogParent, title,
                         tr("\"%1\" already exists in \"%2\".\nPlease choose a different label.")
                             .arg(label, device));
}

bool CProjectsPanel::isDeviceNameTaken(const QString &name, const QString &excludePath) const
{
    const QString wanted = name.trimmed();
    return std::any_of(m_devices.cbegin(), m_devices.cend(), [&](const CI2cDeviceFile &file) {
        return file.GetFilePath() != excludePath &&
               file.GetName().trimmed().compare(wanted, Qt::CaseInsensitive) == 0;
    });
}

bool CProjectsPanel::editDevice(CI2cDeviceFile &file, bool isNew)
{
    const QString path = file.GetFilePath();
    ProjectDeviceDialog dialog(
        isNew ? tr("New Device") : tr("Device Properties"), m_parseAddress,
        [this, path](const QString &name) { return isDeviceNameTaken(name, path); },
        m_dialogParent);
    QString address;
    if (!isNew)
        address = m_formatAddress(file.GetAddress());
    else if (const std::optional<unsigned char> current = m_currentAddress())
        address = m_formatAddress(*current);
    dialog.setValues(file.GetName(), address, file.GetDescription());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    file.SetName(dialog.name());
    file.SetAddress(dialog.address());
    file.SetDescription(dialog.description());
    return true;
}

int CProjectsPanel::createDevice()
{
    CI2cDeviceFile file;
    if (!editDevice(file, true))
        return -1;
    const QString path = AddDevice(file);
    return path.isEmpty() ? -1 : findDevice(path);
}

QString CProjectsPanel::AddDevice(CI2cDeviceFile file)
{
    reloadIfPending();
    QString name = file.GetName();
    if (isDeviceNameTaken(name, QString())) {
        const QString withAddress = u"%1 (%2)"_s.arg(name, m_formatAddress(file.GetAddress()));
        name = withAddress;
        for (int counter = 2; isDeviceNameTaken(name, QString()); ++counter)
            name = withAddress + u' ' + QString::number(counter);
    }
    file.SetName(name);
    const QString path = uniqueFilePath(name);
    if (!file.SaveAs(path)) {
        QMessageBox::critical(m_dialogParent, tr("New Device"),
                              tr("Could not create the file:\n%1\n\n%2")
                                  .arg(QDir::toNativeSeparators(path), file.GetLastError()));
        return {};
    }
    m_expanded.insert(path);
    saveExpanded();
    reload();
    selectItem(path, -1);
    return path;
}

void CProjectsPanel::SelectDevice(const QString &path)
{
    reloadIfPending();
    selectItem(path, -1);
}

void CProjectsPanel::showDeviceProperties(int device)
{
    if (device < 0 || device >= m_devices.size())
        return;
    const CI2cDeviceFile before = m_devices.at(device);
    CI2cDeviceFile edited = before;
    const QString path = edited.GetFilePath();
    if (!editDevice(edited, false))
        return;
    // The dialog's three fields go into the file as it is now; commands changed meanwhile by
    // another program are kept.
    std::optional<CI2cDeviceFile> file = readSameDevice(before);
    if (!file) {
        warnChangedMeanwhile(tr("Device Properties"), path);
        return;
    }
    file->SetName(edited.GetName());
    file->SetAddress(edited.GetAddress());
    file->SetDescription(edited.GetDescription());
    if (!saveDevice(*file))
        return;
    reload();
    selectItem(path, -1);
}

bool CProjectsPanel::saveDevice(const CI2cDeviceFile &file)
{
    if (file.Save())
        return true;
    QMessageBox::critical(
        m_dialogParent, tr("Projects"),
        tr("Could not save the file:\n%1\n\n%2")
            .arg(QDir::toNativeSeparators(file.GetFilePath()), file.GetLastError()));
    return false;
}

void CProjectsPanel::deleteDevice(int device)
{
    if (device < 0 || device >= m_devices.size())
        return;
    const CI2cDeviceFile before = m_devices.at(device);
    const QString path = before.GetFilePath();
    const QString title = tr("Delete Device");
    if (!Confirm(
            m_dialogParent, title,
            tr("Move \"%1\" (%2) to the trash?").arg(before.GetName(), QFileInfo(path).fileName())))
        return;
    // Only the device named in the question is deleted: a file that another program removed,
    // broke or filled with another device meanwhile stays as it is.
    if (!readSameDevice(before)) {
        warnChangedMeanwhile(title, path);
        return;
    }
    if (!MoveFileToTrash(path) && !QFile::remove(path)) {
        QMessageBox::critical(
            m_dialogParent, title,
            tr("Could not delete the file:\n%1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    m_expanded.remove(path);
    saveExpanded();
    reload();
}

void CProjectsPanel::deleteErrorFile(const QString &path)
{
    if (!Confirm(m_dialogParent, tr("Delete File"),
                 tr("Move \"%1\" to the trash?").arg(QFileInfo(path).fileName())))
        return;
    reloadIfPending();
    // A file repaired while the question was open is a device again and is not deleted.
    if (findDevice(path) >= 0) {
        warnChangedMeanwhile(tr("Delete File"), path);
        return;
    }
    if (!MoveFileToTrash(path))
        QFile::remove(path);
    reload();
}

std::optional<QString> CProjectsPanel::promptLabel(const QString &title, const QString &prompt,
                                                   const QString &text, const CI2cDeviceFile &file,
                                                   int exceptIndex)
{
    QString proposal = text;
    for (;;) {
        bool ok = false;
        const QString answer =
            QInputDialog::getText(m_dialogParent, title, prompt, QLineEdit::Normal, proposal, &ok)
                .trimmed();
        if (!ok || answer.isEmpty())
            return std::nullopt;
        if (!file.HasCommandLabel(answer, exceptIndex))
            return answer;
        warnLabelTaken(title, answer, file.GetName());
        proposal = answer;
    }
}

std::optional<CProjectsPanel::SLabelChoice>
CProjectsPanel::chooseLabel(const QString &title, const QString &prompt, QString text,
                            CI2cDeviceFile file, const SI2cCommand *renamed, int command)
{
    const QString path = file.GetFilePath();
    for (;;) {
        const std::optional<QString> label = promptLabel(title, prompt, text, file, command);
        if (!label)
            return std::nullopt;
        std::optional<CI2cDeviceFile> current = readSameDevice(file);
        if (current && renamed)
            command = findCommand(*current, *renamed, command);
        if (!current || (renamed && command < 0)) {
            warnChangedMeanwhile(title, path);
            return std::nullopt;
        }
        if (!current->HasCommandLabel(*label, command))
            return SLabelChoice{std::move(*current), *label, command};
        // Another program added the same label while the prompt was open.
        warnLabelTaken(title, *label, current->GetName());
        file = std::move(*current);
        text = *label;
    }
}

void CProjectsPanel::AddCommand(SI2cCommand command)
{
    const QString title = tr("Save Command");
    int device = deviceIndexAt(m_widgets.tree->currentIndex());
    // A sequence of log rows belongs to the device its transfers address, whichever is
    // selected.
    if (command.type == EI2cCommandType::Sequence && !m_devices.isEmpty()) {
        device = sequenceTarget(command);
        if (device < 0)
            return;
    }
    if (device < 0) {
        if (!Confirm(m_dialogParent, title,
                     tr("No device selected in the projects list.\nCreate a new device?")))
            return;
        device = createDevice();
        if (device < 0)
            return;
    }

    QString label;
    if (command.type == EI2cCommandType::Read)
        label = tr("Read %n byte(s)", nullptr, command.count);
    else if (command.type == EI2cCommandType::WriteRead)
        label = tr("Write %1, read %n byte(s)", nullptr, command.count)
                    .arg(CI2cDeviceFile::BytesToHex(command.data));
    else if (command.type == EI2cCommandType::Sequence)
        label = tr("Sequence of %n step(s)", nullptr, int(command.steps.size()));
    else if (command.data.empty())
        label = tr("Write address only");
    else
        label = tr("Write %1").arg(CI2cDeviceFile::BytesToHex(command.data));

    const CI2cDeviceFile &target = m_devices.at(device);
    std::optional<SLabelChoice> choice =
        chooseLabel(title, tr("Label for the command in \"%1\":").arg(target.GetName()), label,
                    target, nullptr, -1);
    if (!choice)
        return;
    command.label = choice->label;
    choice->file.AddCommand(command);
    if (!saveDevice(choice->file))
        return;
    const QString path = choice->file.GetFilePath();
    m_expanded.insert(path);
    saveExpanded();
    reload();
    selectItem(path, int(choice->file.GetCommands().size()) - 1);
}

void CProjectsPanel::renameCommand(int device, int command)
{
    if (!isCommand(device, command))
        return;
    const CI2cDeviceFile &file = m_devices.at(device);
    const SI2cCommand renamed = file.GetCommands().at(command);
    std::optional<SLabelChoice> choice =
        chooseLabel(tr("Rename Command"), tr("Label:"), renamed.label, file, &renamed, command);
    if (!choice)
        return;
    choice->file.RenameCommand(choice->command, choice->label);
    if (!saveDevice(choice->file))
        return;
    reload();
    selectItem(choice->file.GetFilePath(), choice->command);
}

void CProjectsPanel::deleteCommand(int device, int command)
{
    if (!isCommand(device, command))
        return;
    const QString title = tr("Delete Command");
    const CI2cDeviceFile before = m_devices.at(device);
    const QString path = before.GetFilePath();
    const SI2cCommand removed = before.GetCommands().at(command);
    if (!Confirm(m_dialogParent, title,
                 tr("Delete \"%1\" from \"%2\"?").arg(removed.label, before.GetName())))
        return;
    std::optional<CI2cDeviceFile> file = readSameDevice(before);
    const int index = file ? findCommand(*file, removed, command) : -1;
    if (index < 0) {
        warnChangedMeanwhile(title, path);
        return;
    }
    file->RemoveCommand(index);
    if (!saveDevice(*file))
        return;
    reload();
    selectItem(path, std::min(index, int(file->GetCommands().size()) - 1));
}

void CProjectsPanel::moveCommand(int device, int command, int delta)
{
    if (!isCommand(device, command))
        return;
    const CI2cDeviceFile before = m_devices.at(device);
    const QString path = before.GetFilePath();
    const SI2cCommand moved = before.GetCommands().at(command);
    std::optional<CI2cDeviceFile> file = readSameDevice(before);
    const int index = file ? findCommand(*file, moved, command) : -1;
    if (index < 0) {
        warnChangedMeanwhile(tr("Projects"), path);
        return;
    }
    if (!file->MoveCommand(index, delta) || !saveDevice(*file))
        return;
    reload();
    selectItem(path, index + delta);
}
