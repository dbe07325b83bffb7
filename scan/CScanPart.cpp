// SPDX-License-Identifier: MIT
#include "CScanPart.h"

#include "BusJobWaiter.h"
#include "CBusJob.h"
#include "CBusSession.h"
#include "CProjectsPanel.h"
#include "CRegistersPart.h"
#include "ScanCells.h"
#include "ScanPanel.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

CScanPart::CScanPart(CBusSession &session, ScanPanel &panel, CProjectsPanel &projects,
                     CRegistersPart &registers, RecordSink addRecord, RowSink addRow,
                     AddressFormatter formatAddress, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_panel(panel)
    , m_projects(projects)
    , m_registers(registers)
    , m_addRecord(std::move(addRecord))
    , m_addRow(std::move(addRow))
    , m_formatAddress(std::move(formatAddress))
{
    connect(&panel, &ScanPanel::scanRequested, this, &CScanPart::searchRequested);
    connect(&panel, &ScanPanel::identifyRequested, this, &CScanPart::onIdentify);
    connect(&panel, &ScanPanel::useAddressRequested, this, &CScanPart::useAddressRequested);
    connect(&panel, &ScanPanel::addToProjectsRequested, this, &CScanPart::onAddToProjects);
    connect(&panel, &ScanPanel::showRegistersRequested, this, &CScanPart::onShowRegisters);
    connect(&session, &CBusSession::stateChanged, this, &CScanPart::onConnectionChanged);
    connect(&projects, &CProjectsPanel::currentDeviceChanged, this, &CScanPart::refresh);
    refresh();
}

void CScanPart::setFound(std::uint8_t first, std::uint8_t last,
                         const std::vector<std::uint8_t> &found)
{
    // Read on the first scan, not at start-up: the dock may never be used. Without a library
    // the grid still shows what answered; there is just nothing to name.
    if (!m_libraryLoaded) {
        m_library.LoadDefault();
        m_libraryLoaded = true;
    }
    m_first = first;
    m_last = last;
    m_scanned = true;
    m_matches = PartIdentify::Candidates(m_library, found);
    refresh();
}

void CScanPart::refresh()
{
    const std::vector<SScanCell> cells =
        ScanCells::Build(m_scanned ? m_first : 1, m_scanned ? m_last : 0, m_matches, m_library,
                         m_formatAddress, [this](std::uint8_t address) -> std::optional<QString> {
                             for (const CI2cDeviceFile &device : m_projects.GetDevices()) {
                                 if (device.GetAddress() == address)
                                     return device.GetName();
                             }
                             return std::nullopt;
                         });
    m_panel.showCells(cells);
    m_panel.setIdentifyEnabled(!m_matches.empty());
}

void CScanPart::onConnectionChanged()
{
    // A grid of another adapter's bus, or of one that is gone, would mislead.
    if (m_session.IsConnected() || !m_scanned)
        return;
    m_scanned = false;
    m_matches.clear();
    refresh();
}

const SPartMatch *CScanPart::match(std::uint8_t address) const
{
    const auto it = std::find_if(m_matches.begin(), m_matches.end(),
                                 [address](const SPartMatch &m) { return m.address == address; });
    return it == m_matches.end() ? nullptr : &*it;
}

void CScanPart::onShowRegisters(std::uint8_t address)
{
    if (const std::optional<QString> project = projectDeviceFile(address)) {
        m_projects.SelectDevice(*project);
        m_registers.setDeviceFile(*project);
    } else if (const std::optional<QString> part = registersFile(address)) {
        m_registers.showDevice(*part, address);
    } else {
        QMessageBox::information(
            m_panel.window(), tr("Show Registers"),
            tr("No register map is known for the part at %1.").arg(m_formatAddress(address)));
        return;
    }
    Q_EMIT registersShown();
}

std::optional<QString> CScanPart::projectDeviceFile(std::uint8_t address) const
{
    for (const CI2cDeviceFile &device : m_projects.GetDevices()) {
        if (device.GetAddress() == address)
            return device.GetFilePath();
    }
    return std::nullopt;
}

std::optional<QString> CScanPart::registersFile(std::uint8_t address)
{
    const SPartMatch *found = match(address);
    if (found == nullptr)
        return std::nullopt;
    if (found->identified >= 0 &&
        m_library.Parts().at(std::size_t(found->identified)).file.GetRegisters())
        return m_library.Parts().at(std::size_t(found->identified)).path;
    // Unidentified, the user knows best which of the parts with a map it is.
    std::vector<int> mapped;
    for (const int part : found->candidates) {
        if (m_library.Parts().at(std::size_t(part)).file.GetRegisters())
            mapped.push_back(part);
    }
    const int chosen = choosePart(tr("Show Registers"), address, mapped, -1);
    if (chosen < 0)
        return std::nullopt;
    return m_library.Parts().at(std::size_t(chosen)).path;
}

int CScanPart::choosePart(const QString &title, std::uint8_t address, const std::vector<int> &parts,
                          int preselected)
{
    if (parts.size() <= 1)
        return parts.empty() ? -1 : parts.front();
    QStringList items;
    int current = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const SLibraryPart &part = m_library.Parts().at(std::size_t(parts[i]));
        items.append(u"%1 (%2)"_s.arg(part.file.GetName(), part.kind));
        if (parts[i] == preselected)
            current = int(i);
    }
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(&m_panel, title, tr("Part at %1:").arg(m_formatAddress(address)),
                              items, current, false, &ok);
    const qsizetype index = items.indexOf(chosen);
    return ok && index >= 0 ? parts[std::size_t(index)] : -1;
}

void CScanPart::onIdentify()
{
    if (!m_session.IsConnected()) {
        QMessageBox::warning(&m_panel, tr("Bus Scan"), tr("Connect an adapter first."));
        return;
    }
    auto matches = std::make_shared<std::vector<SPartMatch>>(m_matches);
    const CPartLibrary &library = m_library;
    const std::shared_ptr<CBusJob> job = m_session.Start(
        [matches, &library](CBusContext &context) {
            return PartIdentify::Run(context, library, *matches);
        },
        EBusPriority::User);
    BusJobWaiter::waitFor(m_session, job, tr("Identifying parts..."), &m_panel);
    for (const STransactionRecord &record : job->Records())
        m_addRecord(record);
    if (job->IsAdapterLost())
        return;
    m_matches = *matches;
    refresh();

    const SBusProcedureResult result = job->Result();
    QStringList named;
    for (const SPartMatch &found : m_matches) {
        if (found.identified >= 0)
            named.append(m_formatAddress(found.address) + u' ' +
                         m_library.Parts().at(std::size_t(found.identified)).file.GetName());
    }
    QString data = named.isEmpty() ? tr("No part identified") : named.join(u", "_s);
    if (!result.ok)
        data = QString::fromStdString(result.error);
    m_addRow(tr("Identify"), data, !result.ok);
}

void CScanPart::onAddToProjects(std::uint8_t address)
{
    // The candidates first, then the rest of the library: the part may be one whose
    // address was strapped differently from what the library knows.
    const SPartMatch *found = match(address);
    std::vector<int> order = found ? found->candidates : std::vector<int>{};
    for (int part = 0; part < int(m_library.Parts().size()); ++part) {
        if (std::find(order.begin(), order.end(), part) == order.end())
            order.push_back(part);
    }
    const int chosen =
        choosePart(tr("Add to Projects"), address, order, found ? found->identified : -1);
    if (chosen < 0)
        return;
    CI2cDeviceFile file = m_library.Parts().at(std::size_t(chosen)).file;
    file.SetAddress(address);
    m_projects.AddDevice(file);
    refresh();
}
