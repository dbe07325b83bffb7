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
#include <set>
#include <vector>

class CBusSession;
class CProjectsPanel;
class CRegistersPart;
class ScanPanel;

// The Bus Scan dock's work: the grid after each bus search, identification of the found
// addresses as one job on the bus session (each of its transactions an output-table row),
// a found address taken into the projects, and the registers of the part found there.
class CScanPart : public QObject
{
    Q_OBJECT

public:
    using RecordSink = std::function<void(const STransactionRecord &)>;
    // A summary row: Type, Data, and whether it is an error.
    using RowSink = std::function<void(const QString &, const QString &, bool)>;
    using AddressFormatter = std::function<QString(std::uint8_t)>;

    CScanPart(CBusSession &session, ScanPanel &panel, CProjectsPanel &projects,
              CRegistersPart &registers, RecordSink addRecord, RowSink addRow,
              AddressFormatter formatAddress, QObject *parent = nullptr);

    // What a search from `first` to `last` found; the grid forgets earlier identification.
    void setFound(std::uint8_t first, std::uint8_t last, const std::vector<std::uint8_t> &found);
    // Draws the grid again (another notation, another set of project devices).
    void refresh();

Q_SIGNALS:
    void searchRequested();
    void useAddressRequested(std::uint8_t address);
    // The registers part shows a device found on the bus: its dock is to be shown.
    void registersShown();

private:
    // "Show Registers": a project device at its own address (selected in the projects
    // too), a library part at the found address.
    void onShowRegisters(std::uint8_t address);
    // The library part whose registers "Show Registers" opens at `address`: the identified
    // part, else the candidate with a map that the user chooses; none when there is no such
    // part or the user cancelled.
    std::optional<QString> registersFile(std::uint8_t address);
    std::optional<QString> projectDeviceFile(std::uint8_t address) const;
    void onIdentify();
    void onAddToProjects(std::uint8_t address);
    // Asks, naming what the address's devices would take the bytes as, then lets Identify
    // send any ID register address there until the adapter is disconnected.
    void onAllowAnyByte(std::uint8_t address);
    void onConnectionChanged();
    const SPartMatch *match(std::uint8_t address) const;
    // One of the library parts, by the user's choice when there are several (`preselected`
    // first offered); -1 when there is none or the user cancelled.
    // Parts before `separatorAt` are set apart from the rest by a line.
    int choosePart(const QString &title, std::uint8_t address, const std::vector<int> &parts,
                   int preselected, std::size_t separatorAt = 0);
    QString partItem(const SPartMatch *found, int part) const;
    std::vector<SOtherDevice> projectDevicesAt(std::uint8_t address) const;

    CBusSession &m_session;
    ScanPanel &m_panel;
    CProjectsPanel &m_projects;
    CRegistersPart &m_registers;
    RecordSink m_addRecord;
    RowSink m_addRow;
    AddressFormatter m_formatAddress;
    CPartLibrary m_library;
    bool m_libraryLoaded = false;
    std::uint8_t m_first = 0;
    std::uint8_t m_last = 0;
    bool m_scanned = false;
    std::vector<SPartMatch> m_matches;
    std::set<std::uint8_t> m_anyByteAllowed;
};
