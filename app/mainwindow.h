// SPDX-License-Identifier: MIT
#pragma once

#include "COutputTable.h"
#include "SI2cCommand.h"
#include "STableRowTime.h"
#include "STransactionRecord.h"
#include "SValueDecoding.h"

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
class CSequencePart;
class CProjectsPanel;
class CWatchScheduler;
class ConnectionStatus;
class QAction;
class QActionGroup;
class QCloseEvent;
class QDockWidget;
class QPoint;
class WatchPanel;
class RegistersPanel;
class CRegistersPart;
class CScanPart;
class ScanPanel;

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
    using ETableCopy = COutputTable::ETableCopy;

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
                     const STableRowTime &time, const std::optional<STableRowOrigin> &origin = {});
    void addTableRow(const QString &type, const QString &flags,
                     const std::vector<unsigned char> &data, bool error, const STableRowTime &time,
                     const std::optional<STableRowOrigin> &origin = {},
                     const std::optional<STransactionRequest> &transfer = {});

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
    void onWatchSaveDecoding();

private:
    // Runs the request on the bus session ahead of every other client's work and waits for
    // it while the window keeps painting (a progress dialog with Cancel after 300 ms).
    // Returns the record once the transaction has ended, or nothing when no adapter is
    // connected, another transaction of the user's runs, or the adapter was lost (the loss
    // has then been reported). `what` describes it in the progress dialog; a read or
    // search shows the wait cursor meanwhile.
    std::optional<STransactionRecord> runTransaction(const STransactionRequest &request,
                                                     const QString &what, bool busyCursor = false);
    // A transaction the user started is running (the window refuses others meanwhile).
    bool isTransactionRunning() const;
    void setTransactionRunning(bool running);
    // Waits for a change of the adapter's configuration; false when it failed.
    bool runConfiguration(const std::shared_ptr<CBusJob> &job);

    void setupWatch();
    void setupRegisters();
    void addRegisterRow(const STransactionRecord &record);
    void setupEeprom();
    void setupScan();
    // The Registers dock on the part found at `address`.
    void showScanRegisters(std::uint8_t address);
    void setWatchTarget(const STransactionRequest &request,
                        const std::optional<SValueDecoding> &decoding);

    void setupOptionActions();
    void setupTable();
    void setupStatusBar();
    void setupProjects();
    void restoreWindowState();

    void updateUiState();
    bool isConnected() const;
    void handleConnectionLost();

    QString formatAddress(unsigned char address) const;
    std::optional<unsigned char> parseAddress(const QString &text, bool eightBit) const;
    std::optional<unsigned char> currentAddress() const;
    bool isAddress8Bit() const;
    void warnInvalidAddress(const QString &title);
    void warnInvalidBytes(const QString &title);

    int bytesPerLine() const;
    bool isOffsetDecimal() const;
    void copyTableRows(ETableCopy mode);
    // Where a transaction to `address` on the connected adapter went, for the log.
    std::optional<STableRowOrigin> rowOrigin(std::optional<unsigned char> address) const;

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
    QDockWidget *m_registersDock = nullptr;
    RegistersPanel *m_registersPanel = nullptr;
    CRegistersPart *m_registers = nullptr;
    CWatchScheduler *m_watch = nullptr;
    // The stored command being watched, with its device's address, for Save to Command.
    std::optional<std::pair<uint8_t, SI2cCommand>> m_watchCommand;

    QDockWidget *m_eepromDock = nullptr;
    QDockWidget *m_scanDock = nullptr;
    ScanPanel *m_scanPanel = nullptr;
    CScanPart *m_scan = nullptr;

    COutputTable *m_table = nullptr;
    CSequencePart *m_sequences = nullptr;
};
