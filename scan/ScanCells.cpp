// SPDX-License-Identifier: MIT
#include "ScanCells.h"

#include "CPartLibrary.h"
#include "I2cFacts.h"

#include <QCoreApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace ScanCells {

namespace {

QString tr(const char *text, int n = -1)
{
    return QCoreApplication::translate("ScanCells", text, nullptr, n);
}

QString partName(const CPartLibrary &library, int part)
{
    return library.Parts().at(std::size_t(part)).file.GetName();
}

// "INA226: confirmed (16 bits compared)", "HDC1080: likely".
QString gradedLine(const CPartLibrary &library, const SGradedPart &graded)
{
    const QString grade = PartIdentify::GradeName(graded.grade);
    if (graded.grade == EPartGrade::Confirmed || graded.grade == EPartGrade::Probable)
        return tr("%1: %2 (%3 bits compared)")
            .arg(partName(library, graded.part), grade)
            .arg(graded.comparedBits);
    return tr("%1: %2").arg(partName(library, graded.part), grade);
}

void describeFound(SScanCell &cell, const SPartMatch &match, const CPartLibrary &library,
                   const std::optional<QString> &project)
{
    const int count = int(match.candidates.size());
    QStringList tip;
    if (project)
        tip.append(tr("Project device: %1").arg(*project));
    if (match.identified >= 0)
        tip.append(tr("Identified: %1").arg(partName(library, match.identified)));
    if (count == 0) {
        tip.append(tr("No library part can sit at this address."));
    } else {
        tip.append(count == 1 ? tr("1 candidate, ranked:") : tr("%n candidates, ranked:", count));
        for (const SGradedPart &graded : match.ranking)
            tip.append(u"  "_s + gradedLine(library, graded));
    }
    for (const QString &reason : match.notIdentified)
        tip.append(tr("not identified: %1").arg(reason));
    if (match.anyByteAllowed)
        tip.append(tr("Identify may send any byte here."));
    cell.toolTip = tip.join(u'\n');

    const bool probable =
        !match.ranking.empty() && match.ranking.front().grade == EPartGrade::Probable;
    if (project)
        cell.text += u'\n' + *project;
    else if (match.identified >= 0)
        cell.text += u'\n' + partName(library, match.identified);
    else if (probable)
        cell.text += u'\n' + tr("%1?").arg(partName(library, match.ranking.front().part));
    else if (count > 0)
        cell.text += u'\n' + (count == 1 ? tr("1 candidate") : tr("%n candidates", count));
}

} // namespace

std::vector<SScanCell> Build(std::uint8_t first, std::uint8_t last,
                             const std::vector<SPartMatch> &matches, const CPartLibrary &library,
                             const AddressFormatter &format, const ProjectLookup &project)
{
    std::vector<SScanCell> cells(ROWS * COLUMNS);
    for (int address = 0; address < int(cells.size()); ++address) {
        SScanCell &cell = cells[std::size_t(address)];
        cell.reserved = I2cFacts::IsReservedAddress(std::uint8_t(address));
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
