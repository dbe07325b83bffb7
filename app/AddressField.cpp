// SPDX-License-Identifier: MIT
#include "AddressField.h"

#include "MainWindowShared.h"
#include "NumberText.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace {

constexpr int ADDRESS_MIN_CONTENTS = 6;

} // namespace

AddressField::AddressField(QComboBox *field, QAction *sevenBitAction, QAction *eightBitAction,
                           QObject *parent)
    : QObject(parent)
    , m_field(field)
    , m_eightBitAction(eightBitAction)
{
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    for (QAction *action : {sevenBitAction, eightBitAction}) {
        action->setCheckable(true);
        group->addAction(action);
    }
    if (group->checkedAction() == nullptr)
        sevenBitAction->setChecked(true);
    connect(group, &QActionGroup::triggered, this, &AddressField::notationTriggered);
    m_eightBit = eightBitAction->isChecked();

    m_field->setEditable(true);
    m_field->setInsertPolicy(QComboBox::NoInsert);
    m_field->lineEdit()->setPlaceholderText(format(PLACEHOLDER_ADDRESS));
    m_field->setMinimumContentsLength(ADDRESS_MIN_CONTENTS);
}

bool AddressField::isEightBit() const
{
    return m_eightBitAction->isChecked();
}

QString AddressField::format(unsigned char address) const
{
    return NumberText::Address(address, isEightBit());
}

std::optional<unsigned char> AddressField::parse(const QString &text, bool eightBit)
{
    return NumberText::ParseAddress(text, eightBit);
}

std::optional<unsigned char> AddressField::current() const
{
    return parse(m_field->currentText(), isEightBit());
}

void AddressField::show(unsigned char address)
{
    m_field->setCurrentText(format(address));
}

QString AddressField::text() const
{
    return m_field->currentText();
}

void AddressField::setFound(const std::vector<std::uint8_t> &found, const QString &remembered)
{
    QStringList texts;
    for (const std::uint8_t address : found)
        texts << format(address);
    const std::optional<unsigned char> typed = parse(remembered, isEightBit());
    m_field->clear();
    m_field->addItems(texts);
    // The typed address stays the target: its entry when it answered, else the text as typed,
    // so a search never sends the next write to another slave.
    const auto again = typed ? std::find(found.begin(), found.end(), *typed) : found.end();
    if (again != found.end())
        m_field->setCurrentIndex(int(again - found.begin()));
    else {
        m_field->setCurrentIndex(-1);
        m_field->setEditText(remembered);
    }
}

bool AddressField::applyNotation()
{
    const bool wasEightBit = m_eightBit;
    m_eightBit = isEightBit();
    if (wasEightBit == m_eightBit)
        return false;
    const QString typed = m_field->currentText();
    const std::optional<unsigned char> typedAddress = parse(typed, wasEightBit);
    for (int i = 0; i < m_field->count(); ++i) {
        if (const auto address = parse(m_field->itemText(i), wasEightBit))
            m_field->setItemText(i, format(*address));
    }
    // Renaming the current entry rewrites the edit text, which must show the typed
    // address in the new notation, or stay as typed when it was no address.
    m_field->setEditText(typedAddress ? format(*typedAddress) : typed);
    m_field->lineEdit()->setPlaceholderText(format(PLACEHOLDER_ADDRESS));
    return true;
}
