// SPDX-License-Identifier: MIT
#include "CliMain.h"

#include "CBusSession.h"
#include "CTransactionControl.h"
#include "CVtlDeviceFactory.h"
#include "CliAdapter.h"
#include "CliCommandLine.h"
#include "CliExitCode.h"
#include "CliInterrupt.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "I2cTools.h"
#include "NativeName.h"
#include "VtlVersion.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int Code(ECliExit exit)
{
    return static_cast<int>(exit);
}

// A command that ended before it had a result still gives a script one JSON object.
void JsonFailure(const CCliOutput &output, const QString &command)
{
    output.JsonResult(command, {}, false, output.LastError());
}

int UsageError(const CCliOutput &output, const QString &message, const QString &usage,
               const QString &helpCommand)
{
    output.Error(message);
    if (!usage.isEmpty())
        output.Plain(usage);
    output.Plain(u"Try '%1 --help' for more information."_s.arg(helpCommand));
    return Code(ECliExit::Usage);
}

void PrintText(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes.append('\n');
    CCliOutput::WriteStdout(bytes);
}

// Results that did not reach stdout (a full disk, a closed pipe's end) fail the run: said on
// stderr, and a run that would have succeeded ends with 1.
int FinishOutput(const QString &program, int status)
{
    const std::optional<QString> failure = CCliOutput::FinishStdout();
    if (!failure)
        return status;
    CCliOutput(program, false, false).Error(u"standard output cannot be written: "_s + *failure);
    return status == Code(ECliExit::Success) ? Code(ECliExit::BusFailure) : status;
}

// The bus part: choose, check and open the adapter, run the command on it. The session
// releases the driver on the way out, which switches the adapter's I2C function off.
ECliExit RunOnAdapter(const SCliPlan &plan, const CCliOutput &output, CCliProgress &progress,
                      const CTransactionControl &control)
{
    const CliAdapter::SSelection selection =
        CliAdapter::SelectFor(CVtlDeviceFactory::EnumerateDevices(), plan.global.adapter);
    if (!selection.entry) {
        output.Error(selection.message);
        JsonFailure(output, plan.commandName);
        return selection.exit;
    }
    ECliExit exit = ECliExit::Success;
    CBusSession bus;
    if (!CliAdapter::Open(bus, plan, *selection.entry, output, exit)) {
        JsonFailure(output, plan.commandName);
        return exit;
    }
    if (CliInterrupt::WasInterrupted())
        return ECliExit::Interrupted;
    CCliSession session(bus, plan, output, progress, control);
    return plan.command->Run(session);
}

// A run lasts milliseconds: compiling each pattern to machine code and setting up GLib's
// main context for an event loop that never runs cost more than they save. The user's own
// setting of either variable wins.
void PrepareForShortRun()
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", "0");
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
}

} // namespace

int CliMain(int argc, char **argv, const SCliProgram &program)
{
    PrepareForShortRun();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(u"vtl-i2c-cli"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(VTL_APP_VERSION));

    CCliProgress progress;
    CTransactionControl control(
        [&progress](std::uint64_t done, std::uint64_t) { progress.Report(done); });
    CliInterrupt::Install(&control);

    // As the bytes came, so that a file name that is not UTF-8 still opens.
    const QStringList arguments = NativeName::Arguments(argc, argv);
    const QString name = QFileInfo(arguments.value(0, u"vtl-i2c-cli"_s)).fileName();
    if (argc > 1 && I2cTools::IsTool(argv[1])) {
        SI2cToolsIo io;
        io.control = &control;
        const int status = I2cTools::Run(std::vector<std::string>(argv + 1, argv + argc), io);
        CliInterrupt::Uninstall();
        if (CliInterrupt::WasInterrupted())
            return CliInterrupt::ExitStatus();
        return FinishOutput(name, status);
    }

    const SCliParseResult parsed = CliCommandLine::Parse(arguments, program.helpEpilog);
    int status = Code(ECliExit::Success);
    if (parsed.outcome == ECliParseOutcome::Help || parsed.outcome == ECliParseOutcome::Version) {
        PrintText(parsed.text);
    } else if (parsed.outcome == ECliParseOutcome::UsageError) {
        const CCliOutput output(name, parsed.json, false);
        status = UsageError(output, parsed.text, parsed.usage, name);
        JsonFailure(output, parsed.command);
    } else {
        const SCliInvocation &invocation = parsed.invocation;
        const CCliOutput output(name, invocation.global.json, invocation.global.quiet);
        QString error;
        const std::optional<SCliPlan> plan = CliPlan::Build(invocation, error);
        if (!plan) {
            status = UsageError(output, error, CliCommandLine::UsageLine(name, invocation.spec),
                                name + u' ' + invocation.spec->name);
            JsonFailure(output, invocation.spec->name);
        } else if (!plan->command->NeedsAdapter()) {
            status = Code(plan->command->RunAlone(*plan, output));
        } else {
            const bool terminal = isatty(STDERR_FILENO) == 1;
            progress.SetMode(!plan->global.quiet && (terminal || plan->global.progress), terminal);
            status = Code(RunOnAdapter(*plan, output, progress, control));
        }
    }
    CliInterrupt::Uninstall();
    if (CliInterrupt::WasInterrupted())
        return CliInterrupt::ExitStatus();
    return FinishOutput(name, status);
}
