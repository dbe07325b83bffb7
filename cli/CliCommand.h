// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"
#include "CliSpec.h"

#include <QString>

#include <memory>

class CCliOutput;
class CCliSession;
struct SCliInvocation;
struct SCliPlan;

// One command of the program, made anew for each command line: it checks the arguments into
// its own plan (and the part that every command's plan has), tells whether that plan runs on
// an adapter, and runs it.
class CCliCommand
{
public:
    virtual ~CCliCommand() = default;

    // False with a message that names the argument at fault; nothing has been sent then.
    virtual bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) = 0;
    // Whether the plan needs the adapter: the program opens it and calls Run, else RunAlone.
    virtual bool NeedsAdapter() const = 0;
    // Each command overrides what its NeedsAdapter can lead to; the other one is not called.
    virtual ECliExit Run(CCliSession &session) const;
    virtual ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const;
};

// A line of the command table: what the command takes, and how to make one for a command line.
struct SCliCommandEntry
{
    SCliCommandSpec spec;
    std::unique_ptr<CCliCommand> (*create)() = nullptr;
};

// The entry of a command class that has `static SCliCommandSpec Spec()`.
template <typename Command>
SCliCommandEntry CliCommandEntry()
{
    return {Command::Spec(), []() -> std::unique_ptr<CCliCommand> {
                return std::make_unique<Command>();
            }};
}
