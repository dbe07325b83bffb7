// SPDX-License-Identifier: MIT
// check: device files loaded as the window loads them, without an adapter.
#include "CI2cDeviceFile.h"
#include "CliInputFile.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "MessageValues.h"
#include "Plural.h"

using namespace Qt::StringLiterals;

namespace {

class CCheckCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"check"_s,
                u"Check device files without an adapter."_s,
                u"Loads each FILE as the window does and names what is wrong with the "
                u"ones it refuses. Exit status 0 when all load, 2 otherwise."_s,
                {{u"FILE"_s, u"Device file (.i2cdev)."_s}},
                u"FILE..."_s,
                {},
                1,
                -1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &, QString &) override
    {
        m_files = invocation.arguments;
        return true;
    }

    bool NeedsAdapter() const override { return false; }

    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        ECliExit exit = ECliExit::Success;
        for (const QString &path : m_files) {
            CI2cDeviceFile file;
            QString why;
            const bool ok = CliInputFile::LoadDevice(path, file, why);
            std::optional<QString> error;
            if (ok) {
                const qsizetype count =
                    file.GetRegisters() ? file.GetRegisters()->registers.size() : 0;
                output.Result(u"%1: ok, %2, %3"_s.arg(
                    path, Plural::Count(file.GetCommands().size(), u"command", u"commands"),
                    Plural::Count(count, u"register", u"registers")));
            } else {
                output.Error(u"%1: %2"_s.arg(path, why));
                error = why;
                exit = ECliExit::Usage;
            }
            output.JsonResult(plan.commandName, {{u"file"_s, path}}, ok, error);
        }
        return exit;
    }

private:
    QStringList m_files;
};

} // namespace

namespace CliCommands {

SCliCommandEntry CheckCommand()
{
    return CliCommandEntry<CCheckCommand>();
}

} // namespace CliCommands
