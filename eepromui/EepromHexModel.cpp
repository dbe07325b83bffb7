// SPDX-License-Identifier: MIT
#include "EepromHexModel.h"

#include "I2cFacts.h"
#include "NumberText.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QColor CHANGED_COLOR(255, 236, 160);
const QColor DIFFERING_COLOR(255, 170, 170);

} // namespace

EepromHexModel::EepromHexModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

void EepromHexModel::setContents(const QByteArray &bytes)
{
    beginResetModel();
    m_bytes = bytes;
    m_baseline = bytes;
    m_differing.clear();
    endResetModel();
}

void EepromHexModel::acceptChanges()
{
    m_baseline = m_bytes;
    m_differing.clear();
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ASCII_COLUMN), {Qt::BackgroundRole});
}

bool EepromHexModel::isChanged(std::size_t offset) const
{
    const auto at = qsizetype(offset);
    return at < m_bytes.size() && m_bytes[at] != m_baseline[at];
}

std::size_t EepromHexModel::changedCount() const
{
    std::size_t count = 0;
    for (qsizetype i = 0; i < m_bytes.size(); ++i)
        count += m_bytes[i] != m_baseline[i] ? 1 : 0;
    return count;
}

void EepromHexModel::overlay(std::size_t offset, const QByteArray &bytes)
{
    const auto from = qsizetype(offset);
    const qsizetype length = std::min(bytes.size(), m_bytes.size() - from);
    if (from >= m_bytes.size() || length <= 0)
        return;
    m_bytes.replace(from, length, bytes.first(length));
    Q_EMIT dataChanged(index(int(from / BYTES_PER_ROW), 0),
                       index(int((from + length - 1) / BYTES_PER_ROW), ASCII_COLUMN));
}

void EepromHexModel::revertChanges()
{
    m_bytes = m_baseline;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ASCII_COLUMN));
}

void EepromHexModel::resize(std::size_t size)
{
    beginResetModel();
    m_bytes.resize(qsizetype(size), char(0xFF));
    m_baseline.resize(qsizetype(size), char(0xFF));
    m_differing.clear();
    endResetModel();
}

std::vector<std::size_t> EepromHexModel::changedPages(std::size_t pageSize) const
{
    std::vector<std::size_t> pages;
    for (std::size_t offset = 0; offset < std::size_t(m_bytes.size()); ++offset) {
        const std::size_t page = offset - offset % pageSize;
        if (isChanged(offset) && (pages.empty() || pages.back() != page))
            pages.push_back(page);
    }
    return pages;
}

void EepromHexModel::setDiffering(const std::set<std::size_t> &offsets)
{
    m_differing = offsets;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ASCII_COLUMN), {Qt::BackgroundRole});
}

int EepromHexModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int((m_bytes.size() + BYTES_PER_ROW - 1) / BYTES_PER_ROW);
}

int EepromHexModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : BYTES_PER_ROW + 1;
}

qsizetype EepromHexModel::offsetOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.column() >= BYTES_PER_ROW)
        return -1;
    const qsizetype offset = qsizetype(index.row()) * BYTES_PER_ROW + index.column();
    return offset < m_bytes.size() ? offset : -1;
}

QVariant EepromHexModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.column() == ASCII_COLUMN) {
        if (role != Qt::DisplayRole)
            return {};
        const QByteArray row = m_bytes.mid(qsizetype(index.row()) * BYTES_PER_ROW, BYTES_PER_ROW);
        QString text;
        for (const char byte : row)
            text += I2cFacts::IsPrintable(static_cast<unsigned char>(byte))
                        ? QChar::fromLatin1(byte)
                        : QChar(u'.');
        return text;
    }
    const qsizetype offset = offsetOf(index);
    if (offset < 0)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::number(quint8(m_bytes[offset]), 16).toUpper().rightJustified(2, u'0');
    case Qt::BackgroundRole:
        if (m_differing.count(std::size_t(offset)) != 0)
            return QBrush(DIFFERING_COLOR);
        if (isChanged(std::size_t(offset)))
            return QBrush(CHANGED_COLOR);
        return {};
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

bool EepromHexModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const qsizetype offset = offsetOf(index);
    if (offset < 0 || role != Qt::EditRole)
        return false;
    // One or two hex digits, blanks around them allowed; no sign and no "0x".
    const QString text = value.toString().trimmed();
    const std::optional<std::uint64_t> byte =
        text.size() <= 2 ? NumberText::ParseDigits(text, 16) : std::nullopt;
    if (!byte)
        return false;
    m_bytes[offset] = char(*byte);
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole, Qt::BackgroundRole});
    const QModelIndex ascii = this->index(index.row(), ASCII_COLUMN);
    Q_EMIT dataChanged(ascii, ascii, {Qt::DisplayRole});
    return true;
}

Qt::ItemFlags EepromHexModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (offsetOf(index) >= 0)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant EepromHexModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        return section == ASCII_COLUMN ? tr("ASCII") : QString::number(section, 16).toUpper();
    }
    // As many digits as the largest offset needs, at least four.
    const int digits =
        std::max(4, int(QString::number(std::max<qsizetype>(m_bytes.size() - 1, 0), 16).size()));
    return NumberText::Hex(std::uint64_t(section) * BYTES_PER_ROW, digits);
}
