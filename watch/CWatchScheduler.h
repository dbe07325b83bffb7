// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRequest.h"
#include "SValueDecoding.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CBusJob;
class CBusSession;
class WatchPanel;

// The watch's schedule: what is read, one reading at a time on the bus session behind every
// other client's work, on a fixed grid of the panel's interval, and the summary row when a
// run stops, which follows a later change of the decoding of that run's readings. It talks
// to the session, the panel and the output table only.
class CWatchScheduler : public QObject
{
    Q_OBJECT

public:
    // Replaces the data of a row the sink added, for as long as that row is in the table.
    using RowTextSetter = std::function<void(const QString &data)>;
    // Adds a text row to the output table.
    using RowSink = std::function<RowTextSetter(const QString &type, const QString &flags,
                                                const QString &data)>;
    using AddressFormatter = std::function<QString(std::uint8_t)>;

    CWatchScheduler(CBusSession &session, WatchPanel &panel, RowSink addRow,
                    AddressFormatter formatAddress, QObject *parent = nullptr);

    // Ignored while a run is on. The panel shows the target in the window's words.
    void setTarget(const STransactionRequest &request,
                   const std::optional<SValueDecoding> &decoding);
    bool hasTarget() const { return m_request.has_value(); }
    // False, and nothing starts, without a target or a connection.
    bool start();
    // Ends a run with its summary row; a reading still under way is dropped.
    void stop();
    // Ends a run without a row, for a window that goes away.
    void shutdown();
    bool isRunning() const;
    // Shows the target again in the notation now in force.
    void refreshAddresses();

private Q_SLOTS:
    void onTimer();

private:
    void onReadingFinished(const std::shared_ptr<CBusJob> &job);
    void onDecodingChanged();
    void halt();
    // The target in the window's words; only with a target.
    QString targetText() const;
    // Marks the readings when the adapter connected now is not the one they came from.
    void onSessionChanged();

    CBusSession &m_session;
    WatchPanel &m_panel;
    RowSink m_addRow;
    AddressFormatter m_formatAddress;
    std::optional<STransactionRequest> m_request;
    QTimer m_timer;
    std::shared_ptr<CBusJob> m_reading;
    std::chrono::steady_clock::time_point m_nextDue;
    // The summary row of the last run and how many readings it sums up; dropped when the
    // readings change otherwise (a new target, a new run, the panel's Clear).
    RowTextSetter m_summaryRow;
    std::size_t m_summaryCount = 0;
    // The serial of the adapter the readings in the panel came from.
    QString m_readingsAdapter;
};
