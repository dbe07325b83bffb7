// SPDX-License-Identifier: MIT
#include "commanddialog.h"

#include "CI2cDeviceFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <optional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int MINIMUM_WIDTH = 360;
constexpr int MAX_READ_COUNT = 65535;

} // namespace

CommandDialog::CommandDialog(const QString &title, const QString &deviceName,
                             std::function<bool(const QString &)> isLabelTaken, QWidget *parent)
    : QDialog(parent)
    , m_deviceName(deviceName)
    , m_isLabelTaken(std::move(isLabelTaken))
{
    setWindowTitle(title);

    m_labelEdit = new QLineEdit(this);
    m_labelEdit->setObjectName(u"labelEdit"_s);

    m_typeCombo = new QComboBox(this);
    m_typeCombo->setObjectName(u"typeCombo"_s);
    m_typeCombo->addItem(tr("Write"), int(EI2cCommandType::Write));
    m_typeCombo->addItem(tr("Read"), int(EI2cCommandType::Read));
    m_typeCombo->addItem(tr("Write/Read"), int(EI2cCommandType::WriteRead));

    // The entries in the order of the mode values, as in the main window's start/stop box.
    m_modeCombo = new QComboBox(this);
    m_modeCombo->setObjectName(u"modeCombo"_s);
    m_modeCombo->addItems({tr("Auto"), tr("Generate Start"), tr("Generate Stop"), tr("None")});

    m_dataEdit = new QLineEdit(this);
    m_dataEdit->setObjectName(u"dataEdit"_s);
    m_dataEdit->setPlaceholderText(u"01 A5 FF"_s);

    m_countSpin = new QSpinBox(this);
    m_countSpin->setObjectName(u"countSpin"_s);
    m_countSpin->setRange(1, MAX_READ_COUNT);

    m_form = new QFormLayout;
    m_form->addRow(tr("Label"), m_labelEdit);
    m_form->addRow(tr("Type"), m_typeCombo);
    m_form->addRow(tr("Start-/Stopbit"), m_modeCombo);
    m_form->addRow(tr("Write Bytes"), m_dataEdit);
    m_form->addRow(tr("Read Bytes"), m_countSpin);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addWidget(m_buttons);
    setMinimumWidth(MINIMUM_WIDTH);

    connect(m_typeCombo, &QComboBox::currentIndexChanged, this, &CommandDialog::onTypeChanged);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CommandDialog::onAccept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    onTypeChanged();
}

void CommandDialog::setCommand(const SI2cCommand &command)
{
    m_labelEdit->setText(command.label);
    const int type = m_typeCombo->findData(int(command.type));
    m_typeCombo->setCurrentIndex(type >= 0 ? type : 0);
    const int mode = int(command.mode);
    m_modeCombo->setCurrentIndex(mode >= 0 && mode < m_modeCombo->count() ? mode : 0);
    m_dataEdit->setText(CI2cDeviceFile::BytesToHex(command.data));
    m_countSpin->setValue(command.count);
    onTypeChanged();
}

EI2cCommandType CommandDialog::selectedType() const
{
    return EI2cCommandType(m_typeCombo->currentData().toInt());
}

void CommandDialog::onTypeChanged()
{
    const EI2cCommandType type = selectedType();
    m_form->setRowVisible(m_modeCombo, type == EI2cCommandType::Write);
    m_form->setRowVisible(m_dataEdit, type != EI2cCommandType::Read);
    m_form->setRowVisible(m_countSpin, type != EI2cCommandType::Write);
}

void CommandDialog::onAccept()
{
    const auto refuse = [this](const QString &text, QWidget *field) {
        QMessageBox::warning(this, windowTitle(), text);
        field->setFocus();
    };

    SI2cCommand command;
    command.label = m_labelEdit->text().trimmed();
    command.type = selectedType();
    if (command.label.isEmpty()) {
        refuse(tr("Please enter a label."), m_labelEdit);
        return;
    }
    if (m_isLabelTaken && m_isLabelTaken(command.label)) {
        refuse(tr("\"%1\" already exists in \"%2\".\nPlease choose a different label.")
                   .arg(command.label, m_deviceName),
               m_labelEdit);
        m_labelEdit->selectAll();
        return;
    }
    if (command.type != EI2cCommandType::Read) {
        std::optional<std::vector<unsigned char>> bytes =
            CI2cDeviceFile::HexToBytes(m_dataEdit->text());
        if (!bytes) {
            refuse(tr("Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."), m_dataEdit);
            return;
        }
        command.data = std::move(*bytes);
    }
    if (command.type == EI2cCommandType::Write) {
        command.mode = EI2cWriteMode(m_modeCombo->currentIndex());
        // Without a start the address byte is not sent either, and an empty transfer is
        // refused by the main window when it is executed.
        const bool start =
            command.mode == EI2cWriteMode::Auto || command.mode == EI2cWriteMode::Start;
        if (!start && command.data.empty()) {
            refuse(tr("Without start at least one data byte is required."), m_dataEdit);
            return;
        }
    } else {
        command.count = m_countSpin->value();
    }
    // The loader's own rule; with mode and count limited by their fields, only a write/read
    // without bytes is left for it to refuse.
    if (!CI2cDeviceFile::IsValidCommand(command)) {
        refuse(tr("A write/read needs at least one byte to write."), m_dataEdit);
        return;
    }
    m_command = std::move(command);
    accept();
}
