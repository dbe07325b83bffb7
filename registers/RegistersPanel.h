// SPDX-License-Identifier: MIT
#pragma once

#include "RegisterValues.h"
#include "SRegisterMap.h"

#include <QWidget>

#include <cstdint>
#include <set>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The Registers dock's content: a device's register map as a tree of registers and their
// fields with values and meanings, the buttons that read and write them, and the edits. It
// asks for bus work through its signals; the part that owns the bus answers with values.
class RegistersPanel : public QWidget
{
    Q_OBJECT

public:
    explicit RegistersPanel(QWidget *parent = nullptr);

    // The tree gives way to `text` (no device chosen, or one without a map).
    void showHint(const QString &text);
    // A new map: values, marks and edits start empty.
    void setMap(const SRegisterMap &map);
    const SRegisterMap &map() const { return m_map; }
    CRegisterValues &values() { return m_values; }
    // Shows the values and marks held now.
    void refresh();
    // The register of the selected row (a field row selects its register), or -1.
    int selectedRegister() const;

Q_SIGNALS:
    void readAllRequested();
    void readRequested(int reg);
    void writeRequested(int reg, std::uint32_t value);
    // A field's new value, to be written by read-modify-write.
    void fieldWriteRequested(int reg, int field, std::uint32_t value);
    void saveRequested();

private Q_SLOTS:
    void onItemChanged(QTreeWidgetItem *item, int column);
    void onSelectionChanged();
    void onWrite();
    void onRead();

private:
    void fillRegister(QTreeWidgetItem *item, int reg);
    void fillField(QTreeWidgetItem *item, int reg, int field);
    bool isFieldWritable(int reg, int field) const;
    // What changing the field does on the bus, said before it is done.
    QString fieldWriteText(int reg, int field) const;
    // Reading the register clears a flag or changes the chip's state otherwise.
    bool readChangesState(int reg) const;
    bool treeMatchesMap() const;

    QTreeWidget *m_tree = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_readAll = nullptr;
    QPushButton *m_read = nullptr;
    QPushButton *m_write = nullptr;
    QPushButton *m_save = nullptr;
    SRegisterMap m_map;
    CRegisterValues m_values;
    bool m_filling = false;
};
