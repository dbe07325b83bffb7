// SPDX-License-Identifier: MIT
#include "EepromHexView.h"

#include "EepromHexModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

namespace {

constexpr int DIGITS_PER_BYTE = 2;

// A cell editor that holds one byte: the validator keeps out what setData would refuse.
class CByteDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->setMaxLength(DIGITS_PER_BYTE);
            line->setValidator(
                new QRegularExpressionValidator(QRegularExpression(u"[0-9A-Fa-f]{1,2}"_s), line));
        }
        return editor;
    }
};

} // namespace

EepromHexView::EepromHexView(QWidget *parent)
    : QTableView(parent)
{
    setItemDelegate(new CByteDelegate(this));
    setTabKeyNavigation(true);
}

int EepromHexView::heightForRows(int rows) const
{
    return horizontalHeader()->sizeHint().height() + rows * verticalHeader()->defaultSectionSize() +
           2 * frameWidth();
}

int EepromHexView::byteCount() const
{
    const auto *hex = qobject_cast<const EepromHexModel *>(model());
    return hex ? int(hex->contents().size()) : 0;
}

QModelIndex EepromHexView::byteCell(int offset) const
{
    return model()->index(offset / EepromHexModel::BYTES_PER_ROW,
                          offset % EepromHexModel::BYTES_PER_ROW);
}

QString EepromHexView::lastByteReason() const
{
    return tr("0x%1 is the last byte; nothing can be typed past it.")
        .arg(QString::number(byteCount() - 1, 16).toUpper().rightJustified(4, u'0'));
}

QModelIndex EepromHexView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || model() == nullptr ||
        (cursorAction != MoveNext && cursorAction != MovePrevious))
        return QTableView::moveCursor(cursorAction, modifiers);
    // The ASCII cell stands between its row's last byte and the next row's first.
    const bool ascii = current.column() == EepromHexModel::ASCII_COLUMN;
    const int position = current.row() * EepromHexModel::BYTES_PER_ROW + current.column();
    const int next = cursorAction == MoveNext ? (ascii ? position : position + 1) : position - 1;
    if (next >= byteCount()) {
        Q_EMIT refused(lastByteReason());
        // The row's ASCII cell takes no typing, so nothing typed next overwrites the last byte.
        return model()->index(current.row(), EepromHexModel::ASCII_COLUMN);
    }
    if (next < 0)
        return byteCell(0);
    return byteCell(next);
}

void EepromHexView::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex current = currentIndex();
    const bool typing = !event->text().isEmpty() && event->text().front().isPrint() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (typing && current.isValid() && !(model()->flags(current) & Qt::ItemIsEditable)) {
        const bool lastRow = (current.row() + 1) * EepromHexModel::BYTES_PER_ROW >= byteCount();
        Q_EMIT refused(lastRow
                           ? lastByteReason()
                           : tr("Bytes are typed as hex digits into the hex cells, not into the "
                                "ASCII column."));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
