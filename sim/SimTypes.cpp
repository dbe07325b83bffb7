// SPDX-License-Identifier: MIT
#include "SimTypes.h"

#include <VtlUsbIds.h>

SSimAdapterConfig SSimAdapterConfig::ForModel(ESimModel model,
                                              std::optional<std::wstring> serialNumber)
{
    SSimAdapterConfig config;
    config.model = model;
    config.vendorId = VTL_USB_VENDOR_ID;
    config.serialNumber = std::move(serialNumber);
    config.manufacturer = L"Vantrel";
    switch (model) {
    case ESimModel::A:
        config.productId = VTL_USB_PRODUCT_ID_A;
        config.product = L"Vantrel I2C Adapter A";
        config.releaseNumber = 0x0112;
        break;
    case ESimModel::B:
        config.productId = VTL_USB_PRODUCT_ID_B;
        config.product = L"Vantrel I2C Adapter B";
        config.releaseNumber = 0x0203;
        break;
    case ESimModel::C:
        config.productId = VTL_USB_PRODUCT_ID_C;
        config.product = L"Vantrel I2C Adapter C";
        config.releaseNumber = 0x0300;
        break;
    }
    return config;
}

int SimSpecialInterface(ESimModel model)
{
    return model == ESimModel::B ? 1 : 2;
}
