// SPDX-License-Identifier: MIT
#pragma once

#include "CPartLibrary.h"
#include "PartIdentify.h"
#include "STransactionRecord.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CBusSession;
class CProjectsPanel;
class ScanPanel;

// The Bus Scan dock's work: the grid after each bus search, identification of the found
// addresses as one job on the bus session (each of its transactions an output-table row),
// and a found address taken into the projects.
class CScanPart : public QObject
{
    Q_OBJECT

public:
    using RecordSink = std::function<void(const STransactionRecord &)>;
    // A summary row: Type, Data, and whether it is an error.
    using RowSink = std::function<void(const QString &, const QString &, bool)>;
    using AddressFormatter = std::function<QString(std::uint8_t)>;

    CScanPart(CBusSession &session, ScanPanel &panel, CProjectsPanel &projects,
              RecordSink addRecord, RowSink addRow, AddressFormatter formatAddress,
              QObject *parent = nullptr);

    // What a search from `first` to `last` found; the grid forgets earlier identification.
    void setFound(std::uint8_t first, std::uint8_t last, const std::vector<std::uint8_t> &found);
    // Draws the grid again (another notation, another set of project devices).
    void refresh();
    // The device file whose registers "Show Registers" opens at `address`: the project
    // device there, else the identified part, else the candidate with a map that the user
    // chooses; none when there is no such part or the user cancelled.
    std::optional<QString> registersFile(std::uint8_t address);
    std::optional<QString> projectDeviceFile(std::uint8_t address) const;

Q_SIGNALS:
    void searchRequested();
    void useAddressRequested(std::uint8_t address);
    void showRegistersRequested(std::uint8_t address);

private:
    void onIdentify();
    void onAddToProjects(std::uint8_t address);
    void onConnectionChanged();
    const SPartMatch *match(std::uint8_t address) const;
    // One of the library parts, by the user's choice when there are several (`preselected`
    // first offered); -1 when there is none or the user cancelled.
    int choosePart(const QString &title, std::uint8_t address, const std::vector<int> &parts,
                   int preselected);

    CBusSession &m_session;
    ScanPanel &m_panel;
    CProjectsPanel &m_projects;
    RecordSink m_addRecord;
    RowSink m_addRow;
    AddressFormatter m_formatAddress;
    CPartLibrary m_library;
    bool m_libraryLoaded = false;
    std::uint8_t m_first = 0;
    std::uint8_t m_last = 0;
    bool m_scanned = false;
    std::vector<SPartMatch> m_matches;
};
