// SPDX-License-Identifier: MIT
#include "ConnectionReplay.h"

#include "DriverLimits.h"
#include "VtlUsbIds.h"

#include <algorithm>

namespace {

bool IsSpecialInterface(const SListedInterface &entry, const SModelTraits &traits)
{
    return entry.vendorId == VTL_USB_VENDOR_ID && entry.productId == traits.productId &&
           entry.interfaceNumber == traits.interfaceNumber;
}

} // namespace

std::vector<unsigned char> EnableReport(bool enable, unsigned char flags)
{
    std::vector<unsigned char> report(REPORT_SIZE, 0);
    report[0] = 0x01;
    report[1] = enable ? 1 : 0;
    report[2] = flags;
    return report;
}

SOutcome ReplayConfiguration(CCallReplay &replay, const SCallState &state, std::uint8_t speed,
                             bool pullUps)
{
    SOutcome outcome;
    if (state.traits->firmwareB) {
        if (!state.connected)
            return Failed(EFailureKind::AdapterGone);
        if (!ReplaySend(replay, EnableReport(false, 0), "disable report before the new setting",
                        outcome))
            return outcome;
    }
    if (!state.connected)
        return Failed(EFailureKind::AdapterGone);
    unsigned char flags = speed;
    if (state.traits->firmwareB && !pullUps)
        flags |= 0x80;
    if (!ReplaySend(replay, EnableReport(true, flags), "enable report", outcome))
        return outcome;
    return Succeeded();
}

SOutcome ReplaySetSpeed(CCallReplay &replay, const SCallState &state, std::uint8_t speed,
                        bool pullUps)
{
    if (speed > state.traits->highestSpeedCode)
        return Failed(EFailureKind::NotSupported, "Speed not supported by this device");
    return ReplayConfiguration(replay, state, speed, pullUps);
}

void ReplayDisconnect(CCallReplay &replay, bool connected)
{
    if (!connected)
        return;
    SOutcome ignored;
    ReplaySend(replay, EnableReport(false, 0), "disable report", ignored);
    replay.Expect(EHidCall::Close, "the close after the disable report");
}

SOutcome ReplayConnect(CCallReplay &replay, const SCallState &state,
                       const std::vector<SListedInterface> &listing, const std::wstring &serial,
                       std::uint8_t speed, bool pullUps, std::optional<SListedInterface> &opened)
{
    opened.reset();
    ReplayDisconnect(replay, state.connected);
    if (speed > state.traits->highestSpeedCode)
        return Failed(EFailureKind::NotSupported, "Speed not supported by this device");

    replay.Expect(EHidCall::Enumerate, "the enumeration that finds the adapter");
    const SListedInterface *match = nullptr;
    for (const SListedInterface &entry : listing) {
        if (IsSpecialInterface(entry, *state.traits) && entry.serial.value_or(L"") == serial)
            match = &entry;
    }
    if (match == nullptr)
        return Failed(EFailureKind::AdapterGone, "Device not found");
    const SHidCall &open = replay.Expect(EHidCall::Open, "the open of " + match->path);
    if (open.path != match->path)
        replay.Fail("opened " + open.path + " instead of the last matching listing " + match->path);
    if (open.result == 0)
        return LibraryFailure(open);

    SCallState fresh = state;
    fresh.connected = true;
    fresh.dead = false;
    fresh.queued = 0;
    const SOutcome outcome = ReplaySetSpeed(replay, fresh, speed, pullUps);
    if (!outcome.ok) {
        ReplayDisconnect(replay, true);
        return outcome;
    }
    opened = *match;
    return outcome;
}

std::vector<std::wstring> ListedSerials(const SModelTraits &traits,
                                        const std::vector<SListedInterface> &listing)
{
    std::vector<std::wstring> serials;
    for (const SListedInterface &entry : listing) {
        if (IsSpecialInterface(entry, traits))
            serials.push_back(entry.serial.value_or(L""));
    }
    std::sort(serials.begin(), serials.end());
    serials.erase(std::unique(serials.begin(), serials.end()), serials.end());
    return serials;
}
