// SPDX-License-Identifier: MIT
#include "sequencedialog.h"

#include "SequenceEdit.h"
#include "SequenceParser.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int MINIMUM_WIDTH = 520;
constexpr int MINIMUM_HEIGHT = 360;
const QString ERROR_STYLE = u"color: #b00020;"_s;

} // namespace

SequenceDialog::SequenceDialog(const QString &title, const QString &deviceName,
                               std::uint8_t deviceAddress,
                               std::function<bool(const QString &)> isLabelTaken, QWidget *parent)
    : LabelledDialog(title, deviceName, std::move(isLabelTaken), parent)
    , m_deviceAddress(deviceAddress)
{
    m_edit = new SequenceEdit(this);
    m_edit->setPlaceholderText(u"w2 01 60\ndelay 10ms\nexpect w1 00 r2 == 19 00 mask FF F0"_s);
    m_status = new QLabel(this);
    m_status->setObjectName(u"sequenceStatus"_s);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_buttons = createButtons();

    auto *form = new QFormLayout;
    form->addRow(tr("Label"), m_labelEdit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_status);
    layout->addWidget(m_buttons);
    setMinimumSize(MINIMUM_WIDTH, MINIMUM_HEIGHT);

    connect(m_edit, &QPlainTextEdit::textChanged, this, &SequenceDialog::onTextChanged);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &SequenceDialog::onAccept);
    onTextChanged();
    rememberState();
}

void SequenceDialog::setCommand(const SI2cCommand &command)
{
    m_labelEdit->setText(command.label);
    m_edit->setPlainText(command.steps.join(u'\n'));
    rememberState();
}

QString SequenceDialog::editorState() const
{
    return m_labelEdit->text() + u'\x1f' + m_edit->toPlainText();
}

QStringList SequenceDialog::lines() const
{
    return m_edit->toPlainText().split(u'\n');
}

QString SequenceDialog::check(bool expand) const
{
    SSequenceError error;
    const std::optional<std::vector<SSequenceEntry>> entries =
        SequenceParser::Parse(lines(), error);
    // While typing only the lines are checked: unrolling a large repeat on every key would
    // make the editor lag.
    if (entries && (!expand || SequenceParser::Expand(*entries, m_deviceAddress, error)))
        return {};
    return tr("Line %1, column %2: %3").arg(error.line).arg(error.column).arg(error.message);
}

void SequenceDialog::onTextChanged()
{
    const QString error = check(false);
    const int steps = SequenceParser::CountStepLines(lines());
    const bool valid = error.isEmpty() && steps > 0;
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(valid);
    m_status->setStyleSheet(error.isEmpty() ? QString() : ERROR_STYLE);
    if (!error.isEmpty())
        m_status->setText(error);
    else if (steps == 0)
        m_status->setText(tr("Enter at least one step."));
    else
        m_status->setText(steps == 1 ? tr("1 step") : tr("%n steps", nullptr, steps));
}

void SequenceDialog::onAccept()
{
    const std::optional<QString> label = checkedLabel();
    if (!label)
        return;
    SI2cCommand command;
    command.type = EI2cCommandType::Sequence;
    command.label = *label;
    const QString error = check(true);
    command.steps = lines();
    while (!command.steps.isEmpty() && command.steps.last().trimmed().isEmpty())
        command.steps.removeLast();
    if (!error.isEmpty() || command.steps.isEmpty()) {
        refuse(error.isEmpty() ? tr("Enter at least one step.") : error, m_edit);
        return;
    }
    m_command = std::move(command);
    accept();
}
