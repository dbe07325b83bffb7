// SPDX-License-Identifier: MIT
// list: the attached adapters, which program shares one, and why one cannot be opened.
#include "BusServerDirectory.h"
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"
#include "CliAdapter.h"
#include "CliOutput.h"
#include "CliPlan.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString AccessWord(EVtlAccess access)
{
    switch (access) {
    case EVtlAccess::Usable:
        return u"ok"_s;
    case EVtlAccess::PermissionDenied:
        return u"no-permission"_s;
    case EVtlAccess::OpenFailed:
        return u"open-failed"_s;
    case EVtlAccess::NotFound:
        return u"gone"_s;
    }
    return {};
}

QString Firmware(std::uint16_t firmware)
{
    return QString::number(firmware, 16).toUpper().rightJustified(4, u'0');
}

class CListCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"list"_s,
                u"List the attached adapters."_s,
                u"Lists the attached adapters: model, serial number, firmware and product "
                u"name, the program that shares an adapter with the others (which every "
                u"command then goes through), and for an adapter that cannot be opened, why."_s,
                {},
                {},
                {},
                0,
                0};
    }

    bool Plan(const SCliInvocation &, SCliPlan &, QString &) override { return true; }

    // It opens each adapter only to tell whether it can, as the access check does.
    bool NeedsAdapter() const override { return false; }

    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        std::vector<SVtlDeviceEntry> entries = CVtlDeviceFactory::EnumerateDevices();
        if (!plan.global.adapter.isEmpty()) {
            // The one adapter --adapter names, however it names it; a serial number that
            // several models carry lists them all.
            const CliAdapter::SSelection selection =
                CliAdapter::Select(entries, plan.global.adapter);
            if (selection.entry) {
                entries = {*selection.entry};
            } else {
                std::erase_if(entries, [&](const SVtlDeviceEntry &entry) {
                    return QString::fromStdWString(entry.serial) != plan.global.adapter;
                });
            }
        }
        QStringList lines;
        QJsonArray adapters;
        bool usable = false;
        bool denied = false;
        for (const SVtlDeviceEntry &entry : entries) {
            const SVtlAdapterAccess access = CVtlAdapterAccess::Check(entry.type, entry.serial);
            const QString serial = QString::fromStdWString(entry.serial);
            const QString product = QString::fromStdWString(access.productName);
            // A shared adapter is used through its server, whether or not it opens here.
            const std::optional<SBusServerOwner> owner =
                BusServerDirectory::FindServer(entry.serial);
            usable = usable || owner || access.access == EVtlAccess::Usable;
            denied = denied || (!owner && access.access == EVtlAccess::PermissionDenied);

            QString line = CliAdapter::ModelLetter(entry.type) + u"  "_s + serial + u"  FW "_s +
                           Firmware(access.firmware) + u"  "_s + product;
            if (owner)
                line += u"  (shared by %1 (pid %2))"_s.arg(QString::fromStdString(owner->program))
                            .arg(owner->pid);
            else if (access.access == EVtlAccess::PermissionDenied)
                line += u"  (no permission to open it)"_s;
            else if (access.access != EVtlAccess::Usable)
                line += u"  (cannot be opened: "_s + QString::fromStdString(access.error) + u')';
            lines.append(line);

            QJsonObject json;
            json.insert(u"model"_s, CliAdapter::ModelLetter(entry.type));
            json.insert(u"serial"_s, serial);
            json.insert(u"product"_s, product);
            json.insert(u"firmware"_s, Firmware(access.firmware));
            json.insert(u"access"_s, AccessWord(access.access));
            if (!access.error.empty())
                json.insert(u"error"_s, QString::fromStdString(access.error));
            json.insert(u"sharedBy"_s,
                        owner ? QJsonValue(QJsonObject{
                                    {u"program"_s, QString::fromStdString(owner->program)},
                                    {u"pid"_s, qint64(owner->pid)}})
                              : QJsonValue(QJsonValue::Null));
            adapters.append(json);
        }
        const QString none =
            plan.global.adapter.isEmpty()
                ? u"no adapter attached"_s
                : u"--adapter %1: no such adapter attached"_s.arg(plan.global.adapter);
        std::optional<QString> error;
        if (entries.empty())
            error = none;
        else if (!usable)
            error = denied ? u"no permission to open some adapters"_s
                           : u"no attached adapter can be opened"_s;
        output.Result(lines.join(u'\n'));
        output.JsonResult(plan.commandName,
                          {{u"adapters"_s, adapters}, {u"count"_s, qint64(entries.size())}}, usable,
                          error);

        if (denied) {
            output.Error(u"no permission to open some adapters"_s);
            output.Plain(QString::fromStdString(CVtlAdapterAccess::PermissionHint()));
        }
        if (entries.empty())
            output.Error(none);
        return usable ? ECliExit::Success : ECliExit::NoAdapter;
    }
};

} // namespace

namespace CliCommands {

SCliCommandEntry ListCommand()
{
    return CliCommandEntry<CListCommand>();
}

} // namespace CliCommands
