// SPDX-License-Identifier: MIT
#include "Module.h"

void BindParts(pybind11::module_ &module)
{
    static_cast<void>(module);
}
