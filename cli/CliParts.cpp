// SPDX-License-Identifier: MIT
// The library of common parts on the command line: listing it, and naming the parts behind
// the addresses that detect found.
#include "CPartLibrary.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliSession.h"
#include "NumberText.h"
#include "PartIdentify.h"
#include "PartMatchReport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace CliCommands {

namespace {

// "0x40-0x4F", "0x1D, 0x53": runs of consecutive addresses as ranges.
QString AddressRanges(const std::vector<unsigned char> &addresses, bool eightBit)
{
    QStringList parts;
    for (std::size_t i = 0; i < addresses.size();) {
        std::size_t end = i;
        while (end + 1 < addresses.size() && addresses[end + 1] == addresses[end] + 1)
            ++end;
        QString text = NumberText::Address(addresses[i], eightBit);
        if (end > i)
            text += u'-' + NumberText::Address(addresses[end], eightBit);
        parts.append(text);
        i = end + 1;
    }
    return parts.join(u", "_s);
}

QJsonArray AddressArray(const std::vector<unsigned char> &addresses, bool eightBit)
{
    QJsonArray array;
    for (const unsigned char address : addresses)
        array.append(NumberText::Address(address, eightBit));
    return array;
}

bool LoadLibrary(CPartLibrary &library, const CCliOutput &output)
{
    if (library.LoadDefault())
        return true;
    output.Error(library.GetLastError());
    return false;
}

} // namespace

ECliExit RunParts(const SCliPlan &plan, const CCliOutput &output)
{
    CPartLibrary library;
    if (!LoadLibrary(library, output))
        return ECliExit::Usage;
    const bool eightBit = plan.global.eightBit;
    if (plan.partsPath) {
        const int index = library.Find(plan.partsText);
        if (index < 0) {
            output.Error(u"No part '%1' in the library ('parts' lists them)"_s.arg(plan.partsText));
            return ECliExit::Usage;
        }
        const SLibraryPart &part = library.Parts().at(std::size_t(index));
        output.Result(QDir::toNativeSeparators(part.path));
        QJsonObject json;
        json.insert(u"command"_s, plan.commandName);
        json.insert(u"name"_s, part.file.GetName());
        json.insert(u"path"_s, part.path);
        json.insert(u"ok"_s, true);
        output.Json(json);
        return ECliExit::Success;
    }

    const std::vector<int> found = library.Search(plan.partsText);
    QStringList lines{u"%1 %2 %3"_s.arg(u"NAME"_s, -10).arg(u"ADDRESSES"_s, -22).arg(u"KIND"_s)};
    QJsonArray parts;
    for (const int index : found) {
        const SLibraryPart &part = library.Parts().at(std::size_t(index));
        const std::vector<unsigned char> addresses = part.Addresses();
        lines.append(u"%1 %2 %3"_s.arg(part.file.GetName(), -10)
                         .arg(AddressRanges(addresses, eightBit), -22)
                         .arg(part.kind));
        QJsonObject json;
        json.insert(u"name"_s, part.file.GetName());
        json.insert(u"addresses"_s, AddressArray(addresses, eightBit));
        json.insert(u"kind"_s, part.kind);
        json.insert(u"identifiable"_s, part.CanIdentify());
        json.insert(u"path"_s, part.path);
        parts.append(json);
    }
    if (found.empty())
        output.Plain(u"No library part holds '%1'."_s.arg(plan.partsText));
    else
        output.Result(lines.join(u'\n'));
    QJsonObject json;
    json.insert(u"command"_s, plan.commandName);
    json.insert(u"parts"_s, parts);
    json.insert(u"ok"_s, true);
    output.Json(json);
    return ECliExit::Success;
}

ECliExit RunIdentify(CCliSession &session, const std::vector<std::uint8_t> &found)
{
    const CCliOutput &output = session.Output();
    CPartLibrary library;
    if (!LoadLibrary(library, output))
        return ECliExit::Usage;
    std::vector<SPartMatch> matches = PartIdentify::Candidates(library, found);
    const std::vector<std::uint8_t> &allowed = session.Plan().identifyAnyByte;
    for (SPartMatch &match : matches)
        match.anyByteAllowed =
            std::find(allowed.begin(), allowed.end(), match.address) != allowed.end();
    const SBusProcedureResult result =
        session.RunProcedure([&library, &matches](CBusContext &context) {
            return PartIdentify::Run(context, library, matches);
        });
    if (!result.ok) {
        if (session.IsInterrupted())
            return ECliExit::Interrupted;
        output.Error(u"identify: "_s + QString::fromStdString(result.error));
        return ExitOf(result.failure);
    }

    QStringList lines;
    for (const SPartMatch &match : matches) {
        const QString address = session.Address(match.address);
        lines.append(u"%1: %2"_s.arg(address, PartMatchReport::Line(library, match)));
        QJsonObject json = session.JsonBase();
        json.insert(u"address"_s, address);
        const QJsonObject fields = PartMatchReport::Fields(library, match);
        for (auto it = fields.begin(); it != fields.end(); ++it)
            json.insert(it.key(), it.value());
        json.insert(u"ok"_s, true);
        output.Json(json);
    }
    if (!lines.isEmpty())
        output.Result(lines.join(u'\n'));
    return ECliExit::Success;
}

} // namespace CliCommands
