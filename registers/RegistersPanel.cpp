// SPDX-License-Identifier: MIT
#include "RegistersPanel.h"

#include "RegisterBits.h"
#include "RegisterPlan.h"
#include "RegisterText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int COLUMN_ADDRESS = 0;
constexpr int COLUMN_NAME = 1;
constexpr int COLUMN_VALUE = 2;
constexpr int COLUMN_MEANING = 3;
constexpr int ROLE_REGISTER = Qt::UserRole;
constexpr int ROLE_FIELD = Qt::UserRole + 1; // -1 on a register row
const QColor RESET_DIFFERS_COLOR = QColor(0xB0, 0x5A, 0x00);

// A field with enum texts is edited with a choice of them, every other value as text.
class CValueDelegate : public QStyledItemDelegate
{
public:
    CValueDelegate(const RegistersPanel &panel, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_panel(panel)
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        const SRegisterField *field = fieldAt(index);
        if (field == nullptr || field->enumTexts.empty())
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *box = new QComboBox(parent);
        for (const auto &[value, text] : field->enumTexts)
            box->addItem(text, QVariant::fromValue(value));
        return box;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor))
            box->setCurrentIndex(box->findData(QVariant::fromValue(index.data().toUInt())));
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor))
            model->setData(index, QString::number(box->currentData().toUInt()));
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    const SRegisterField *fieldAt(const QModelIndex &index) const
    {
        const int reg = index.data(ROLE_REGISTER).toInt();
        const int field = index.data(ROLE_FIELD).toInt();
        const SRegisterMap &map = m_panel.map();
        if (field < 0 || reg < 0 || reg >= map.registers.size() ||
            field >= map.registers.at(reg).fields.size())
            return nullptr;
        return &map.registers.at(reg).fields.at(field);
    }

    const RegistersPanel &m_panel;
};

} // namespace

RegistersPanel::RegistersPanel(QWidget *parent)
    : QWidget(parent)
    , m_tree(new QTreeWidget(this))
    , m_hint(new QLabel(this))
    , m_readAll(new QPushButton(tr("Read All"), this))
    , m_read(new QPushButton(tr("Read"), this))
    , m_write(new QPushButton(tr("Write"), this))
    , m_save(new QPushButton(tr("Save Registers..."), this))
{
    m_tree->setObjectName(u"tree_registers"_s);
    m_hint->setObjectName(u"label_registers_hint"_s);
    m_readAll->setObjectName(u"btn_registers_read_all"_s);
    m_read->setObjectName(u"btn_registers_read"_s);
    m_write->setObjectName(u"btn_registers_write"_s);
    m_save->setObjectName(u"btn_registers_save"_s);
    m_tree->setHeaderLabels({tr("Address"), tr("Name"), tr("Value"), tr("Meaning")});
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(true);
    m_tree->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_tree->setItemDelegateForColumn(COLUMN_VALUE, new CValueDelegate(*this, this));
    m_write->setToolTip(tr("Writes the value typed into the register's Value cell."));
    m_hint->setWordWrap(true);
    m_hint->setAlignment(Qt::AlignCenter);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_readAll, m_read, m_write})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(m_save);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_hint);
    layout->addWidget(m_tree);
    layout->addLayout(buttons);

    connect(m_readAll, &QPushButton::clicked, this, &RegistersPanel::readAllRequested);
    connect(m_read, &QPushButton::clicked, this, &RegistersPanel::onRead);
    connect(m_write, &QPushButton::clicked, this, &RegistersPanel::onWrite);
    connect(m_save, &QPushButton::clicked, this, &RegistersPanel::saveRequested);
    connect(m_tree, &QTreeWidget::itemChanged, this, &RegistersPanel::onItemChanged);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &RegistersPanel::onSelectionChanged);
    showHint(tr("Select a device in the projects panel."));
}

void RegistersPanel::showHint(const QString &text)
{
    m_map = SRegisterMap();
    m_values.Clear();
    m_tree->clear();
    m_hint->setText(text);
    m_hint->show();
    m_tree->hide();
    onSelectionChanged();
}

void RegistersPanel::setMap(const SRegisterMap &map)
{
    m_map = map;
    m_values.Clear();
    // Rows of another map would be filled with this map's fields.
    m_tree->clear();
    m_hint->hide();
    m_tree->show();
    refresh();
}

void RegistersPanel::refresh()
{
    // Filled in place when the rows are there, so expansion and selection stay; new rows
    // are filled before they join the tree, which is far cheaper than filling them there.
    m_filling = true;
    const auto fill = [this](QTreeWidgetItem *item, int reg) {
        fillRegister(item, reg);
        for (int field = 0; field < item->childCount(); ++field)
            fillField(item->child(field), reg, field);
    };
    if (treeMatchesMap()) {
        for (int reg = 0; reg < m_tree->topLevelItemCount(); ++reg)
            fill(m_tree->topLevelItem(reg), reg);
    } else {
        m_tree->clear();
        QList<QTreeWidgetItem *> items;
        items.reserve(m_map.registers.size());
        for (qsizetype reg = 0; reg < m_map.registers.size(); ++reg) {
            auto *item = new QTreeWidgetItem;
            for (qsizetype field = 0; field < m_map.registers.at(reg).fields.size(); ++field)
                item->addChild(new QTreeWidgetItem);
            fill(item, int(reg));
            items.append(item);
        }
        m_tree->addTopLevelItems(items);
    }
    m_filling = false;
    onSelectionChanged();
}

bool RegistersPanel::treeMatchesMap() const
{
    if (m_tree->topLevelItemCount() != m_map.registers.size())
        return false;
    for (int reg = 0; reg < m_tree->topLevelItemCount(); ++reg) {
        if (m_tree->topLevelItem(reg)->childCount() != m_map.registers.at(reg).fields.size())
            return false;
    }
    return true;
}

void RegistersPanel::fillRegister(QTreeWidgetItem *item, int reg)
{
    const SRegister &info = m_map.registers.at(reg);
    const std::optional<std::uint32_t> edited = m_values.Edited(reg);
    const std::optional<std::uint32_t> value = edited ? edited : m_values.Value(reg);
    item->setData(COLUMN_VALUE, ROLE_REGISTER, reg);
    item->setData(COLUMN_VALUE, ROLE_FIELD, -1);
    item->setText(COLUMN_ADDRESS, RegisterText::Address(info.address, m_map.addressBytes));
    item->setText(COLUMN_NAME, info.name);
    item->setText(COLUMN_VALUE, value ? RegisterText::Hex(*value, info.size) : QString());
    item->setText(COLUMN_MEANING, value ? RegisterText::RegisterMeaning(info, *value) : QString());
    item->setToolTip(COLUMN_NAME, info.description);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (RegisterAccess::IsWritable(info.access))
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    QFont font = item->font(COLUMN_VALUE);
    font.setBold(m_values.IsChanged(reg) || edited.has_value());
    font.setItalic(edited.has_value());
    item->setFont(COLUMN_VALUE, font);
    const bool differs = CRegisterValues::DiffersFromReset(info, value);
    item->setForeground(COLUMN_VALUE, differs ? QBrush(RESET_DIFFERS_COLOR) : QBrush());
    QStringList tips;
    if (m_values.IsChanged(reg))
        tips << tr("Changed at the last read.");
    if (edited)
        tips << tr("Edited, not yet written: press Write.");
    else if (RegisterAccess::IsWritable(info.access))
        tips << tr("A value typed here is written to %1 when you press Write.").arg(info.name);
    if (differs)
        tips << tr("Differs from the reset value %1.")
                    .arg(RegisterText::Hex(*info.reset, info.size));
    item->setToolTip(COLUMN_VALUE, tips.join(u'\n'));
}

void RegistersPanel::fillField(QTreeWidgetItem *item, int reg, int field)
{
    const SRegister &info = m_map.registers.at(reg);
    const SRegisterField &bits = info.fields.at(field);
    const std::optional<std::uint32_t> value = m_values.Value(reg);
    const std::optional<std::uint32_t> raw =
        value ? std::optional(RegisterBits::Extract(*value, bits)) : std::nullopt;
    item->setData(COLUMN_VALUE, ROLE_REGISTER, reg);
    item->setData(COLUMN_VALUE, ROLE_FIELD, field);
    item->setText(COLUMN_ADDRESS, RegisterText::Bits(bits));
    item->setText(COLUMN_NAME, bits.name);
    item->setToolTip(COLUMN_NAME, bits.description);
    item->setText(COLUMN_MEANING, raw ? RegisterText::FieldMeaning(bits, *raw) : QString());
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const bool oneBit = bits.Width() == 1 && bits.enumTexts.empty();
    if (oneBit) {
        // One bit is a check box; it is editable when the field is.
        item->setText(COLUMN_VALUE, QString());
        item->setCheckState(COLUMN_VALUE, raw && *raw != 0 ? Qt::Checked : Qt::Unchecked);
        if (isFieldWritable(reg, field))
            flags |= Qt::ItemIsUserCheckable;
    } else {
        item->setText(COLUMN_VALUE, raw ? QString::number(*raw) : QString());
        if (isFieldWritable(reg, field))
            flags |= Qt::ItemIsEditable;
    }
    item->setFlags(flags);
    item->setToolTip(COLUMN_VALUE,
                     isFieldWritable(reg, field) ? fieldWriteText(reg, field) : QString());
}

QString RegistersPanel::fieldWriteText(int reg, int field) const
{
    const SRegister &info = m_map.registers.at(reg);
    const SRegisterField &bits = info.fields.at(field);
    const QString where = u"%1 (%2 %3)"_s.arg(bits.name, info.name, RegisterText::Bits(bits));
    if (info.access == ERegisterAccess::WriteOnly)
        return tr("Changing %1 writes %2 at once, its other bits as last written.")
            .arg(where, info.name);
    return tr("Changing %1 is a read-modify-write at once: %2 is read, these bits are "
              "replaced and %2 is written back.")
        .arg(where, info.name);
}

bool RegistersPanel::isFieldWritable(int reg, int field) const
{
    const SRegister &info = m_map.registers.at(reg);
    return RegisterPlan::WriteRefusal(info, &info.fields.at(field)).isEmpty();
}

int RegistersPanel::selectedRegister() const
{
    const QList<QTreeWidgetItem *> selected = m_tree->selectedItems();
    if (selected.isEmpty() || m_tree->isHidden())
        return -1;
    return selected.first()->data(COLUMN_VALUE, ROLE_REGISTER).toInt();
}

void RegistersPanel::onItemChanged(QTreeWidgetItem *item, int column)
{
    if (m_filling || column != COLUMN_VALUE)
        return;
    const int reg = item->data(COLUMN_VALUE, ROLE_REGISTER).toInt();
    const int field = item->data(COLUMN_VALUE, ROLE_FIELD).toInt();
    const SRegister &info = m_map.registers.at(reg);
    QString error;
    std::optional<std::uint32_t> value;
    if (field < 0) {
        value = RegisterText::ParseRegisterValue(info, item->text(COLUMN_VALUE), error);
        if (value)
            m_values.SetEdited(reg, *value);
    } else if (item->flags().testFlag(Qt::ItemIsUserCheckable)) {
        value = item->checkState(COLUMN_VALUE) == Qt::Checked ? 1 : 0;
    } else {
        value = RegisterText::ParseFieldValue(info, info.fields.at(field), item->text(COLUMN_VALUE),
                                              error);
    }
    if (!value) {
        QMessageBox::warning(this, tr("Registers"), error);
        refresh();
        return;
    }
    if (field < 0) {
        refresh();
        return;
    }
    // Shows the value held until the write has told what the register holds now.
    refresh();
    Q_EMIT fieldWriteRequested(reg, field, *value);
}

void RegistersPanel::onSelectionChanged()
{
    const int reg = selectedRegister();
    const bool hasMap = !m_map.registers.isEmpty() && !m_tree->isHidden();
    m_readAll->setEnabled(hasMap);
    m_save->setEnabled(hasMap);
    m_read->setEnabled(reg >= 0 && m_map.registers.at(reg).access != ERegisterAccess::WriteOnly);
    m_write->setEnabled(reg >= 0 && RegisterAccess::IsWritable(m_map.registers.at(reg).access) &&
                        m_values.Edited(reg).has_value());
}

bool RegistersPanel::readChangesState(int reg) const
{
    const SRegister &info = m_map.registers.at(reg);
    if (info.access == ERegisterAccess::ReadClears)
        return true;
    return std::any_of(info.fields.cbegin(), info.fields.cend(), [&info](const SRegisterField &f) {
        return RegisterPlan::FieldAccess(info, f) == ERegisterAccess::ReadClears;
    });
}

void RegistersPanel::onRead()
{
    const int reg = selectedRegister();
    if (reg < 0)
        return;
    if (readChangesState(reg)) {
        const QString name = m_map.registers.at(reg).name;
        QMessageBox box(QMessageBox::Question, tr("Read"),
                        tr("Reading %1 clears or changes its state in the chip: flags it holds "
                           "now are lost. Read %1?")
                            .arg(name),
                        QMessageBox::NoButton, this);
        box.setObjectName(u"readClearsQuestion"_s);
        QPushButton *read = box.addButton(tr("Read"), QMessageBox::AcceptRole);
        read->setObjectName(u"confirmButton"_s);
        QPushButton *cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() != read)
            return;
    }
    Q_EMIT readRequested(reg);
}

void RegistersPanel::onWrite()
{
    const int reg = selectedRegister();
    if (reg < 0)
        return;
    const std::optional<std::uint32_t> edited = m_values.Edited(reg);
    const std::optional<std::uint32_t> value = edited ? edited : m_values.Value(reg);
    if (!value) {
        QMessageBox::warning(this, tr("Write"),
                             tr("Enter a value for %1 first.").arg(m_map.registers.at(reg).name));
        return;
    }
    Q_EMIT writeRequested(reg, *value);
}
