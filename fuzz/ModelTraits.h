// SPDX-License-Identifier: MIT
#pragma once

#include "VtlTypes.h"
#include "VtlUsbIds.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What each adapter model is expected to do, written down independently of the model
// classes so that the harness notices when one of them answers differently.
struct SModelTraits
{
    EVtlType type = EVtlType::VtlA;
    std::uint16_t productId = 0;
    int interfaceNumber = 0;
    std::uint8_t highestSpeedCode = 0;
    std::size_t maxReadCount = 0;
    // Model B: switchable pull-ups, configuration as disable then enable, probing by a
    // one-byte read, and no address-only write.
    bool firmwareB = false;
    const wchar_t *typeName = L"";
};

inline const SModelTraits &TraitsOf(EVtlType type)
{
    static const SModelTraits A{EVtlType::VtlA, VTL_USB_PRODUCT_ID_A, 2, 4, 65535,
                                false,          L"VantrelA"};
    static const SModelTraits B{EVtlType::VtlB, VTL_USB_PRODUCT_ID_B, 1, 2, 256, true, L"VantrelB"};
    static const SModelTraits C{EVtlType::VtlC, VTL_USB_PRODUCT_ID_C, 2, 4, 65535,
                                false,          L"VantrelC"};
    switch (type) {
    case EVtlType::VtlB:
        return B;
    case EVtlType::VtlC:
        return C;
    case EVtlType::VtlA:
        break;
    }
    return A;
}
