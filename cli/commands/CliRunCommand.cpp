// SPDX-License-Identifier: MIT
// run: a stored command of a device file, as the window's projects panel executes it.
#include "CI2cDeviceFile.h"
#include "CliDryRun.h"
#include "CliInputFile.h"
#include "CliPlan.h"
#include "CliSequence.h"
#include "CliSequencePlan.h"
#include "CliSession.h"
#include "CliSingleTransaction.h"
#include "CliValues.h"
#include "CommandRequest.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

class CRunCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {
            u"run"_s,
            u"Execute a stored command of a device file."_s,
            u"Executes the command with the label LABEL of the device file FILE at the file's "
            u"address, as the window's projects panel does: a write with its start/stop "
            u"mode, a read, or a write/read (the bytes, then a read after a repeated start), "
            u"and prints the bytes read and, when the command defines a decoding, the value "
            u"with its unit on a line of its own. A sequence runs its steps as script does. "
            u"--dry-run prints the transfers (a sequence's steps) instead and opens no "
            u"adapter."_s,
            {{u"FILE"_s, u"Device file (.i2cdev)."_s},
             {u"LABEL"_s, u"Label of the command (letter case and surrounding blanks aside)."_s}},
            u"FILE LABEL"_s,
            {CliSpec::DryRunOption()},
            2,
            2};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        const QString path = invocation.arguments.value(0);
        CI2cDeviceFile device;
        QString why;
        if (!CliInputFile::LoadDevice(path, device, why)) {
            error = u"FILE %1: %2"_s.arg(CliValues::Quoted(path), why);
            return false;
        }
        const QString label = invocation.arguments.value(1);
        const QList<SI2cCommand> &commands = device.GetCommands();
        const SI2cCommand *found = nullptr;
        for (const SI2cCommand &command : commands) {
            if (command.label == label) {
                found = &command;
                break;
            }
        }
        QStringList alike;
        for (const SI2cCommand &command : commands) {
            if (found != nullptr ||
                command.label.trimmed().compare(label.trimmed(), Qt::CaseInsensitive) != 0)
                continue;
            alike.append(CliValues::Quoted(command.label));
        }
        if (found == nullptr && alike.size() > 1) {
            error = u"LABEL %1 matches %2 of %3, which differ only in letter case; give one "
                    u"of them exactly"_s.arg(CliValues::Quoted(label), alike.join(u" and "_s),
                                             CliValues::Quoted(path));
            return false;
        }
        for (const SI2cCommand &command : commands) {
            if (found == nullptr &&
                command.label.trimmed().compare(label.trimmed(), Qt::CaseInsensitive) == 0)
                found = &command;
        }
        if (found == nullptr) {
            QStringList labels;
            for (const SI2cCommand &command : commands)
                labels.append(CliValues::Quoted(command.label));
            error = u"LABEL %1 is no command of %2; it has %3"_s.arg(
                CliValues::Quoted(label), CliValues::Quoted(path),
                labels.isEmpty() ? u"none"_s : labels.join(u", "_s));
            return false;
        }
        m_command = *found;
        m_file = path;
        m_dryRun = invocation.flags.contains(CliOption::DRY_RUN);
        plan.address = device.GetAddress();
        if (found->type == EI2cCommandType::Sequence)
            return CliSequencePlan::BuildStored(invocation, m_command, plan, m_sequence, error);
        return BuildRunRequest(label, plan, error);
    }

    // A dry run prints what would be sent, whatever kind the command is.
    bool NeedsAdapter() const override { return !m_dryRun; }

    ECliExit Run(CCliSession &session) const override
    {
        if (!m_sequence.program.IsEmpty())
            return CliSequence::Run(session, m_sequence.program);
        const QString what =
            u"run '%1' at %2"_s.arg(m_command.label, session.Address(session.Plan().address));
        return CliSingleTransaction::Run(
            session, what, {{u"file"_s, m_file}, {u"label"_s, m_command.label}},
            [this](const std::vector<unsigned char> &read, QJsonObject &json) {
                return DecodedValue(read, json);
            });
    }

    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        if (!m_sequence.program.IsEmpty())
            return CliSequence::RunDryRun(plan, m_sequence.program, output);
        return CliDryRun::Print(plan, plan.requests, output);
    }

private:
    // The command's decoding of the bytes read, as the window's watch decodes them: the value
    // in the shortest text that reads back the same, with its unit; nothing without one.
    QString DecodedValue(const std::vector<unsigned char> &read, QJsonObject &json) const
    {
        if (!m_command.value)
            return {};
        const std::optional<double> value = m_command.value->Decode(read);
        if (!value)
            return {};
        json.insert(u"value"_s, *value);
        QString text = QString::number(*value, 'f', QLocale::FloatingPointShortest);
        if (!m_command.value->unit.isEmpty()) {
            json.insert(u"unit"_s, m_command.value->unit);
            text += u' ' + m_command.value->unit;
        }
        return text;
    }

    bool BuildRunRequest(const QString &label, SCliPlan &plan, QString &error)
    {
        const QString name = u"LABEL %1"_s.arg(CliValues::Quoted(label));
        ECommandRefusal refusal = ECommandRefusal::None;
        std::optional<STransactionRequest> request =
            CommandRequest::FromCommand(plan.address, m_command, refusal);
        if (!request) {
            error = CommandRequest::RefusalText(refusal, name);
            return false;
        }
        if (request->kind != ETransactionKind::Write)
            plan.NoteRead(request->count, name);
        plan.requests.push_back(std::move(*request));
        return true;
    }

    SI2cCommand m_command;
    QString m_file;
    SCliSequencePlan m_sequence;
    bool m_dryRun = false;
};

} // namespace

namespace CliCommands {

SCliCommandEntry RunCommand()
{
    return CliCommandEntry<CRunCommand>();
}

} // namespace CliCommands
