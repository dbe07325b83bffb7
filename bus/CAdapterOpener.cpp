// SPDX-License-Identifier: MIT
#include "CAdapterOpener.h"

#include "CBusSession.h"
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"

std::vector<SVtlDeviceEntry> CAdapterOpener::Attached()
{
    return CVtlDeviceFactory::EnumerateDevices();
}

SAdapterChoice CAdapterOpener::Choose(const std::vector<SVtlDeviceEntry> &attached,
                                      const std::wstring &serial)
{
    SAdapterChoice choice;
    if (attached.empty()) {
        choice.failure = EAdapterFailure::NoneAttached;
        return choice;
    }
    if (serial.empty()) {
        if (attached.size() == 1)
            choice.entry = attached.front();
        else
            choice.failure = EAdapterFailure::SeveralAttached;
        choice.candidates = attached;
        return choice;
    }
    for (std::size_t i = 0; i < attached.size(); ++i) {
        if (attached[i].serial != serial)
            continue;
        choice.candidates.push_back(attached[i]);
        choice.index = i;
    }
    if (choice.candidates.size() == 1) {
        choice.entry = choice.candidates.front();
    } else if (choice.candidates.empty()) {
        choice.failure = EAdapterFailure::NoSuchAdapter;
        choice.candidates = attached;
    } else {
        choice.failure = EAdapterFailure::SerialNotUnique;
    }
    return choice;
}

SAdapterChoice CAdapterOpener::ChooseAt(const std::vector<SVtlDeviceEntry> &attached,
                                        std::size_t index)
{
    SAdapterChoice choice;
    choice.candidates = attached;
    choice.index = index;
    if (index < attached.size())
        choice.entry = attached[index];
    else
        choice.failure =
            attached.empty() ? EAdapterFailure::NoneAttached : EAdapterFailure::NoSuchAdapter;
    return choice;
}

SAdapterOpening CAdapterOpener::Open(CBusSession &session, const SVtlDeviceEntry &entry,
                                     const SAdapterSettings &settings, const FModelCheck &check)
{
    SAdapterOpening opening;
    const SVtlAdapterAccess access = CVtlAdapterAccess::Check(entry.type, entry.serial);
    if (access.access == EVtlAccess::PermissionDenied || access.access == EVtlAccess::OpenFailed) {
        opening.failure = access.access == EVtlAccess::PermissionDenied
                              ? EAdapterFailure::PermissionDenied
                              : EAdapterFailure::OpenFailed;
        opening.error = access.error;
        return opening;
    }
    const SAdapterCapabilities *capabilities = SAdapterCapabilities::OfModel(entry.type);
    if (check && capabilities != nullptr && !check(*capabilities)) {
        opening.failure = EAdapterFailure::Refused;
        return opening;
    }
    if (session.Connect(entry, settings.speed, settings.pullUps))
        return opening;
    // An adapter not listed any more is still asked for, so the words are the driver's;
    // the system may also have refused the open only now.
    opening.error = session.GetLastError();
    if (access.access == EVtlAccess::NotFound)
        opening.failure = EAdapterFailure::Gone;
    else if (session.GetLastErrorKind() == EFailureKind::PermissionDenied)
        opening.failure = EAdapterFailure::PermissionDenied;
    else
        opening.failure = EAdapterFailure::ConnectFailed;
    return opening;
}

std::string CAdapterOpener::PermissionHint()
{
    return CVtlAdapterAccess::PermissionHint();
}
