// SPDX-License-Identifier: MIT
#include "projectdevicedialog.h"

#include "DiscardQuestion.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int MINIMUM_WIDTH = 360;
constexpr int DESCRIPTION_LINES = 4;

} // namespace

ProjectDeviceDialog::ProjectDeviceDialog(
    const QString &title, std::function<std::optional<unsigned char>(const QString &)> parseAddress,
    std::function<bool(const QString &)> isNameTaken, QWidget *parent)
    : QDialog(parent)
    , m_parseAddress(std::move(parseAddress))
    , m_isNameTaken(std::move(isNameTaken))
{
    setWindowTitle(title);

    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(u"nameEdit"_s);
    m_nameEdit->setPlaceholderText(tr("e.g. BH1750"));

    m_addressEdit = new QLineEdit(this);
    m_addressEdit->setObjectName(u"addressEdit"_s);
    m_addressEdit->setPlaceholderText(u"0x23"_s);

    m_descriptionEdit = new QPlainTextEdit(this);
    m_descriptionEdit->setObjectName(u"descriptionEdit"_s);
    m_descriptionEdit->setPlaceholderText(tr("Optional, e.g. wiring or address pins"));
    m_descriptionEdit->setTabChangesFocus(true);
    m_descriptionEdit->setFixedHeight(DESCRIPTION_LINES *
                                      m_descriptionEdit->fontMetrics().lineSpacing());

    auto *form = new QFormLayout;
    form->addRow(tr("Name"), m_nameEdit);
    form->addRow(tr("Address"), m_addressEdit);
    form->addRow(tr("Description"), m_descriptionEdit);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_buttons);
    setMinimumWidth(MINIMUM_WIDTH);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &ProjectDeviceDialog::onAccept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_initialState = editorState();
}

void ProjectDeviceDialog::setValues(const QString &name, const QString &address,
                                    const QString &description)
{
    m_nameEdit->setText(name);
    m_addressEdit->setText(address);
    m_descriptionEdit->setPlainText(description);
    m_initialState = editorState();
}

QString ProjectDeviceDialog::editorState() const
{
    return QStringList{m_nameEdit->text(), m_addressEdit->text(), m_descriptionEdit->toPlainText()}
        .join(u'\x1f');
}

void ProjectDeviceDialog::reject()
{
    if (editorState() != m_initialState && !DiscardQuestion::confirm(this))
        return;
    QDialog::reject();
}

QString ProjectDeviceDialog::name() const
{
    return m_nameEdit->text().trimmed();
}

QString ProjectDeviceDialog::description() const
{
    return m_descriptionEdit->toPlainText().trimmed();
}

void ProjectDeviceDialog::onAccept()
{
    const auto refuse = [this](const QString &text, QWidget *field) {
        QMessageBox::warning(this, windowTitle(), text);
        field->setFocus();
    };
    const QString trimmedName = name();
    if (trimmedName.isEmpty()) {
        refuse(tr("Please enter a name."), m_nameEdit);
        return;
    }
    if (m_isNameTaken && m_isNameTaken(trimmedName)) {
        refuse(tr("A device named \"%1\" already exists.").arg(trimmedName), m_nameEdit);
        m_nameEdit->selectAll();
        return;
    }
    const std::optional<unsigned char> parsed = m_parseAddress(m_addressEdit->text());
    if (!parsed) {
        refuse(tr("Invalid I2C address."), m_addressEdit);
        return;
    }
    m_address = *parsed;
    accept();
}
