// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"
#include "SAdapterCapabilities.h"
#include "VtlTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CBusSession;

// Why no adapter was chosen, or why the chosen one is not connected.
enum class EAdapterFailure : std::uint8_t
{
    None,
    NoneAttached,     // the system lists no adapter
    SeveralAttached,  // several are attached and none was named
    NoSuchAdapter,    // no attached adapter carries that serial number or has that place
    SerialNotUnique,  // adapters of several models carry that serial number
    PermissionDenied, // the system refused the open: the udev rule is missing
    OpenFailed,       // it is listed but would not open for another reason
    Gone,             // the system no longer lists it
    Refused,          // the caller's check of the model said no; nothing was opened
    ConnectFailed,    // it opened, but switching its I2C function on failed
};

// The adapter picked among the attached ones, or why none was.
struct SAdapterChoice
{
    std::optional<SVtlDeviceEntry> entry;
    // The entry's place in the list it was chosen from.
    std::size_t index = 0;
    EAdapterFailure failure = EAdapterFailure::None;
    // What a message about the failure lists: all attached adapters, or with
    // SerialNotUnique those that carry the serial number.
    std::vector<SVtlDeviceEntry> candidates;
};

// How the adapter is to run once connected.
struct SAdapterSettings
{
    EI2cSpeed speed = EI2cSpeed::Speed100k;
    // Set before connecting on a model with the switch; ignored on the others.
    std::optional<bool> pullUps;
};

// How an open ended.
struct SAdapterOpening
{
    EAdapterFailure failure = EAdapterFailure::None;
    // The system's or the driver's words for the failure; empty when they have none.
    std::string error;

    bool Ok() const { return failure == EAdapterFailure::None; }
};

// Finds, picks and connects an adapter for every front end, and tells a permission
// problem (which has a fix) apart from the other reasons an adapter does not open. Each
// front end words the outcome its own way.
class CAdapterOpener
{
public:
    // Whether the model can do what the caller is about to ask of it.
    using FModelCheck = std::function<bool(const SAdapterCapabilities &)>;

    // The attached adapters: model A first, then B, then C, each by serial number.
    static std::vector<SVtlDeviceEntry> Attached();
    // The adapter with serial number `serial`, or with an empty one the only attached one.
    static SAdapterChoice Choose(const std::vector<SVtlDeviceEntry> &attached,
                                 const std::wstring &serial);
    // The adapter at `index` in the list.
    static SAdapterChoice ChooseAt(const std::vector<SVtlDeviceEntry> &attached, std::size_t index);

    // Looks whether the system lets this user open the adapter (that sends nothing), then
    // asks `check` about the model, then connects `session`. On failure the connection
    // `session` held before stays as it was.
    static SAdapterOpening Open(CBusSession &session, const SVtlDeviceEntry &entry,
                                const SAdapterSettings &settings, const FModelCheck &check = {});

    // The lines that tell how to grant access, without a final line break.
    static std::string PermissionHint();
};
