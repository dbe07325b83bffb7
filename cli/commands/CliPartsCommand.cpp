// SPDX-License-Identifier: MIT
// parts: the library of common parts, searched by text, or the path of one part's file.
#include "CPartLibrary.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "NumberText.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

const QString PATH = u"path"_s;

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

class CPartsCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"parts"_s,
                u"List the library of common parts."_s,
                u"Lists the library parts whose name, kind or description holds TEXT (every part "
                u"without TEXT): name, addresses and kind. With --path, prints where the device "
                u"file of the part named TEXT is, for regs, reg and run."_s,
                {{u"TEXT"_s, u"Text to look for, or with --path the part's name."_s}},
                u"[TEXT]"_s,
                {{PATH, u"Print the path of the part's device file."_s}},
                0,
                1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &, QString &error) override
    {
        m_text = invocation.arguments.value(0);
        m_path = invocation.flags.contains(PATH);
        if (m_path && m_text.trimmed().isEmpty()) {
            error = u"--path needs the name of a part"_s;
            return false;
        }
        return true;
    }

    bool NeedsAdapter() const override { return false; }

    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        CPartLibrary library;
        if (!library.LoadDefault()) {
            output.Error(library.GetLastError());
            output.JsonResult(plan.commandName, {}, false, output.LastError());
            return ECliExit::Usage;
        }
        if (m_path)
            return PrintPath(library, plan, output);
        const bool eightBit = plan.global.eightBit;
        const std::vector<int> found = library.Search(m_text);
        QStringList lines{
            u"%1 %2 %3"_s.arg(u"NAME"_s, -10).arg(u"ADDRESSES"_s, -22).arg(u"KIND"_s)};
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
            output.Plain(u"No library part holds '%1'."_s.arg(m_text));
        else
            output.Result(lines.join(u'\n'));
        output.JsonResult(plan.commandName, {{u"parts"_s, parts}}, true);
        return ECliExit::Success;
    }

private:
    ECliExit PrintPath(const CPartLibrary &library, const SCliPlan &plan,
                       const CCliOutput &output) const
    {
        const int index = library.Find(m_text);
        if (index < 0) {
            output.Error(u"No part '%1' in the library ('parts' lists them)"_s.arg(m_text));
            output.JsonResult(plan.commandName, {}, false, output.LastError());
            return ECliExit::Usage;
        }
        const SLibraryPart &part = library.Parts().at(std::size_t(index));
        output.Result(QDir::toNativeSeparators(part.path));
        output.JsonResult(plan.commandName,
                          {{u"name"_s, part.file.GetName()}, {u"path"_s, part.path}}, true);
        return ECliExit::Success;
    }

    QString m_text;
    bool m_path = false;
};

} // namespace

namespace CliCommands {

SCliCommandEntry PartsCommand()
{
    return CliCommandEntry<CPartsCommand>();
}

} // namespace CliCommands
