// SPDX-License-Identifier: MIT
#include "CliAdapter.h"

#include "CAdapterOpener.h"
#include "CliOutput.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace CliAdapter {

namespace {

QString TypeName(EVtlType type)
{
    const SAdapterCapabilities *model = SAdapterCapabilities::OfModel(type);
    return model != nullptr ? QString::fromStdWString(model->typeName) : QString();
}

void PrintPermissionDenied(const CCliOutput &output, const QString &serial, const QString &error)
{
    output.Error(u"no permission to open adapter %1 (%2)"_s.arg(serial, error));
    output.Plain(QString::fromStdString(CAdapterOpener::PermissionHint()));
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

SSelection Select(const std::vector<SVtlDeviceEntry> &attached, const QString &choice,
                  const QString &origin)
{
    // "--adapter X", or "VTL_ADAPTER=X" for the variable.
    const QString named = origin + (origin.startsWith(u'-') ? u' ' : u'=') + choice;
    SAdapterChoice found = CAdapterOpener::Choose(attached, choice.toStdWString());
    if (found.failure == EAdapterFailure::NoSuchAdapter) {
        // Not a serial number: the place in the list, or the model letter.
        bool isNumber = false;
        const qulonglong index = choice.toULongLong(&isNumber);
        const bool digits = isNumber && std::all_of(choice.begin(), choice.end(),
                                                    [](QChar c) { return c.isDigit(); });
        if (digits && index < attached.size()) {
            found = CAdapterOpener::ChooseAt(attached, std::size_t(index));
        } else if (choice.size() == 1) {
            std::vector<SVtlDeviceEntry> ofModel;
            for (const SVtlDeviceEntry &entry : attached) {
                if (ModelLetter(entry.type).compare(choice, Qt::CaseInsensitive) == 0)
                    ofModel.push_back(entry);
            }
            if (ofModel.size() == 1) {
                found.entry = ofModel.front();
                found.failure = EAdapterFailure::None;
            } else if (ofModel.size() > 1) {
                SSelection selection;
                selection.exit = ECliExit::Usage;
                selection.message =
                    u"%1: %2 adapters of model %3 are attached; choose one by its serial "
                    u"number or its place in 'list' (0 first):\n"_s.arg(named)
                        .arg(ofModel.size())
                        .arg(choice.toUpper()) +
                    DescribeList(ofModel);
                return selection;
            }
        }
    }
    SSelection selection;
    selection.entry = found.entry;
    switch (found.failure) {
    case EAdapterFailure::None:
        break;
    case EAdapterFailure::SeveralAttached:
        selection.exit = ECliExit::Usage;
        selection.message = u"%1 adapters are attached; choose one with --adapter SERIAL:\n"_s.arg(
                                attached.size()) +
                            DescribeList(found.candidates);
        break;
    case EAdapterFailure::SerialNotUnique:
        selection.exit = ECliExit::NoAdapter;
        selection.message =
            u"%1: adapters of several models carry this serial number:\n"_s.arg(named) +
            DescribeList(found.candidates);
        break;
    case EAdapterFailure::NoSuchAdapter:
        selection.exit = ECliExit::NoAdapter;
        selection.message = u"%1: no such adapter attached; attached are:\n"_s.arg(named) +
                            DescribeList(found.candidates);
        break;
    default:
        selection.exit = ECliExit::NoAdapter;
        selection.message = u"no adapter attached"_s;
        break;
    }
    return selection;
}

SSelection SelectFor(const std::vector<SVtlDeviceEntry> &attached, const QString &option)
{
    if (!option.isEmpty())
        return Select(attached, option);
    const QString variable = qEnvironmentVariable(ADAPTER_VARIABLE);
    return Select(attached, variable, QString::fromLatin1(ADAPTER_VARIABLE));
}

QString CheckModel(const SCliPlan &plan, const SAdapterCapabilities &model)
{
    const QString type = QString::fromStdWString(model.typeName);
    if (!model.IsSpeedSupported(plan.global.speed)) {
        QStringList speeds;
        for (const EI2cSpeed speed : model.SpeedsRising())
            speeds.append(QString::number(I2cSpeedKbits(speed)));
        return u"--speed %1 is not supported by the %2 (it runs at %3 kbit/s)"_s.arg(
            QString::number(I2cSpeedKbits(plan.global.speed)), type, speeds.join(u", "_s));
    }
    if (plan.global.pullUps && !model.hasPullUpSwitch)
        return u"--pullups: the %1 has no pull-up switch (model B only)"_s.arg(type);
    if (plan.largestRead > model.maxReadCount) {
        return u"%1 asks for %2 bytes; the %3 reads 1 to %4 bytes at once"_s.arg(
            plan.largestReadName, QString::number(plan.largestRead), type,
            QString::number(model.maxReadCount));
    }
    // Refused here rather than by the driver, so that nothing of the command goes out.
    for (const STransactionRequest &request : plan.requests) {
        if (!model.canWriteAddressOnly && request.kind == ETransactionKind::Write &&
            request.start && request.stop && request.data.empty())
            return u"the %1 cannot send an address byte alone: a write with start and stop "
                   u"needs at least one byte on it"_s.arg(type);
    }
    return {};
}

bool Open(CBusSession &bus, const SCliPlan &plan, const SVtlDeviceEntry &entry,
          const CCliOutput &output, ECliExit &exit)
{
    const QString serial = QString::fromStdWString(entry.serial);
    QString problem;
    const SAdapterOpening opening =
        CAdapterOpener::Open(bus, entry, SAdapterSettings{plan.global.speed, plan.global.pullUps},
                             [&](const SAdapterCapabilities &model) {
                                 problem = CheckModel(plan, model);
                                 return problem.isEmpty();
                             });
    const QString error = QString::fromStdString(opening.error);
    exit = ECliExit::NoAdapter;
    switch (opening.failure) {
    case EAdapterFailure::None:
        exit = ECliExit::Success;
        return true;
    case EAdapterFailure::Refused:
        output.Error(problem);
        exit = ECliExit::Usage;
        return false;
    case EAdapterFailure::PermissionDenied:
        PrintPermissionDenied(output, serial, error);
        return false;
    case EAdapterFailure::OpenFailed:
        output.Error(u"adapter %1 cannot be opened: %2"_s.arg(serial, error));
        return false;
    case EAdapterFailure::Gone:
        output.Error(u"adapter %1 is gone"_s.arg(serial));
        return false;
    default:
        output.Error(u"cannot connect to adapter %1: %2"_s.arg(serial, error));
        return false;
    }
}

} // namespace CliAdapter
