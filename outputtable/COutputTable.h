// SPDX-License-Identifier: MIT
#pragma once

#include "STableRowClient.h"
#include "STableRowTime.h"
#include "TableCopy.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class OutputCellDelegate;
class QAction;
class QComboBox;
class QEvent;
class QPoint;
class QTableWidget;

// The output table: every transaction's row, from bytes or text with its time, the bytes
// rendered as hex lines in the layout the user chose, the columns and rows sized to their
// contents, the three copy forms, Save Log, and a Clear Output that can be undone. A
// controller, not a widget: it drives widgets that the main window's form owns.
class COutputTable : public QObject
{
    Q_OBJECT

public:
    // The form's widgets that the table works with; not owned.
    struct SWidgets
    {
        QTableWidget *table = nullptr;
        QComboBox *bytesPerLine = nullptr;
        QComboBox *offsetFormat = nullptr;
        QAction *copyReport = nullptr;
        QAction *copyData = nullptr;
        QAction *copyDataAsShown = nullptr;
        QAction *clear = nullptr;
        QAction *undoClear = nullptr;
        QAction *showTime = nullptr;
        QAction *showAscii = nullptr;
        QAction *saveLog = nullptr;
        QAction *showOrigin = nullptr;
    };

    // What Copy puts on the clipboard.
    enum class ETableCopy
    {
        Report = 0,
        Data = 1,
        DataAsShown = 2,
    };

    COutputTable(const SWidgets &widgets, QObject *parent);

    // Appends a row; a row made from bytes re-renders when the line layout changes, one
    // made from text keeps it. Without a time the row carries the moment it was added; the
    // origin, where given, goes into a saved log but is not shown. A row of another program
    // (`client`) names it in the Origin column, its tool tips and a saved log.
    void AddRow(const QString &type, const QString &flags, const QString &text, bool error);
    void AddRow(const QString &type, const QString &flags, const std::vector<unsigned char> &bytes,
                bool error);
    void AddRow(const QString &type, const QString &flags, const QString &text, bool error,
                const STableRowTime &time, const std::optional<STableRowOrigin> &origin = {},
                const std::optional<STableRowClient> &client = {});
    void AddRow(const QString &type, const QString &flags, const std::vector<unsigned char> &bytes,
                bool error, const STableRowTime &time,
                const std::optional<STableRowOrigin> &origin = {},
                const std::optional<STransactionRequest> &transfer = {},
                const std::optional<STableRowClient> &client = {});

    int BytesPerLine() const;
    bool IsOffsetDecimal() const;
    // Puts the selected rows on the clipboard in table order; nothing without a selection.
    void Copy(ETableCopy mode);
    QList<TableCopy::SRow> Rows() const;
    int RowCount() const;
    // Replaces the Data text of the text row at `row` for as long as that row stays in the
    // table (a summary that follows a later change); does nothing once it is gone.
    std::function<void(const QString &text)> TextSetterOfRow(int row);
    // Where "Save as Sequence..." can store the lines besides a file: a new sequence command
    // of the current project device. Without one only the file is offered.
    void SetSequenceStore(std::function<void(const QStringList &lines)> store);

    bool eventFilter(QObject *watched, QEvent *event) override;

public Q_SLOTS:
    void onBytesPerLineChanged();
    void onContextMenu(const QPoint &pos);
    void onClear();
    void onUndoClear();
    void onShowTimeToggled(bool shown);
    void onShowAsciiToggled(bool shown);
    void onShowOriginToggled(bool shown);
    void onSaveLog();
    void onSaveAsSequence();

Q_SIGNALS:
    // A short note for the status bar.
    void statusMessage(const QString &text);

private:
    void setupTable();
    void setupLayoutBoxes();
    void setupCopy();
    void updateCopyActions();
    // The Data text of a row's bytes in the layout in force.
    QString dataText(const QByteArray &bytes) const;
    void rerender();

    void appendRow(const TableCopy::SRow &row);
    void setRowText(int row, const QString &text);
    void placeRow(int index, const TableCopy::SRow &row);
    TableCopy::SRow row(int index) const;
    QList<TableCopy::SRow> rows(const QList<int> &indexes) const;
    QList<int> selectedRows() const;
    void dropClearedRows();

    OutputCellDelegate *cellDelegate() const;
    void sizeRow(int row, qsizetype lines);
    void fitColumns(const QString &time, const QString &origin, const QString &type,
                    const QString &flags);
    int gridWidth() const;
    int flagsWidthLimit() const;
    int typeWidthLimit() const;
    void noteDataLines(const QString &text);
    void fitDataColumn();
    void resetColumns();

    SWidgets m_ui;
    QAction *m_saveAsSequence = nullptr;
    std::function<void(const QStringList &)> m_sequenceStore;

    // The table\'s viewport, watched for its width.

    QObject *m_viewport = nullptr;
    // The rows that the last Clear Output removed, until Undo brings them back or a new
    // row makes them stale.
    QList<TableCopy::SRow> m_clearedRows;
    // The longest Data line in the table, in characters (the cells use a fixed-pitch
    // font, so the longest is the widest), and the column width it needs.
    qsizetype m_widestDataChars = 0;
    int m_dataWidth = 0;
    // The width the widest time text in the table needs, and the widest origin text.
    int m_timeWidth = 0;
    int m_originWidth = 0;
};
