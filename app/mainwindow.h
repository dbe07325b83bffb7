// SPDX-License-Identifier: MIT
#pragma once

#include "SI2cCommand.h"
#include "STableRowTime.h"
#include "STransactionRecord.h"
#include "SValueDecoding.h"
#include "TableCopy.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class AddressField;
class CBusJob;
class CBusSession;
class CProjectsPanel;
class CWatchScheduler;
class ConnectionStatus;
class OutputCellDelegate;
class QAction;
class QActionGroup;
class QCloseEvent;
class QDockWidget;
class QPoint;
class WatchPanel;

namespace Ui {
class MainWindow;
}

// The one window of the tool: address and byte input, the output table, the adapter
// connection and the projects dock.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // What copyTableRows puts on the clipboard.
    enum class ETableCopy
    {
        Report = 0,
        Data = 1,
        DataAsShown = 2,
    };

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindow(const MainWindow &) = delete;
    MainWindow &operator=(const MainWindow &) = delete;

    // Appends a row to the output table; a row made from bytes re-renders when the
    // line layout changes, one made from text keeps it. Without a time the row carries
    // the moment it was added and no duration.
    void addTableRow(const QString &type, const QString &flags, const QString &data, bool error);
    void addTableRow(const QString &type, const QString &flags,
                     const std::vector<unsigned char> &data, bool error);
    void addTableRow(const QString &type, const QString &flags, const QString &data, bool error,
                     const STableRowTime &time);
    void addTableRow(const QString &type, const QString &flags,
                     const std::vector<unsigned char> &data, bool error, const STableRowTime &time);

    // The bytes as hex lines of `bytesPerLine` bytes (0: one line) with offsets.
    static QString formatHexLines(const QByteArray &data, int bytesPerLine, bool offsetDecimal);

protected:
    void closeEvent(QCloseEvent *event) override;

private Q_SLOTS:
    void onConnect();
    void onDisconnect();
    void onI2cSearch();
    void onWrite();
    void onRead();
    void onAbout();
    void onSpeedTriggered(QAction *action);
    void onPullUpsTriggered(bool checked);
    void onAddressFormatTriggered();
    void onPresenceTimer();
    void onLoadCommand(uint8_t address, const SI2cCommand &command);
    void onExecuteCommand(uint8_t address, const SI2cCommand &command);
    void onWriteSave();
    void onReadSave();
    void onProjectsFolder();
    void onBytesPerLineChanged();
    void onTableContextMenu(const QPoint &pos);
    void onWriteRead();
    void onWriteReadSave();
    void onWatchFromFields();
    void onWatchCommand(uint8_t address, const SI2cCommand &command);
    void onWatchStart();
    void onWatchStop();
    void onTableClear();
    void onUndoClear();
    void onShowTimeToggled(bool shown);
    void onSaveLog();

private:
    // Runs the request on the bus session ahead of every other client's work and waits for
    // it while the window keeps painting (a progress dialog with Cancel after 300 ms).
    // Returns the record once the transaction has ended, or nothing when no adapter is
    // connected, another transaction of the user's runs, or the adapter was lost (the loss
    // has then been reported). `what` describes it in the progress dialog.
    std::optional<STransactionRecord> runTransaction(const STransactionRequest &request,
                                                     const QString &what);
    // A transaction the user started is running (the window refuses others meanwhile).
    bool isTransactionRunning() const;
    void setTransactionRunning(bool running);
    // Waits for a change of the adapter's configuration; false when it failed.
    bool runConfiguration(const std::shared_ptr<CBusJob> &job);

    void setupWatch();
    void setWatchTarget(const STransactionRequest &request,
                        const std::optional<SValueDecoding> &decoding);

    void setupOptionActions();
    void setupTable();
    void setupStatusBar();
    void setupProjects();
    void restoreWindowState();

    void updateUiState();
    bool isConnected() const;
    bool checkConnectionLost();
    void handleConnectionLost();

    QString formatAddress(unsigned char address) const;
    std::optional<unsigned char> parseAddress(const QString &text, bool eightBit) const;
    std::optional<unsigned char> currentAddress() const;
    bool isAddress8Bit() const;
    void warnInvalidAddress(const QString &title);

    void appendTableRow(const TableCopy::SRow &row);
    void placeTableRow(int index, const TableCopy::SRow &row);
    TableCopy::SRow tableRow(int index) const;
    QList<TableCopy::SRow> tableRows(const QList<int> &indexes) const;
    QList<TableCopy::SRow> allTableRows() const;
    OutputCellDelegate *cellDelegate() const;
    void sizeTableRow(int row, qsizetype lines);
    void fitTableColumns(const QString &time, const QString &type, const QString &flags);
    int flagsWidthLimit() const;
    int typeWidthLimit() const;
    void noteDataLines(const QString &text);
    void fitDataColumn();
    void watchTableWidth();
    void resetTableColumns();
    void dropClearedRows();
    int bytesPerLine() const;
    bool isOffsetDecimal() const;
    void updateCopyActions();
    void copyTableRows(ETableCopy mode);

    Ui::MainWindow *ui = nullptr;
    // The connection to the adapter, shared with every dock; it owns the driver.
    std::unique_ptr<CBusSession> m_session;
    QActionGroup *m_speedGroup = nullptr;
    QActionGroup *m_addressGroup = nullptr;
    CProjectsPanel *m_projects = nullptr;
    // The address field and the notation it is shown in.
    AddressField *m_address = nullptr;
    // The state, the adapter and the version in the status bar.
    ConnectionStatus *m_status = nullptr;

    // The user's own transaction while it runs.
    std::shared_ptr<CBusJob> m_userJob;

    QDockWidget *m_watchDock = nullptr;
    WatchPanel *m_watchPanel = nullptr;
    CWatchScheduler *m_watch = nullptr;

    // The rows that the last Clear Output removed, until Undo brings them back or a new
    // row makes them stale.
    QList<TableCopy::SRow> m_clearedRows;
    // The longest Data line in the table, in characters (the cells use a fixed-pitch
    // font, so the longest is the widest), and the column width it needs.
    qsizetype m_widestDataChars = 0;
    int m_dataWidth = 0;
    // The width the widest time text in the table needs.
    int m_timeWidth = 0;
};
