// SPDX-License-Identifier: MIT
#include "CliAdapter.h"

#include "CBusSession.h"
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"
#include "CliOutput.h"
#include "CliValues.h"

#include <QStringList>

#include <array>

using namespace Qt::StringLiterals;

namespace CliAdapter {

namespace {

constexpr std::array<EI2cSpeed, 5> SPEEDS_RISING{EI2cSpeed::Speed10k, EI2cSpeed::Speed50k,
                                                 EI2cSpeed::Speed100k, EI2cSpeed::Speed400k,
                                                 EI2cSpeed::Speed1000k};

QString TypeName(EVtlType type)
{
    const auto driver = CVtlDeviceFactory::Create(type);
    return driver ? QString::fromStdWString(driver->GetTypeName()) : QString();
}

void PrintPermissionDenied(const CCliOutput &output, const QString &serial, const QString &error)
{
    output.Error(u"no permission to open adapter %1 (%2)"_s.arg(serial, error));
    output.Plain(QString::fromStdString(CVtlAdapterAccess::PermissionHint()));
}

} // namespace

QString ModelLetter(EVtlType type)
{
    switch (type) {
    case EVtlType::VtlA:
        return u"A"_s;
    case EVtlType::VtlB:
        return u"B"_s;
    case EVtlType::VtlC:
        return u"C"_s;
    }
    return u"?"_s;
}

QString DescribeList(const std::vector<SVtlDeviceEntry> &entries)
{
    QStringList lines;
    for (const SVtlDeviceEntry &entry : entries)
        lines.append(u"  "_s + TypeName(entry.type) + u' ' + QString::fromStdWString(entry.serial));
    return lines.join(u'\n');
}

SSelection Select(const std::vector<SVtlDeviceEntry> &attached, const QString &serial)
{
    SSelection selection;
    if (attached.empty()) {
        selection.exit = ECliExit::NoAdapter;
        selection.message = u"no adapter attached"_s;
        return selection;
    }
    if (serial.isEmpty()) {
        if (attached.size() == 1) {
            selection.entry = attached.front();
            return selection;
        }
        selection.exit = ECliExit::Usage;
        selection.message = u"%1 adapters are attached; choose one with --adapter SERIAL:\n"_s.arg(
                                attached.size()) +
                            DescribeList(attached);
        return selection;
    }
    std::vector<SVtlDeviceEntry> matches;
    for (const SVtlDeviceEntry &entry : attached) {
        if (QString::fromStdWString(entry.serial) == serial)
            matches.push_back(entry);
    }
    if (matches.size() == 1) {
        selection.entry = matches.front();
        return selection;
    }
    selection.exit = ECliExit::NoAdapter;
    selection.message =
        matches.empty()
            ? u"--adapter %1: no such adapter attached; attached are:\n"_s.arg(serial) +
                  DescribeList(attached)
            : u"--adapter %1: adapters of several models carry this serial number:\n"_s.arg(
                  serial) +
                  DescribeList(matches);
    return selection;
}

QString CheckModel(const SCliPlan &plan, const CVtlI2c &driver, EVtlType model)
{
    const QString type = QString::fromStdWString(driver.GetTypeName());
    if (!driver.IsSpeedSupported(plan.global.speed)) {
        QStringList speeds;
        for (const EI2cSpeed speed : SPEEDS_RISING) {
            if (driver.IsSpeedSupported(speed))
                speeds.append(QString::number(CliValues::SpeedKbits(speed)));
        }
        return u"--speed %1 is not supported by the %2 (it runs at %3 kbit/s)"_s.arg(
            QString::number(CliValues::SpeedKbits(plan.global.speed)), type, speeds.join(u", "_s));
    }
    if (plan.global.pullUps && !driver.HasPullUpSwitch())
        return u"--pullups: the %1 has no pull-up switch (model B only)"_s.arg(type);
    if (plan.largestRead > driver.GetMaxReadCount()) {
        return u"%1 asks for %2 bytes; the %3 reads 1 to %4 bytes at once"_s.arg(
            plan.largestReadName, QString::number(plan.largestRead), type,
            QString::number(driver.GetMaxReadCount()));
    }
    // Refused here rather than by the driver, so that nothing of the command goes out.
    for (const STransactionRequest &request : plan.requests) {
        if (model == EVtlType::VtlB && request.kind == ETransactionKind::Write && request.start &&
            request.stop && request.data.empty())
            return u"the %1 cannot send an address byte alone: a write with start and stop "
                   u"needs at least one byte on it"_s.arg(type);
    }
    return {};
}

bool Open(CBusSession &bus, const SCliPlan &plan, const SVtlDeviceEntry &entry,
          const CCliOutput &output, ECliExit &exit)
{
    const QString serial = QString::fromStdWString(entry.serial);
    const SVtlAdapterAccess access = CVtlAdapterAccess::Check(entry.type, entry.serial);
    const QString accessError = QString::fromStdString(access.error);
    switch (access.access) {
    case EVtlAccess::Usable:
        break;
    case EVtlAccess::PermissionDenied:
        PrintPermissionDenied(output, serial, accessError);
        exit = ECliExit::NoAdapter;
        return false;
    case EVtlAccess::OpenFailed:
        output.Error(u"adapter %1 cannot be opened: %2"_s.arg(serial, accessError));
        exit = ECliExit::NoAdapter;
        return false;
    case EVtlAccess::NotFound:
        output.Error(u"adapter %1 is gone"_s.arg(serial));
        exit = ECliExit::NoAdapter;
        return false;
    }

    // An unconnected driver of the model answers what the model can do.
    const std::unique_ptr<CVtlI2c> model = CVtlDeviceFactory::Create(entry.type);
    const QString problem = CheckModel(plan, *model, entry.type);
    if (!problem.isEmpty()) {
        output.Error(problem);
        exit = ECliExit::Usage;
        return false;
    }
    if (!bus.Connect(entry, plan.global.speed, plan.global.pullUps)) {
        const std::string error = bus.GetLastError();
        if (bus.GetLastErrorKind() == EFailureKind::PermissionDenied)
            PrintPermissionDenied(output, serial, QString::fromStdString(error));
        else
            output.Error(
                u"cannot connect to adapter %1: %2"_s.arg(serial, QString::fromStdString(error)));
        exit = ECliExit::NoAdapter;
        return false;
    }
    exit = ECliExit::Success;
    return true;
}

} // namespace CliAdapter
