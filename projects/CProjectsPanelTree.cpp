// SPDX-License-Identifier: MIT
// The rows of the projects tree: one per device, one per command under it, one red row per
// file that failed to load.

#include "CProjectsModel.h"
#include "CProjectsPanel.h"
#include "ErrorColor.h"
#include "ProjectsItemRoles.h"
#include "SequenceParser.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

QList<QStandardItem *> createRow(const QString &name, const QString &type, const QString &data,
                                 int deviceIndex, int commandIndex)
{
    // The three items are copies of one: a copy allocates its role data at once instead of
    // growing it role by role, which counts with tens of thousands of rows.
    QStandardItem prototype(name);
    prototype.setEditable(false);
    prototype.setData(deviceIndex, ROLE_DEVICE_INDEX);
    prototype.setData(commandIndex, ROLE_COMMAND_INDEX);
    QList<QStandardItem *> row{prototype.clone(), prototype.clone(), prototype.clone()};
    row.at(1)->setText(type);
    row.at(2)->setText(data);
    return row;
}

// The Type texts, built once per rebuild rather than once per command.
struct STypeTexts
{
    QString read = CProjectsPanel::tr("Read");
    QString write = CProjectsPanel::tr("Write");
    QString writeRead = CProjectsPanel::tr("Write/Read");
    QString sequence = CProjectsPanel::tr("Sequence");
    QString start =
        CProjectsPanel::tr("Write (%1)").arg(QCoreApplication::translate("QObject", "Start"));
    QString stop =
        CProjectsPanel::tr("Write (%1)").arg(QCoreApplication::translate("QObject", "Stop"));
    QString none =
        CProjectsPanel::tr("Write (%1)").arg(QCoreApplication::translate("QObject", "None"));
    QString addressOnly = CProjectsPanel::tr("(address only)");

    const QString &Type(const SI2cCommand &command) const
    {
        if (command.type == EI2cCommandType::Read)
            return read;
        // A write/read carries a mode only along; its write never ends with a stop.
        if (command.type == EI2cCommandType::WriteRead)
            return writeRead;
        if (command.type == EI2cCommandType::Sequence)
            return sequence;
        switch (command.mode) {
        case EI2cWriteMode::Start:
            return start;
        case EI2cWriteMode::Stop:
            return stop;
        case EI2cWriteMode::None:
            return none;
        case EI2cWriteMode::Auto:
            break;
        }
        return write;
    }

    QString Data(const SI2cCommand &command) const
    {
        // A read that decodes a value names its unit after the byte count.
        const QString unit = command.value && !command.value->unit.isEmpty()
                                 ? u" "_s + command.value->unit
                                 : QString();
        if (command.type == EI2cCommandType::Sequence) {
            const int steps = SequenceParser::CountStepLines(command.steps);
            return steps == 1 ? CProjectsPanel::tr("1 step")
                              : CProjectsPanel::tr("%n steps", nullptr, steps);
        }
        if (command.type == EI2cCommandType::Read)
            return CProjectsPanel::tr("%n byte(s)", nullptr, command.count) + unit;
        if (command.type == EI2cCommandType::WriteRead)
            return CProjectsPanel::tr("%1 > %n byte(s)", nullptr, command.count)
                       .arg(CI2cDeviceFile::BytesToHex(command.data)) +
                   unit;
        return command.data.empty() ? addressOnly : CI2cDeviceFile::BytesToHex(command.data);
    }
};

} // namespace

void CProjectsPanel::rebuildModel()
{
    QTreeView *tree = m_widgets.tree;

    // The selection is remembered from the rows themselves, not through the device list,
    // which a reload has already replaced when it gets here. A current row that the filter
    // hides is remembered as well.
    SRowKey selected = m_currentRow;
    const QModelIndex current = tree->currentIndex();
    if (current.isValid()) {
        QModelIndex name = current.siblingAtColumn(0);
        selected.command = -1;
        if (name.parent().isValid()) {
            selected.command = name.data(ROLE_COMMAND_INDEX).toInt();
            name = name.parent();
        }
        selected.path = name.data(ROLE_FILE_PATH).toString();
    }

    QList<QList<QStandardItem *>> rows;
    rows.reserve(m_devices.size() + m_fileErrors.size());

    const STypeTexts texts;
    // The items hold no font of their own, so the bold one is the same for all.
    QFont bold = QStandardItem().font();
    bold.setWeight(QFont::Bold);
    for (int i = 0; i < m_devices.size(); ++i) {
        const CI2cDeviceFile &file = m_devices.at(i);
        QList<QStandardItem *> row =
            createRow(file.GetName(), QString(), m_formatAddress(file.GetAddress()), i, -1);
        QStandardItem *nameItem = row.front();
        nameItem->setFont(bold);
        nameItem->setData(file.GetFilePath(), ROLE_FILE_PATH);
        nameItem->setToolTip(file.GetName() + u'\n' + QDir::toNativeSeparators(file.GetFilePath()));
        const QList<SI2cCommand> &commands = file.GetCommands();
        for (int j = 0; j < commands.size(); ++j) {
            const SI2cCommand &command = commands.at(j);
            QList<QStandardItem *> commandRow =
                createRow(command.label, texts.Type(command), texts.Data(command), i, j);
            commandRow.front()->setToolTip(command.label);
            nameItem->appendRow(commandRow);
        }
        rows.append(row);
    }

    const QBrush errorBrush(ERROR_COLOR);
    for (const SRefusedDeviceFile &error : std::as_const(m_fileErrors)) {
        QList<QStandardItem *> row =
            createRow(QFileInfo(error.path).fileName(), QString(), tr("Error"), -1, -1);
        for (QStandardItem *item : row) {
            item->setForeground(errorBrush);
            item->setToolTip(error.reason);
        }
        row.front()->setData(error.path, ROLE_FILE_PATH);
        rows.append(row);
    }
    m_model->ReplaceRows(rows);

    if (!m_widgets.filter->text().isEmpty())
        expandAllRows();
    else
        restoreExpanded();

    if (!selected.path.isEmpty())
        selectItem(selected.path, selected.command);
    else
        m_widgets.description->clear();
}

void CProjectsPanel::selectItem(const QString &filePath, int commandIndex)
{
    QStandardItem *target = nullptr;
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows && target == nullptr; ++row) {
        QStandardItem *item = m_model->item(row);
        if (item->data(ROLE_FILE_PATH).toString() != filePath)
            continue;
        target = item;
        if (commandIndex >= 0 && commandIndex < item->rowCount())
            target = item->child(commandIndex);
    }
    if (target == nullptr) {
        m_currentRow = {};
        m_widgets.description->clear();
        // The device is gone (deleted, moved to the trash): nothing may still act on it.
        Q_EMIT currentDeviceChanged(QString());
        return;
    }
    // Wanted as the current row even while the filter hides it.
    m_currentRow = {filePath, target->parent() != nullptr ? target->row() : -1};
    const QModelIndex index = m_proxy->mapFromSource(target->index());
    if (!index.isValid()) {
        m_widgets.description->clear();
        return;
    }
    QTreeView *tree = m_widgets.tree;
    if (index.parent().isValid())
        tree->expand(index.parent());
    tree->setCurrentIndex(index);
    tree->scrollTo(index, QAbstractItemView::EnsureVisible);
    onCurrentChanged(index);
}

void CProjectsPanel::followCurrentRow()
{
    // Filtering drops a hidden current row without a word to the view's listeners, and a row
    // shown again does not become current by itself.
    const QModelIndex current = m_widgets.tree->currentIndex();
    if (current.isValid())
        onCurrentChanged(current);
    else if (!m_currentRow.path.isEmpty())
        selectItem(m_currentRow.path, m_currentRow.command);
    else
        m_widgets.description->clear();
}
