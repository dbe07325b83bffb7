// SPDX-License-Identifier: MIT
#include "Module.h"

void BindEeprom(pybind11::module_ &module)
{
    static_cast<void>(module);
}
