// SPDX-License-Identifier: MIT
#pragma once

#include "CVtlAi2c.h"

// Model C: behaves as model A under its own product ID and name.
class CVtlCi2c : public CVtlAi2c
{
public:
    CVtlCi2c();

    std::wstring GetTypeName() const override;

    static bool EnumerateDevices(std::vector<std::wstring> &serials);
};
