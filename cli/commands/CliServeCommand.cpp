// SPDX-License-Identifier: MIT
// serve: holds an adapter without a window and shares it with the other programs of the user
// (the command line, scripts, windows) until a signal ends it.
#include "BusServerDirectory.h"
#include "CBusServer.h"
#include "CBusSession.h"
#include "CI2cDevNode.h"
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
const QString I2C_DEV = u"i2c-dev"_s;
const QString GROUP = u"group"_s;
constexpr int LAST_NODE_NUMBER = 255;

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
                u"Messages about clients go to standard error. With --i2c-dev the adapter "
                u"is also the device file /dev/i2c-N (N given, or the first free from 20) "
                u"for every program written for Linux's i2c-dev, through CUSE (modprobe "
                u"cuse); it belongs to the invoking user or to --group's group."_s,
                {{u"N"_s, u"With --i2c-dev: the number of /dev/i2c-N."_s}},
                u"[N]"_s,
                {{I2C_DEV, u"Serve the adapter as /dev/i2c-N too."_s},
                 {GROUP, u"With --i2c-dev: the group that owns the node."_s, u"G"_s}},
                0,
                1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &, QString &error) override
    {
        m_i2cDev = invocation.flags.contains(I2C_DEV);
        m_node.group = invocation.values.value(GROUP).toStdString();
        if (!m_i2cDev && (!invocation.arguments.isEmpty() || !m_node.group.empty())) {
            error = u"serve: N and --group go with --i2c-dev"_s;
            return false;
        }
        if (!invocation.arguments.isEmpty()) {
            bool ok = false;
            m_node.number = invocation.arguments.front().toInt(&ok);
            if (!ok || m_node.number < 0 || m_node.number > LAST_NODE_NUMBER) {
                error = u"serve: N must be a number from 0 to 255"_s;
                return false;
            }
        }
        return true;
    }

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
                        u"adapter %1 is already shared by %2 (pid %3)"_s
                            .arg(serial, QString::fromStdString(owner->program))
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

        CI2cDevNode node;
        if (m_i2cDev) {
            if (!node.Start(*selection.entry, plan.global.speed, m_node)) {
                server.Stop();
                return Fail(plan, output,
                            u"cannot serve adapter %1 as i2c-dev: %2"_s.arg(
                                serial, QString::fromStdString(node.GetLastError())),
                            ECliExit::BusFailure);
            }
            output.Result(u"i2c-dev node %1"_s.arg(QString::fromStdString(node.DevicePath())));
        }

        // Until a signal, or until the server stops because the adapter went away; the
        // i2c-dev node stays over an unplug and answers ENODEV meanwhile.
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(SIGNAL_POLL_MS);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (CliInterrupt::WasInterrupted() || (!server.IsServing() && !m_i2cDev))
                loop.quit();
        });
        poll.start();
        loop.exec();

        const bool interrupted = CliInterrupt::WasInterrupted();
        node.Stop();
        // Stopping removes the socket, so a later server of the adapter starts cleanly.
        server.Stop();
        bus.Disconnect();
        if (interrupted)
            return ECliExit::Interrupted;
        output.Error(u"adapter %1 is gone"_s.arg(serial));
        return ECliExit::BusFailure;
    }

private:
    bool m_i2cDev = false;
    SI2cDevNodeOptions m_node;

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
