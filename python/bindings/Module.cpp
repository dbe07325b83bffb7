// SPDX-License-Identifier: MIT
#include "Module.h"

PYBIND11_MODULE(_native, module)
{
    module.doc() = "The native core of vtl_i2c: adapters, registers, parts, EEPROMs and "
                   "sequences on the Vantrel USB I2C adapters.";
    BindErrors(module);
    BindAdapter(module);
    BindRegisters(module);
    BindParts(module);
    BindEeprom(module);
    BindSequence(module);
#ifdef VTL_PY_SIM
    pybind11::module_ sim =
        module.def_submodule("sim", "Simulated adapters and slaves, for tests and notebooks.");
    BindSim(sim);
    BindSimSlaves(sim);
#endif
}
