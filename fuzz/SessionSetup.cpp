// SPDX-License-Identifier: MIT
#include "SessionSetup.h"

#include "ModelTraits.h"
#include "SessionFormat.h"
#include "VtlUsbIds.h"

#include <array>

namespace {

const std::wstring ADAPTER_SERIAL = L"FZ-0001";
const std::wstring ADAPTER_PRODUCT = L"Scripted adapter";
constexpr std::uint16_t FOREIGN_VENDOR_ID = 0x1209;
constexpr int OTHER_INTERFACE = 0;
// Model bytes from here on also ask the factory for a model value that names none.
constexpr std::uint8_t UNKNOWN_MODEL_FIRST = 0xF0;

SListedInterface Interface(const std::string &path, std::uint16_t vendorId,
                           const SModelTraits &traits, std::optional<std::wstring> serial,
                           int interfaceNumber)
{
    SListedInterface entry;
    entry.path = path;
    entry.vendorId = vendorId;
    entry.productId = traits.productId;
    entry.serial = std::move(serial);
    entry.product = ADAPTER_PRODUCT;
    entry.interfaceNumber = interfaceNumber;
    return entry;
}

// Adapters that must not be taken for the scripted one: a serial number that only
// starts like it, one that differs in case, the same serial number on other models,
// under another vendor ID, and a model of the family listed twice.
void ListNeighbours(CScriptedHid &hid, const SModelTraits &own)
{
    hid.List(Interface("scripted/prefix", VTL_USB_VENDOR_ID, own, ADAPTER_SERIAL + L"0",
                       own.interfaceNumber));
    hid.List(Interface("scripted/case", VTL_USB_VENDOR_ID, own, L"fz-0001", own.interfaceNumber));
    hid.List(Interface("scripted/lower", VTL_USB_VENDOR_ID, own, L"FZ-0000", own.interfaceNumber));
    hid.List(
        Interface("scripted/lower-again", VTL_USB_VENDOR_ID, own, L"FZ-0000", own.interfaceNumber));
    hid.List(
        Interface("scripted/accent", VTL_USB_VENDOR_ID, own, L"FZ-\u00E9", own.interfaceNumber));
    hid.List(
        Interface("scripted/vendor", FOREIGN_VENDOR_ID, own, ADAPTER_SERIAL, own.interfaceNumber));
    hid.List(Interface("", VTL_USB_VENDOR_ID, own, L"FZ-pathless", own.interfaceNumber));
    const std::array<EVtlType, 3> models = {EVtlType::VtlA, EVtlType::VtlB, EVtlType::VtlC};
    for (const EVtlType model : models) {
        const SModelTraits &traits = TraitsOf(model);
        if (traits.productId == own.productId)
            continue;
        const std::string path = "scripted/model-" + std::to_string(static_cast<int>(model));
        hid.List(
            Interface(path, VTL_USB_VENDOR_ID, traits, ADAPTER_SERIAL, traits.interfaceNumber));
        hid.List(
            Interface(path + "-n7", VTL_USB_VENDOR_ID, traits, L"N-7", traits.interfaceNumber));
    }
}

} // namespace

SSessionSetup ReadSetup(CSessionInput &input)
{
    SSessionSetup setup;
    const std::uint8_t model = input.TakeByte();
    setup.model = static_cast<EVtlType>(model % 3);
    if (model >= UNKNOWN_MODEL_FIRST)
        setup.unknownModel = static_cast<EVtlType>(3 + model - UNKNOWN_MODEL_FIRST);
    setup.flags = input.TakeByte();
    setup.speed = static_cast<std::uint8_t>(input.TakeByte() % 6);
    setup.releaseNumber = input.TakeWord();
    setup.serial = (setup.flags & NO_SERIAL) != 0 ? std::wstring() : ADAPTER_SERIAL;
    setup.productName =
        (setup.flags & NO_PRODUCT) != 0 ? TraitsOf(setup.model).typeName : ADAPTER_PRODUCT;
    return setup;
}

void ListSystem(CScriptedHid &hid, const SSessionSetup &setup)
{
    const SModelTraits &traits = TraitsOf(setup.model);
    const std::optional<std::wstring> serial =
        (setup.flags & NO_SERIAL) != 0 ? std::nullopt : std::optional(ADAPTER_SERIAL);

    SListedInterface other =
        Interface("scripted/adapter/other", VTL_USB_VENDOR_ID, traits, serial, OTHER_INTERFACE);
    other.adapter = true;
    hid.List(other);
    if ((setup.flags & NO_SPECIAL_INTERFACE) == 0) {
        SListedInterface special = Interface("scripted/adapter/special", VTL_USB_VENDOR_ID, traits,
                                             serial, traits.interfaceNumber);
        special.adapter = true;
        special.releaseNumber = setup.releaseNumber;
        if ((setup.flags & NO_PRODUCT) != 0)
            special.product.reset();
        hid.List(special);
        if ((setup.flags & LIST_TWICE) != 0) {
            special.path += "-again";
            hid.List(special);
        }
    }
    if ((setup.flags & NEIGHBOURS) != 0)
        ListNeighbours(hid, traits);
    hid.SetOpenRefused((setup.flags & OPEN_REFUSED) != 0);
}
