// SPDX-License-Identifier: MIT
#include "commanddialog.h"

#include "CI2cDeviceFile.h"
#include "I2cFacts.h"
#include "NumberText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int MINIMUM_WIDTH = 360;
constexpr auto MAX_READ_COUNT = int(I2cFacts::MAX_READ_COUNT);
// A read brings at most 65,535 bytes, so the value starts at the last of them at most.
constexpr int MAX_VALUE_OFFSET = MAX_READ_COUNT - 1;
constexpr int NO_VALUE = -1;

// The shortest text that reads back as the same number, so a decoding opened and stored
// again keeps its bytes in the file.
QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

std::optional<double> numberOf(const QLineEdit *edit)
{
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

CommandDialog::CommandDialog(const QString &title, const QString &deviceName,
                             std::function<bool(const QString &)> isLabelTaken, QWidget *parent)
    : LabelledDialog(title, deviceName, std::move(isLabelTaken), parent)
{
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
    createValueFields();

    m_buttons = createButtons();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addWidget(m_buttons);
    setMinimumWidth(MINIMUM_WIDTH);

    connect(m_typeCombo, &QComboBox::currentIndexChanged, this, &CommandDialog::onTypeChanged);
    connect(m_valueTypeCombo, &QComboBox::currentIndexChanged, this, &CommandDialog::onTypeChanged);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CommandDialog::onAccept);
    onTypeChanged();
    rememberState();
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
    setValue(command.value);
    onTypeChanged();
    rememberState();
}

QString CommandDialog::editorState() const
{
    return QStringList{m_labelEdit->text(),        m_typeCombo->currentText(),
                       m_modeCombo->currentText(), m_dataEdit->text(),
                       m_countSpin->text(),        m_valueTypeCombo->currentText(),
                       m_valueOffsetSpin->text(),  m_valueScaleEdit->text(),
                       m_valueAddEdit->text(),     m_valueUnitEdit->text()}
        .join(u'\x1f');
}

void CommandDialog::createValueFields()
{
    m_valueTypeCombo = new QComboBox(this);
    m_valueTypeCombo->setObjectName(u"valueTypeCombo"_s);
    m_valueTypeCombo->addItem(tr("None"), NO_VALUE);
    for (const EValueType type : SValueDecoding::Types())
        m_valueTypeCombo->addItem(SValueDecoding::TypeWord(type), int(type));
    m_valueOffsetSpin = new QSpinBox(this);
    m_valueOffsetSpin->setObjectName(u"valueOffsetSpin"_s);
    m_valueOffsetSpin->setRange(0, MAX_VALUE_OFFSET);
    m_valueScaleEdit = new QLineEdit(this);
    m_valueScaleEdit->setObjectName(u"valueScaleEdit"_s);
    m_valueAddEdit = new QLineEdit(this);
    m_valueAddEdit->setObjectName(u"valueAddEdit"_s);
    m_valueUnitEdit = new QLineEdit(this);
    m_valueUnitEdit->setObjectName(u"valueUnitEdit"_s);
    m_form->addRow(tr("Value Type"), m_valueTypeCombo);
    m_form->addRow(tr("Value Offset"), m_valueOffsetSpin);
    m_form->addRow(tr("Scale"), m_valueScaleEdit);
    m_form->addRow(tr("Add"), m_valueAddEdit);
    m_form->addRow(tr("Unit"), m_valueUnitEdit);
    setValue(std::nullopt);
}

void CommandDialog::setValue(const std::optional<SValueDecoding> &value)
{
    const SValueDecoding shown = value.value_or(SValueDecoding());
    m_valueTypeCombo->setCurrentIndex(value ? m_valueTypeCombo->findData(int(value->type)) : 0);
    m_valueOffsetSpin->setValue(int(std::min<std::size_t>(shown.offset, MAX_VALUE_OFFSET)));
    m_valueScaleEdit->setText(numberText(shown.scale));
    m_valueAddEdit->setText(numberText(shown.add));
    m_valueUnitEdit->setText(shown.unit);
}

bool CommandDialog::readValue(std::optional<SValueDecoding> &value)
{
    value.reset();
    const int type = m_valueTypeCombo->currentData().toInt();
    if (type == NO_VALUE)
        return true;
    SValueDecoding decoding;
    decoding.type = EValueType(type);
    decoding.offset = std::size_t(m_valueOffsetSpin->value());
    for (const auto &[edit, target] :
         {std::pair{m_valueScaleEdit, &decoding.scale}, std::pair{m_valueAddEdit, &decoding.add}}) {
        const std::optional<double> number = numberOf(edit);
        if (!number) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("Invalid number. Enter a decimal number, e.g. 0.5 or 1e-3."));
            edit->setFocus();
            return false;
        }
        *target = *number;
    }
    decoding.unit = m_valueUnitEdit->text().trimmed();
    if (decoding.BytesNeeded() > std::size_t(MAX_READ_COUNT)) {
        QMessageBox::warning(
            this, windowTitle(),
            tr("The value ends past the %1 bytes a read can bring.").arg(MAX_READ_COUNT));
        m_valueOffsetSpin->setFocus();
        return false;
    }
    value = decoding;
    return true;
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
    const bool reads = type != EI2cCommandType::Write;
    const bool decodes = m_valueTypeCombo->currentData().toInt() != NO_VALUE;
    m_form->setRowVisible(m_valueTypeCombo, reads);
    for (QWidget *field : std::initializer_list<QWidget *>{m_valueOffsetSpin, m_valueScaleEdit,
                                                           m_valueAddEdit, m_valueUnitEdit}) {
        m_form->setRowVisible(field, reads);
        field->setEnabled(decodes);
    }
}

void CommandDialog::onAccept()
{
    const std::optional<QString> label = checkedLabel();
    if (!label)
        return;
    SI2cCommand command;
    command.label = *label;
    command.type = selectedType();
    if (command.type != EI2cCommandType::Read) {
        std::optional<std::vector<unsigned char>> bytes =
            NumberText::ParseBytes(m_dataEdit->text());
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
        if (!readValue(command.value))
            return;
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
