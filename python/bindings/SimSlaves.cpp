// SPDX-License-Identifier: MIT
#include "CSimBus.h"
#include "CSimDisplayController.h"
#include "CSimPressureSensor.h"
#include "Module.h"

#include <memory>
#include <pybind11/stl.h>
#include <string>

namespace py = pybind11;

namespace {

// The simulated adapter a test names by its serial number or by the handle
// attach_adapter gave it.
std::shared_ptr<CSimAdapter> FindAdapter(const py::object &adapter)
{
    if (!py::isinstance<py::str>(adapter))
        return adapter.cast<std::shared_ptr<CSimAdapter>>();
    const std::wstring serial = adapter.cast<std::wstring>();
    for (const std::shared_ptr<CSimAdapter> &candidate : CSimBus::Instance().GetAdapters()) {
        if (candidate->GetConfig().serialNumber == serial)
            return candidate;
    }
    throw py::value_error("No simulated adapter has the serial number " +
                          adapter.cast<std::string>());
}

py::dict TrimmingDict(const CSimPressureSensor::STrimming &t)
{
    py::dict trimming;
    trimming["dig_T1"] = t.t1;
    trimming["dig_T2"] = t.t2;
    trimming["dig_T3"] = t.t3;
    trimming["dig_P1"] = t.p1;
    const std::int16_t pressure[] = {t.p2, t.p3, t.p4, t.p5, t.p6, t.p7, t.p8, t.p9};
    for (std::size_t i = 0; i < std::size(pressure); ++i)
        trimming[py::str("dig_P" + std::to_string(i + 2))] = pressure[i];
    trimming["dig_H1"] = int(t.h1);
    trimming["dig_H2"] = t.h2;
    trimming["dig_H3"] = int(t.h3);
    trimming["dig_H4"] = t.h4;
    trimming["dig_H5"] = t.h5;
    trimming["dig_H6"] = int(t.h6);
    return trimming;
}

py::bytes Bytes(const std::vector<std::uint8_t> &bytes)
{
    return {reinterpret_cast<const char *>(bytes.data()), bytes.size()};
}

} // namespace

void BindSimSlaves(py::module_ &sim)
{
    using CSensor = CSimPressureSensor;
    py::class_<CSensor, CSimSlave, std::shared_ptr<CSensor>>(
        sim, "PressureSensor",
        "A simulated pressure, temperature and humidity sensor: fixed trimming values, raw "
        "readings that each forced measurement copies into its data registers.")
        .def_property_readonly("raw_pressure",
                               [](CSensor &sensor) { return sensor.GetRawReadings().pressure; })
        .def_property_readonly("raw_temperature",
                               [](CSensor &sensor) { return sensor.GetRawReadings().temperature; })
        .def_property_readonly("raw_humidity",
                               [](CSensor &sensor) { return sensor.GetRawReadings().humidity; })
        .def(
            "set_raw",
            [](CSensor &sensor, std::uint32_t pressure, std::uint32_t temperature,
               std::uint16_t humidity) {
                sensor.SetRawReadings({pressure & 0xFFFFF, temperature & 0xFFFFF, humidity});
            },
            py::arg("pressure"), py::arg("temperature"), py::arg("humidity"),
            "The raw readings of the next measurement (20, 20 and 16 bits).")
        .def_property_readonly(
            "trimming", [](CSensor &sensor) { return TrimmingDict(sensor.GetTrimming()); },
            "The trimming values by their datasheet names (dig_T1 ... dig_H6).")
        .def("register", &CSensor::GetRegister, py::arg("reg"), "One register's value.")
        .def_property_readonly("measurements", &CSensor::GetMeasurementCount,
                               "How many measurements it made.");

    using CDisplay = CSimDisplayController;
    py::class_<CDisplay, CSimSlave, std::shared_ptr<CDisplay>>(
        sim, "DisplayController",
        "A simulated 128x64 monochrome display controller and its display RAM.")
        .def(
            "frame_buffer", [](CDisplay &display) { return Bytes(display.FrameBuffer()); },
            "The 1024 bytes of display RAM: byte page * 128 + column, bit 0 the top row.")
        .def(
            "commands", [](CDisplay &display) { return Bytes(display.GetCommands()); },
            "Every command byte it took, arguments excluded.")
        .def_property_readonly("display_on", &CDisplay::IsDisplayOn)
        .def_property_readonly("contrast", &CDisplay::GetContrast)
        .def_property_readonly("addressing", [](CDisplay &display) {
            return static_cast<int>(display.GetAddressing());
        });

    sim.def(
        "add_pressure_sensor",
        [](const py::object &adapter, std::uint8_t addr) {
            return FindAdapter(adapter)->AddSlave(addr, std::make_shared<CSensor>());
        },
        py::arg("adapter"), py::arg("addr") = 0x76,
        "Puts a pressure sensor on a simulated adapter's bus (its serial number or handle).");
    sim.def(
        "add_display",
        [](const py::object &adapter, std::uint8_t addr) {
            return FindAdapter(adapter)->AddSlave(addr, std::make_shared<CDisplay>());
        },
        py::arg("adapter"), py::arg("addr") = 0x3C,
        "Puts a display controller on a simulated adapter's bus (its serial number or handle).");
}
