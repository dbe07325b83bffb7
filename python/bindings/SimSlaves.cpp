// SPDX-License-Identifier: MIT
#include "Module.h"

// The simulated slaves that the Python clients' tests need (sensors, displays) are bound
// here, beside the bench of vtl_i2c.sim.
void BindSimSlaves(pybind11::module_ &sim)
{
    static_cast<void>(sim);
}
