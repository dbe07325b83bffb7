// SPDX-License-Identifier: MIT
#pragma once

#include <QTableView>

// The hex view of an EEPROM: Tab and Shift+Tab go from hex cell to hex cell across rows,
// never into the ASCII column, and a cell editor takes at most two hex digits. Typing
// where no byte can be edited (the ASCII column, past the last byte) is refused with a
// message instead of being dropped.
class EepromHexView : public QTableView
{
    Q_OBJECT

public:
    explicit EepromHexView(QWidget *parent = nullptr);

    // The height that shows the header and `rows` rows.
    int heightForRows(int rows) const;

Q_SIGNALS:
    // A key or a move the view did not take, with the reason.
    void refused(const QString &reason);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QModelIndex byteCell(int offset) const;
    int byteCount() const;
    QString lastByteReason() const;
};
