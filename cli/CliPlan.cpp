// SPDX-License-Identifier: MIT
#include "CliPlan.h"

#include "CliCommandTable.h"
#include "CliValues.h"

using namespace Qt::StringLiterals;

void SCliPlan::NoteRead(std::size_t count, const QString &name)
{
    if (count > largestRead) {
        largestRead = count;
        largestReadName = name;
    }
}

namespace CliPlan {

namespace {

// The reserved addresses are refused unless asked for: 0 is also what a bus number typed
// out of i2c-tools habit reads as, and would go out as a general call.
bool CheckReservedAddresses(const SCliPlan &plan, QString &error)
{
    if (plan.global.allAddresses)
        return true;
    for (const SCliPlan::STypedAddress &typed : plan.typedAddresses) {
        if (!CliValues::IsReservedAddress(typed.address))
            continue;
        error = CliValues::ReservedAddressMessage(typed.address, plan.global.eightBit, typed.text);
        return false;
    }
    return true;
}

} // namespace

std::optional<SCliPlan> Build(const SCliInvocation &invocation, QString &error)
{
    if (invocation.spec == nullptr) {
        error = u"no command given"_s;
        return std::nullopt;
    }
    SCliPlan plan;
    plan.commandName = invocation.spec->name;
    plan.global = invocation.global;
    const SCliCommandEntry *entry = CliCommandTable::Find(invocation.spec->name);
    if (entry == nullptr) {
        error = u"unknown command '%1'"_s.arg(invocation.spec->name);
        return std::nullopt;
    }
    std::unique_ptr<CCliCommand> command = entry->create();
    if (!command->Plan(invocation, plan, error) || !CheckReservedAddresses(plan, error))
        return std::nullopt;
    plan.command = std::move(command);
    return plan;
}

} // namespace CliPlan
