// SPDX-License-Identifier: MIT
#include "labelleddialog.h"

#include "DiscardQuestion.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>

#include <utility>

using namespace Qt::StringLiterals;

LabelledDialog::LabelledDialog(const QString &title, const QString &deviceName,
                               std::function<bool(const QString &)> isLabelTaken, QWidget *parent)
    : QDialog(parent)
    , m_deviceName(deviceName)
    , m_isLabelTaken(std::move(isLabelTaken))
{
    setWindowTitle(title);
    m_labelEdit = new QLineEdit(this);
    m_labelEdit->setObjectName(u"labelEdit"_s);
}

QDialogButtonBox *LabelledDialog::createButtons()
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

std::optional<QString> LabelledDialog::checkedLabel()
{
    const QString label = m_labelEdit->text().trimmed();
    if (label.isEmpty()) {
        refuse(tr("Please enter a label."), m_labelEdit);
        return std::nullopt;
    }
    if (m_isLabelTaken && m_isLabelTaken(label)) {
        refuse(tr("\"%1\" already exists in \"%2\".\nPlease choose a different label.")
                   .arg(label, m_deviceName),
               m_labelEdit);
        m_labelEdit->selectAll();
        return std::nullopt;
    }
    return label;
}

void LabelledDialog::reject()
{
    if (editorState() != m_initialState && !DiscardQuestion::confirm(this))
        return;
    QDialog::reject();
}

void LabelledDialog::refuse(const QString &text, QWidget *field)
{
    QMessageBox::warning(this, windowTitle(), text);
    field->setFocus();
}
