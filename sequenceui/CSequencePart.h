// SPDX-License-Identifier: MIT
#pragma once

#include "CSequenceRunner.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class CBusSession;
class COutputTable;
class QWidget;

// Runs a stored sequence in the window: as one job on the bus session, waited for in front
// of the user with progress by step and Cancel, its transfers, checks and echoes as rows of
// the output table as they end, and a summary row at the end. The window's loss handling
// speaks for an unplugged adapter; this part only adds its rows.
class CSequencePart : public QObject
{
    Q_OBJECT

public:
    using AddressFormatter = std::function<QString(std::uint8_t)>;

    CSequencePart(CBusSession &session, COutputTable &table, AddressFormatter formatAddress,
                  QWidget *dialogParent, QObject *parent = nullptr);

    bool IsRunning() const { return m_running; }
    // Returns once the sequence has ended; a sequence that does not parse is refused with a
    // warning naming its line and column, and nothing is sent.
    void Run(const QString &label, std::uint8_t address, const QStringList &lines);

private:
    // Asks before a sequence that writes runs, naming the addresses it writes to and the
    // adapter; true for one that only reads.
    bool confirmWrites(const QString &label, const std::vector<SSequenceStep> &steps);
    void addStepRows(const SSequenceOutcome &outcome);
    void addRecordRow(const STransactionRecord &record);

    CBusSession &m_session;
    COutputTable &m_table;
    AddressFormatter m_formatAddress;
    QWidget *m_dialogParent;
    std::vector<SSequenceStep> m_steps;
    bool m_running = false;
};
