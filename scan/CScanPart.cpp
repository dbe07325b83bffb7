// SPDX-License-Identifier: MIT
#include "CScanPart.h"

#include "BusJobWaiter.h"
#include "CBusJob.h"
#include "CBusSession.h"
#include "CProjectsPanel.h"
#include "CRegistersPart.h"
#include "ScanCells.h"
#include "ScanPanel.h"

#include <QComboBox>
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
    connect(&panel, &ScanPanel::allowAnyByteRequested, this, &CScanPart::onAllowAnyByte);
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
    for (SPartMatch &match : m_matches)
        match.anyByteAllowed = m_anyByteAllowed.count(match.address) > 0;
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
    m_anyByteAllowed.clear();
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
                          int preselected, std::size_t separatorAt)
{
    if (parts.size() <= 1)
        return parts.empty() ? -1 : parts.front();
    QStringList items;
    int current = 0;
    const SPartMatch *found = match(address);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        items.append(i < separatorAt ? partItem(found, parts[i]) : partItem(nullptr, parts[i]));
        if (parts[i] == preselected)
            current = int(i);
    }
    QInputDialog dialog(&m_panel);
    dialog.setWindowTitle(title);
    dialog.setLabelText(tr("Part at %1:").arg(m_formatAddress(address)));
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setTextValue(items.at(current));
    if (separatorAt > 0 && separatorAt < parts.size()) {
        if (auto *combo = dialog.findChild<QComboBox *>())
            combo->insertSeparator(int(separatorAt));
    }
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    const qsizetype index = items.indexOf(dialog.textValue());
    return index >= 0 ? parts[std::size_t(index)] : -1;
}

QString CScanPart::partItem(const SPartMatch *found, int part) const
{
    const SLibraryPart &libraryPart = m_library.Parts().at(std::size_t(part));
    QString item = u"%1 (%2)"_s.arg(libraryPart.file.GetName(), libraryPart.kind);
    if (found == nullptr)
        return item;
    const auto graded = std::find_if(found->ranking.begin(), found->ranking.end(),
                                     [part](const SGradedPart &g) { return g.part == part; });
    if (graded != found->ranking.end())
        item += u", "_s + PartIdentify::GradeName(graded->grade);
    return item;
}

std::vector<SOtherDevice> CScanPart::projectDevicesAt(std::uint8_t address) const
{
    std::vector<SOtherDevice> devices;
    for (const CI2cDeviceFile &device : m_projects.GetDevices()) {
        if (device.GetAddress() == address)
            devices.push_back({device.GetName(), device.EffectiveFirstByte()});
    }
    return devices;
}

void CScanPart::onIdentify()
{
    if (!m_session.IsConnected()) {
        QMessageBox::warning(&m_panel, tr("Bus Scan"), tr("Connect an adapter first."));
        return;
    }
    for (SPartMatch &found : m_matches)
        found.otherDevices = projectDevicesAt(found.address);
    auto matches = std::make_shared<std::vector<SPartMatch>>(m_matches);
    const CPartLibrary &library = m_library;
    const std::shared_ptr<CBusJob> job = m_session.Start(
        [matches, &library](CBusContext &context) {
            return PartIdentify::Run(context, library, *matches);
        },
        EBusPriority::User);
    BusJobWaiter::waitFor(m_session, job, tr("Identifying parts..."), &m_panel);
    const SBusProcedureResult result = job->Result();
    // A candidate's ID register that is not acknowledged only rules that candidate out: a
    // row of its own would read as a fault of the bus.
    int unanswered = 0;
    for (const STransactionRecord &record : job->Records()) {
        if (result.ok && !record.ok) {
            ++unanswered;
            continue;
        }
        m_addRecord(record);
    }
    if (job->IsAdapterLost())
        return;
    m_matches = *matches;
    refresh();

    QStringList named;
    QStringList skipped;
    for (const SPartMatch &found : m_matches) {
        const QString address = m_formatAddress(found.address);
        if (found.identified >= 0)
            named.append(address + u' ' +
                         m_library.Parts().at(std::size_t(found.identified)).file.GetName());
        else if (!found.ranking.empty() && found.ranking.front().grade == EPartGrade::Probable)
            named.append(tr("%1 %2 (probable)")
                             .arg(address, m_library.Parts()
                                               .at(std::size_t(found.ranking.front().part))
                                               .file.GetName()));
        if (!found.notIdentified.isEmpty())
            skipped.append(address);
    }
    QString data = named.isEmpty() ? tr("No part identified") : named.join(u", "_s);
    if (unanswered > 0)
        data +=
            tr("; %n ID reads not acknowledged (those candidates ruled out)", nullptr, unanswered);
    if (!skipped.isEmpty())
        data += tr("; ID reads left out at %1 (a part there would act on them)")
                    .arg(skipped.join(u", "_s));
    if (!result.ok)
        data = QString::fromStdString(result.error);
    m_addRow(tr("Identify"), data, !result.ok);
}

void CScanPart::onAllowAnyByte(std::uint8_t address)
{
    const SPartMatch *found = match(address);
    const QString target = m_formatAddress(address);
    QString text = tr("Identify will then write any ID register address to the device at %1, "
                      "even a byte that a part which can sit there takes as a command or "
                      "stores.")
                       .arg(target);
    if (found != nullptr && !found->notIdentified.isEmpty())
        text += u"\n\n"_s + found->notIdentified.join(u'\n');
    const QMessageBox::StandardButton answer = QMessageBox::question(
        &m_panel, tr("Allow Identify to Send Any Byte"),
        text + u"\n\n"_s + tr("Allow it for %1 until the adapter is disconnected?").arg(target),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    m_anyByteAllowed.insert(address);
    for (SPartMatch &match : m_matches) {
        if (match.address == address)
            match.anyByteAllowed = true;
    }
    refresh();
}

void CScanPart::onAddToProjects(std::uint8_t address)
{
    // The candidates first, best ranked first, then the rest of the library: the part may be
    // one whose address was strapped differently from what the library knows.
    const SPartMatch *found = match(address);
    std::vector<int> order;
    if (found) {
        for (const SGradedPart &graded : found->ranking)
            order.push_back(graded.part);
    }
    const std::size_t candidates = order.size();
    for (int part = 0; part < int(m_library.Parts().size()); ++part) {
        if (std::find(order.begin(), order.end(), part) == order.end())
            order.push_back(part);
    }
    const int preselected = found ? found->MostLikely() : -1;
    const int chosen = choosePart(tr("Add to Projects"), address, order, preselected, candidates);
    if (chosen < 0)
        return;
    CI2cDeviceFile file = m_library.Parts().at(std::size_t(chosen)).file;
    file.SetAddress(address);
    m_projects.AddDevice(file);
    refresh();
}
