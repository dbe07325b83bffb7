// SPDX-License-Identifier: MIT
#pragma once

#include "COutputTable.h"
#include "SI2cCommand.h"
#include "STableRowTime.h"
#include "STransactionRecord.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class AdapterConnection;
class AdapterSharing;
class AddressField;
class CBusSession;
class CProjectsPanel;
class CRegistersPart;
class CScanPart;
class CSequencePart;
class CWatchPart;
class EepromPanel;
class ConnectionStatus;
class QAction;
class QCloseEvent;
class QDockWidget;
class QPoint;
class TransferFields;
class UserTransaction;
class WindowLayout;

namespace Ui {
class MainWindow;
}

// The one window of the tool: its form, actions, menus and status bar, and the wiring of its
// parts. A slot reads the fields, hands the request to the bus session and the record to
// the output table; the docks are parts of their own on the same session and table.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // What the table's copy actions put on the clipboard.
    using ETableCopy = COutputTable::ETableCopy;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindow(const MainWindow &) = delete;
    MainWindow &operator=(const MainWindow &) = delete;

    // Appends a row to the output table; a row made from bytes re-renders when the
    // line layout changes, one made from text keeps it. Without a time the row carries
    // the moment it was added and no duration.
    void addTableRow(const QString &type, const QString &flags, const QString &text, bool error)
    {
        m_table->AddRow(type, flags, text, error);
    }
    void addTableRow(const QString &type, const QString &flags,
                     const std::vector<unsigned char> &bytes, bool error)
    {
        m_table->AddRow(type, flags, bytes, error);
    }
    void addTableRow(const QString &type, const QString &flags, const QString &text, bool error,
                     const STableRowTime &time, const std::optional<STableRowOrigin> &origin = {},
                     const std::optional<STableRowClient> &client = {})
    {
        m_table->AddRow(type, flags, text, error, time, origin, client);
    }
    void addTableRow(const QString &type, const QString &flags,
                     const std::vector<unsigned char> &bytes, bool error, const STableRowTime &time,
                     const std::optional<STableRowOrigin> &origin = {},
                     const std::optional<STransactionRequest> &transfer = {},
                     const std::optional<STableRowClient> &client = {})
    {
        m_table->AddRow(type, flags, bytes, error, time, origin, transfer, client);
    }

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
    void onLoadCommand(uint8_t address, const SI2cCommand &command);
    void onExecuteCommand(uint8_t address, const SI2cCommand &command);
    void onWriteSave();
    void onReadSave();
    void onProjectsFolder();
    void onBytesPerLineChanged() { m_table->onBytesPerLineChanged(); }
    void onTableContextMenu(const QPoint &pos) { m_table->onContextMenu(pos); }
    void onWriteRead();
    void onWriteReadSave();
    void onWatchFromFields();
    void onWatchCommand(uint8_t address, const SI2cCommand &command);
    void showStatusMessage(const QString &text);

private:
    // The request of the fields or of a stored command, when there is one, run as the
    // user's and logged as its row.
    void runFieldTransfer(const std::optional<STransactionRequest> &request, bool busyCursor);
    // The row of a write, read or write/read, the user's, a dock's or another program's.
    void addRecordRow(const STransactionRecord &record,
                      const std::optional<STableRowClient> &client = {});
    // The row of another program's transaction through the shared adapter, naming it.
    void addClientRow(const STransactionRecord &record);
    // The sharing part of the status bar, as the server stands now.
    void showSharing();
    // A transaction the user started is running (the window refuses others meanwhile).
    bool isTransactionRunning() const;
    void setTransactionRunning(bool running);

    void setupOptionActions();
    void setupTable();
    void setupStatusBar();
    // The documented order of Tab through the window.
    void setupTabOrder();
    void setupProjects();
    // The Watch, Registers, EEPROM and Bus Scan docks, in the View menu's order.
    void setupDocks();
    // The docks tabbed in one area, their View shortcuts and the Reset Layout entry.
    void setupLayout();
    void restoreWindowState();

    void updateUiState();
    bool isConnected() const;
    void handleConnectionLost();

    QString formatAddress(unsigned char address) const;
    std::optional<unsigned char> parseAddress(const QString &text, bool eightBit) const;
    std::optional<unsigned char> currentAddress() const;
    bool isAddress8Bit() const;

    // The slave the request addresses, in the notation in force; empty without a start.
    QString targetText(const STransactionRequest &request) const;
    // Where a transaction to `address` on the connected adapter went, for the log.
    std::optional<STableRowOrigin> rowOrigin(std::optional<unsigned char> address) const;

    Ui::MainWindow *ui = nullptr;
    // The connection to the adapter, shared with every dock; it owns the driver.
    std::unique_ptr<CBusSession> m_session;
    // The user's own write, read or search, one at a time.
    UserTransaction *m_user = nullptr;
    AdapterConnection *m_adapter = nullptr;
    // The address field and the notation it is shown in, and the fields read as requests.
    AddressField *m_address = nullptr;
    std::unique_ptr<TransferFields> m_fields;
    // The state, the adapter and the version in the status bar.
    ConnectionStatus *m_status = nullptr;
    // The adapter offered to other programs while connected.
    AdapterSharing *m_sharing = nullptr;

    COutputTable *m_table = nullptr;
    CProjectsPanel *m_projects = nullptr;
    CSequencePart *m_sequences = nullptr;
    CWatchPart *m_watch = nullptr;
    EepromPanel *m_eeprom = nullptr;
    QDockWidget *m_registersDock = nullptr;
    CRegistersPart *m_registers = nullptr;
    CScanPart *m_scan = nullptr;
    WindowLayout *m_layout = nullptr;
};
