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
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CProjectsPanel;
class CTransactionRunner;
class CVtlI2c;
class QAction;
class QActionGroup;
class QCloseEvent;
class QDockWidget;
class QLabel;
class QPoint;
class QProgressDialog;
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
                     const std::optional<STableRowOrigin> &origin = {});

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
    void onWatchTimer();
    void onRunnerFinished();

private:
    // Runs the request on the worker thread and waits for it in a local event loop, so
    // the window keeps painting; after 300 ms a progress dialog offers Cancel. Returns
    // the record once the transaction has ended, or nothing when no adapter is held or
    // another transaction runs. `what` describes it in the progress dialog.
    std::optional<STransactionRecord> runTransaction(const STransactionRequest &request,
                                                     const QString &what);
    // A transaction the user started is running (the window refuses others meanwhile).
    bool isTransactionRunning() const;
    // The worker holds the driver: a user's transaction or a watch reading.
    bool isBusBusy() const;
    void ensureRunner();
    void setTransactionRunning(bool running);
    void showTransactionProgress(QProgressDialog &dialog) const;
    // The presence check held back while the worker had the driver, done afterwards.
    void runDuePresenceCheck();

    void setupWatch();
    void setWatchTarget(const STransactionRequest &request,
                        const std::optional<SValueDecoding> &decoding);
    // Ends a running watch with its summary row.
    void stopWatch();
    // Lets a watch reading under way finish, so the driver is free.
    void waitForWatchSample();
    // Starts a reading that fell due while the user's transaction ran.
    void resumeWatch();

    void setupOptionActions();
    void setupTable();
    void setupStatusBar();
    void setupProjects();
    void restoreWindowState();

    void updateUiState();
    bool isConnected() const;
    bool checkConnectionLost();
    void handleConnectionLost();
    QString lastDriverError() const;

    QString formatAddress(unsigned char address) const;
    std::optional<unsigned char> parseAddress(const QString &text, bool eightBit) const;
    std::optional<unsigned char> currentAddress() const;
    bool isAddress8Bit() const;
    void warnInvalidAddress(const QString &title);

    int bytesPerLine() const;
    bool isOffsetDecimal() const;
    void copyTableRows(ETableCopy mode);
    // Where a transaction to `address` on the connected adapter went, for the log.
    std::optional<STableRowOrigin> rowOrigin(std::optional<unsigned char> address) const;

    Ui::MainWindow *ui = nullptr;
    std::unique_ptr<CVtlI2c> m_i2c;
    QTimer m_presenceTimer;
    QActionGroup *m_speedGroup = nullptr;
    QActionGroup *m_addressGroup = nullptr;
    CProjectsPanel *m_projects = nullptr;
    bool m_address8Bit = false;
    QLabel *m_statusLabel = nullptr;
    QWidget *m_infoWidget = nullptr;
    QLabel *m_productLabel = nullptr;
    QLabel *m_serialLabel = nullptr;
    QLabel *m_firmwareLabel = nullptr;
    QLabel *m_versionLabel = nullptr;

    std::unique_ptr<CTransactionRunner> m_runner;
    // Progress of the running transaction as last reported by the worker.
    quint64 m_progressDone = 0;
    quint64 m_progressTotal = 0;
    // The presence timer fired while the worker held the driver; it checks afterwards.
    bool m_presenceCheckDue = false;
    bool m_userTransaction = false;

    QDockWidget *m_watchDock = nullptr;
    WatchPanel *m_watchPanel = nullptr;
    std::optional<STransactionRequest> m_watchRequest;
    // The stored command being watched, with its device's address, for Save to Command.
    std::optional<std::pair<uint8_t, SI2cCommand>> m_watchCommand;
    QTimer m_watchTimer;
    bool m_watchDue = false;
    bool m_watchSampleRunning = false;
    std::chrono::steady_clock::time_point m_watchNextDue;

    COutputTable *m_table = nullptr;
};
