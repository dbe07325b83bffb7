// SPDX-License-Identifier: MIT
#pragma once

#include "CWatchScheduler.h"
#include "SI2cCommand.h"

#include <QObject>

#include <functional>
#include <optional>
#include <utility>

class COutputTable;
class QDockWidget;
class QMainWindow;
class QMenu;

// The Watch dock as a part of the window: its dock and View action, what it is given to
// watch (the window's fields or a stored command), Start, Stop and Save to Command. The
// readings are the scheduler's, on the bus session, with their rows in the output table.
class CWatchPart : public QObject
{
    Q_OBJECT

public:
    // Stores the decoding in the command of the device at the address; the command as
    // stored, or nothing when it could not be stored.
    using CommandValueStore = std::function<std::optional<SI2cCommand>(
        std::uint8_t address, const SI2cCommand &command, const SValueDecoding &decoding)>;

    CWatchPart(CBusSession &session, COutputTable &table,
               CWatchScheduler::AddressFormatter formatAddress, CommandValueStore storeValue,
               QMainWindow *window, QMenu *viewMenu);

    // Ignored while a run is on; otherwise the dock opens on the new target.
    void watch(const STransactionRequest &request);
    // A read or write/read command, with its decoding, which Save to Command then updates.
    void watchCommand(std::uint8_t address, const SI2cCommand &command);
    bool isRunning() const;
    // Shows the target again in the notation now in force.
    void refreshAddresses();
    void stop();
    // Ends a run without a row, for a window that goes away.
    void shutdown();

Q_SIGNALS:
    // The panel's "From Fields": the window answers with watch().
    void fromFieldsRequested();
    void statusMessage(const QString &text);

private:
    void setTarget(const STransactionRequest &request,
                   const std::optional<SValueDecoding> &decoding);
    void onStart();
    void onSaveDecoding();

    QMainWindow *m_window;
    WatchPanel *m_panel;
    QDockWidget *m_dock;
    CWatchScheduler *m_scheduler;
    CommandValueStore m_storeValue;
    // The stored command being watched, with its device's address, for Save to Command.
    std::optional<std::pair<std::uint8_t, SI2cCommand>> m_command;
};
