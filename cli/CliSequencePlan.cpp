// SPDX-License-Identifier: MIT
#include "CliSequencePlan.h"

#include "CliInputFile.h"
#include "CliValues.h"
#include "SequenceParser.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace CliSequencePlan {

namespace {

// A script is a hand-written text: 16 MiB holds far more lines than any bench procedure.
constexpr qint64 MAX_SCRIPT_SIZE = 16 * 1024 * 1024;

bool ReadScript(const QString &path, QStringList &lines, QString &error)
{
    QByteArray bytes;
    if (CliInputFile::IsStandardInput(path)) {
        QString why;
        if (!CliInputFile::ReadStandardInput(bytes, why, MAX_SCRIPT_SIZE)) {
            error = u"FILE '-': standard input cannot be read: %1"_s.arg(why);
            return false;
        }
    } else {
        const QFileInfo info(path);
        if (info.isDir() || (info.exists() && !info.isFile())) {
            error = u"FILE %1 is no regular file"_s.arg(CliValues::Quoted(path));
            return false;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error =
                u"FILE %1 cannot be read: %2"_s.arg(CliValues::Quoted(path), file.errorString());
            return false;
        }
        bytes = file.read(MAX_SCRIPT_SIZE + 1);
        if (bytes.size() > MAX_SCRIPT_SIZE) {
            error = u"FILE %1 is larger than %2 bytes"_s.arg(CliValues::Quoted(path))
                        .arg(MAX_SCRIPT_SIZE);
            return false;
        }
    }
    lines = QString::fromUtf8(bytes).split(u'\n');
    return true;
}

bool Expand(const QStringList &lines, std::optional<std::uint8_t> address, const QString &where,
            SCliPlan &plan, SCliSequencePlan &sequence, QString &error)
{
    SSequenceError found;
    std::optional<CSequenceProgram> program = SequenceParser::ParseProgram(lines, address, found);
    if (!program) {
        error = u"%1 %2"_s.arg(where, found.Text());
        if (!address && found.message.contains(u"no device address"_s))
            error += u" (give --address)"_s;
        return false;
    }
    if (program->IsEmpty()) {
        error = u"%1 holds no step"_s.arg(where);
        return false;
    }
    // Each step as written is enough: a repeat reads the same counts again.
    for (const SSequenceStep &step : program->Steps()) {
        for (const STransferMessage &message : step.messages) {
            if (message.read)
                plan.NoteRead(message.count, u"line %1 (%2)"_s.arg(step.line).arg(message.word));
        }
    }
    sequence.program = std::move(*program);
    return true;
}

} // namespace

bool BuildScript(const SCliInvocation &invocation, SCliPlan &plan, SCliSequencePlan &sequence,
                 QString &error)
{
    sequence.dryRun = invocation.flags.contains(CliOption::DRY_RUN);
    std::optional<std::uint8_t> address;
    if (invocation.values.contains(CliOption::ADDRESS)) {
        address = CliValues::ParseAddress(invocation.values.value(CliOption::ADDRESS),
                                          plan.global.eightBit, u"--address"_s, error);
        if (!address)
            return false;
        plan.address = *address;
    }
    const QString path = invocation.arguments.value(0);
    QStringList lines;
    if (!ReadScript(path, lines, error))
        return false;
    return Expand(lines, address, u"FILE %1"_s.arg(CliValues::Quoted(path)), plan, sequence, error);
}

bool BuildStored(const SCliInvocation &invocation, const SI2cCommand &command, SCliPlan &plan,
                 SCliSequencePlan &sequence, QString &error)
{
    sequence.dryRun = invocation.flags.contains(CliOption::DRY_RUN);
    return Expand(command.steps, plan.address, u"LABEL %1"_s.arg(CliValues::Quoted(command.label)),
                  plan, sequence, error);
}

} // namespace CliSequencePlan
