// SPDX-License-Identifier: MIT
// serve: holds an adapter without a window and shares it with the other programs of the user
// (the command line, scripts, windows) until a signal ends it.
#include "BusServerDirectory.h"
#include "CBusServer.h"
#include "CBusSession.h"
#include "CVtlDeviceFactory.h"
#include "CliAdapter.h"
#include "CliInterrupt.h"
#include "CliOutput.h"
#include "CliPlan.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// How often the loop looks whether a signal arrived: the handler may only set a flag.
constexpr int SIGNAL_POLL_MS = 100;

class CServeCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"serve"_s,
                u"Share an adapter with other programs until stopped."_s,
                u"Connects the adapter (--adapter, VTL_ADAPTER, or the only one attached) and "
                u"serves it on a local socket of this user, so that other runs of this "
                u"program, scripts and windows use it at the same time; they find the socket "
                u"by themselves. Prints the adapter and the socket, then runs until SIGINT or "
                u"SIGTERM, which close the socket and end the program by that signal. "
                u"Messages about clients go to standard error."_s,
                {},
                {},
                {},
                0,
                0};
    }

    bool Plan(const SCliInvocation &, SCliPlan &, QString &) override { return true; }

    // It opens the adapter itself: it needs the session, not a single command's run on it.
    bool NeedsAdapter() const override { return false; }

    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        const CliAdapter::SSelection selection =
            CliAdapter::SelectFor(CVtlDeviceFactory::EnumerateDevices(), plan.global.adapter);
        if (!selection.entry)
            return Fail(plan, output, selection.message, selection.exit);
        const QString serial = QString::fromStdWString(selection.entry->serial);
        // The session would go through a live server by itself; serving that again helps no one.
        if (const auto owner = BusServerDirectory::FindServer(selection.entry->serial)) {
            return Fail(plan, output,
                        u"adapter %1 is already shared by %2 (pid %3)"_s.arg(
                            serial, QString::fromStdString(owner->program))
                            .arg(owner->pid),
                        ECliExit::NoAdapter);
        }

        CBusSession bus;
        ECliExit exit = ECliExit::Success;
        if (!CliAdapter::Open(bus, plan, *selection.entry, output, exit)) {
            output.JsonResult(plan.commandName, {}, false, output.LastError());
            return exit;
        }
        CBusServer server(bus);
        QObject::connect(&server, &CBusServer::serverMessage,
                         [&output](const QString &text) { output.Error(text); });
        if (!server.Start()) {
            return Fail(plan, output,
                        u"cannot share adapter %1: %2"_s.arg(
                            serial, QString::fromStdString(server.GetLastError())),
                        ECliExit::BusFailure);
        }
        const QString socket = QString::fromStdString(server.SocketPath());
        const QString model = QString::fromStdWString(bus.Info().typeName);
        output.Result(u"Serving %1  SN %2 on %3"_s.arg(model, serial, socket));
        output.JsonResult(plan.commandName,
                          {{u"serial"_s, serial}, {u"model"_s, model}, {u"socket"_s, socket}},
                          true);

        // Until a signal, or until the server stops because the adapter went away.
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(SIGNAL_POLL_MS);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (CliInterrupt::WasInterrupted() || !server.IsServing())
                loop.quit();
        });
        poll.start();
        loop.exec();

        const bool interrupted = CliInterrupt::WasInterrupted();
        // Stopping removes the socket, so a later server of the adapter starts cleanly.
        server.Stop();
        bus.Disconnect();
        if (interrupted)
            return ECliExit::Interrupted;
        output.Error(u"adapter %1 is gone"_s.arg(serial));
        return ECliExit::BusFailure;
    }

private:
    static ECliExit Fail(const SCliPlan &plan, const CCliOutput &output, const QString &message,
                         ECliExit exit)
    {
        output.Error(message);
        output.JsonResult(plan.commandName, {}, false, message);
        return exit;
    }
};

} // namespace

namespace CliCommands {

SCliCommandEntry ServeCommand()
{
    return CliCommandEntry<CServeCommand>();
}

} // namespace CliCommands
