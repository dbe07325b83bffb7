// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>

#include <cstddef>
#include <set>
#include <vector>

// An EEPROM's bytes for a hex view: 16 bytes a row with the memory offset as the row's
// header, the bytes as hex cells that can be edited in place and an ASCII column. Bytes
// changed since the last read or load are highlighted, and after a verify the bytes that
// differ from the chip.
class EepromHexModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int BYTES_PER_ROW = 16;
    static constexpr int ASCII_COLUMN = BYTES_PER_ROW;

    explicit EepromHexModel(QObject *parent = nullptr);

    // New contents from a read or a load: nothing is changed or differing afterwards.
    void setContents(const QByteArray &bytes);
    QByteArray contents() const { return m_bytes; }
    // What the chip holds now matches the contents (after a program).
    void acceptChanges();
    bool isChanged(std::size_t offset) const;
    // How many bytes differ from the last read, load into a blank buffer or program.
    std::size_t changedCount() const;
    // Bytes from `offset` on, as changes against what was read.
    void overlay(std::size_t offset, const QByteArray &bytes);
    // Back to what was last read or programmed.
    void revertChanges();
    // A new size (for another part) that keeps the changes within it; new bytes are blank.
    void resize(std::size_t size);
    // The start offsets of the pages that hold a changed byte.
    std::vector<std::size_t> changedPages(std::size_t pageSize) const;
    void setDiffering(const std::set<std::size_t> &offsets);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // The byte offset a cell shows, or -1 for the ASCII column and cells past the end.
    qsizetype offsetOf(const QModelIndex &index) const;

    QByteArray m_bytes;
    QByteArray m_baseline;
    std::set<std::size_t> m_differing;
};
