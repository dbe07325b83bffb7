// SPDX-License-Identifier: MIT
#include "ScanCells.h"

#include "CPartLibrary.h"

#include <QCoreApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace ScanCells {

namespace {

constexpr std::uint8_t FIRST_REGULAR = 0x08;
constexpr std::uint8_t LAST_REGULAR = 0x77;

QString tr(const char *text, int n = -1)
{
    return QCoreApplication::translate("ScanCells", text, nullptr, n);
}

QString partName(const CPartLibrary &library, int part)
{
    return library.Parts().at(std::size_t(part)).file.GetName();
}

void describeFound(SScanCell &cell, const SPartMatch &match, const CPartLibrary &library,
                   const std::optional<QString> &project)
{
    QStringList names;
    for (const int candidate : match.candidates)
        names.append(partName(library, candidate));
    QStringList tip;
    if (project)
        tip.append(tr("Project device: %1").arg(*project));
    if (match.identified >= 0)
        tip.append(tr("Identified: %1").arg(partName(library, match.identified)));
    tip.append(names.isEmpty() ? tr("No library part can sit at this address.")
                               : tr("Candidates: %1").arg(names.join(u", "_s)));
    cell.toolTip = tip.join(u'\n');

    if (project)
        cell.text += u'\n' + *project;
    else if (match.identified >= 0)
        cell.text += u'\n' + partName(library, match.identified);
    else if (!names.isEmpty())
        cell.text += u'\n' + (names.size() == 1 ? tr("1 candidate")
                                                : tr("%n candidates", int(names.size())));
}

} // namespace

bool IsReserved(std::uint8_t address)
{
    return address < FIRST_REGULAR || address > LAST_REGULAR;
}

std::vector<SScanCell> Build(std::uint8_t first, std::uint8_t last,
                             const std::vector<SPartMatch> &matches, const CPartLibrary &library,
                             const AddressFormatter &format, const ProjectLookup &project)
{
    std::vector<SScanCell> cells(ROWS * COLUMNS);
    for (int address = 0; address < int(cells.size()); ++address) {
        SScanCell &cell = cells[std::size_t(address)];
        cell.reserved = IsReserved(std::uint8_t(address));
        if (address >= first && address <= last) {
            cell.state = SScanCell::EState::Silent;
            cell.text = u"--"_s;
        }
    }
    for (const SPartMatch &match : matches) {
        SScanCell &cell = cells.at(match.address);
        cell.state = SScanCell::EState::Found;
        cell.text = format(match.address);
        describeFound(cell, match, library, project(match.address));
    }
    return cells;
}

} // namespace ScanCells
