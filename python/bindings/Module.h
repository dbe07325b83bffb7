// SPDX-License-Identifier: MIT
#pragma once

#include <pybind11/pybind11.h>

// Each area of the native module binds its classes and functions in its own file.
void BindErrors(pybind11::module_ &module);
void BindAdapter(pybind11::module_ &module);
void BindRegisters(pybind11::module_ &module);
void BindParts(pybind11::module_ &module);
void BindEeprom(pybind11::module_ &module);
void BindSequence(pybind11::module_ &module);
#ifdef VTL_PY_SIM
void BindSim(pybind11::module_ &sim);
// The simulated slaves that the Python clients' tests talk to.
void BindSimSlaves(pybind11::module_ &sim);
#endif
