// SPDX-License-Identifier: MIT
// vtl_i2c.sim: the simulated adapters and slaves, in the simulator build of the module only.
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CSimPresetBench.h"
#include "Module.h"
#include "Values.h"

#include <QString>

#include <chrono>
#include <mutex>
#include <pybind11/chrono.h>
#include <pybind11/stl.h>
#include <stdexcept>
#include <string>
#include <tuple>

namespace py = pybind11;

namespace {

// A slave that keeps every bus event addressed to it, for tests that look at the bytes on
// the wire: ("start", "r" or "w"), ("write", byte), ("read", byte), ("stop",). It answers
// reads with its reply bytes in turn, and can refuse the n-th byte written to it.
class CPySimRecorder : public CSimSlave
{
public:
    using Event = std::tuple<std::string, int>;

    explicit CPySimRecorder(std::vector<unsigned char> reply)
        : m_reply(std::move(reply))
    {}

    bool OnStart(bool read) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.emplace_back("start", read ? 'r' : 'w');
        m_written = 0;
        return true;
    }
    bool OnWrite(std::uint8_t byte) override
    {
        const std::lock_guard lock(m_mutex);
        m_events.emplace_back("write", byte);
        return ++m_written != m_refuseAt;
    }
    std::uint8_t OnRead() override
    {
        const std::lock_guard lock(m_mutex);
        const std::uint8_t byte = m_reply.empty() ? 0xFF : m_reply[m_next++ % m_reply.size()];
        m_events.emplace_back("read", byte);
        return byte;
    }
    void OnStop() override
    {
        const std::lock_guard lock(m_mutex);
        m_events.emplace_back("stop", 0);
    }

    py::list Events() const
    {
        const std::lock_guard lock(m_mutex);
        py::list events;
        for (const auto &[kind, value] : m_events) {
            if (kind == "stop")
                events.append(py::make_tuple(kind));
            else if (kind == "start")
                events.append(py::make_tuple(kind, std::string(1, static_cast<char>(value))));
            else
                events.append(py::make_tuple(kind, value));
        }
        return events;
    }
    void Clear()
    {
        const std::lock_guard lock(m_mutex);
        m_events.clear();
        m_next = 0;
    }
    void RefuseByte(int ordinal)
    {
        const std::lock_guard lock(m_mutex);
        m_refuseAt = ordinal;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<unsigned char> m_reply;
    std::size_t m_next = 0;
    std::vector<std::pair<std::string, int>> m_events;
    int m_written = 0;
    int m_refuseAt = 0;
};

ESimModel ModelOf(const std::string &letter)
{
    if (letter == "A" || letter == "a")
        return ESimModel::A;
    if (letter == "B" || letter == "b")
        return ESimModel::B;
    if (letter == "C" || letter == "c")
        return ESimModel::C;
    throw py::value_error("model '" + letter + "': the models are A, B and C");
}

std::chrono::nanoseconds Microseconds(long long us)
{
    return std::chrono::microseconds(us);
}

} // namespace

void BindSim(py::module_ &sim)
{
    py::class_<CSimSlave, std::shared_ptr<CSimSlave>>(sim, "SimSlave",
                                                      "A simulated I2C slave on an adapter's bus.");

    py::class_<CSimEeprom, CSimSlave, std::shared_ptr<CSimEeprom>>(sim, "SimEeprom",
                                                                   "A simulated serial EEPROM.")
        .def_property(
            "contents", [](const CSimEeprom &e) { return PyValues::ToBytes(e.GetContents()); },
            [](CSimEeprom &e, const py::object &data) { e.SetContents(0, PyValues::Bytes(data)); },
            "Every cell; set it to fill the cells from the first one.")
        .def(
            "set_contents",
            [](CSimEeprom &e, std::size_t offset, const py::object &data) {
                e.SetContents(offset, PyValues::Bytes(data));
            },
            py::arg("offset"), py::arg("data"));

    py::class_<CPySimRecorder, CSimSlave, std::shared_ptr<CPySimRecorder>>(
        sim, "SimRecorder",
        "A slave that records the bus events addressed to it and answers reads with its reply "
        "bytes in turn.")
        .def_property_readonly("events", &CPySimRecorder::Events,
                               "[('start', 'w'), ('write', 0x10), ('read', 0xAB), ('stop',)]")
        .def("clear", &CPySimRecorder::Clear)
        .def("refuse_byte", &CPySimRecorder::RefuseByte, py::arg("ordinal"),
             "Leaves the ordinal-th byte written after a start unacknowledged (1 is the "
             "first; 0 accepts all).");

    py::class_<CSimAdapter, std::shared_ptr<CSimAdapter>>(sim, "SimAdapter",
                                                          "A simulated adapter on the USB bus.")
        .def_property_readonly("serial",
                               [](const CSimAdapter &a) {
                                   const auto serial = a.GetConfig().serialNumber;
                                   return serial ? QString::fromStdWString(*serial).toStdString()
                                                 : std::string();
                               })
        .def_property_readonly("plugged", &CSimAdapter::IsPlugged)
        .def("unplug", &CSimAdapter::Unplug)
        .def("plug", &CSimAdapter::Plug)
        .def("detach", &CSimAdapter::Detach)
        .def("add_slave", &CSimAdapter::AddSlave<CSimSlave>, py::arg("addr"), py::arg("slave"))
        .def(
            "add_eeprom",
            [](CSimAdapter &a, int address, std::size_t size, std::size_t pageSize,
               std::size_t addressBytes, long long writeCycleUs) {
                const SSimEepromGeometry geometry{size, pageSize, addressBytes,
                                                  std::chrono::microseconds(writeCycleUs)};
                return a.AddSlave(PyValues::Address(address),
                                  std::make_shared<CSimEeprom>(geometry));
            },
            py::arg("addr"), py::arg("size") = 256, py::arg("page_size") = 8,
            py::arg("address_bytes") = 1, py::arg("write_cycle_us") = 0)
        .def(
            "add_recorder",
            [](CSimAdapter &a, int address, const py::object &reply) {
                return a.AddSlave(PyValues::Address(address),
                                  std::make_shared<CPySimRecorder>(PyValues::Bytes(reply)));
            },
            py::arg("addr"), py::arg("reply") = py::bytes())
        .def("remove_slave",
             [](CSimAdapter &a, int address) { a.RemoveSlave(PyValues::Address(address)); })
        .def("slave", [](const CSimAdapter &a,
                         int address) { return a.GetSlave(PyValues::Address(address)); })
        .def(
            "set_frame_period",
            [](CSimAdapter &a, long long us) { a.SetFramePeriod(Microseconds(us)); }, py::arg("us"),
            "Replies wait for the next frame of this period; 0 answers at once.")
        .def("set_bus_timing", &CSimAdapter::SetBusTiming, py::arg("enabled"),
             "Transactions take their time on the bus at the configured speed.")
        .def("drop_replies", &CSimAdapter::DropReplies, py::arg("count"),
             "The next count replies are lost: the host sees a timeout.")
        .def("force_status", &CSimAdapter::ForceNextStatus, py::arg("status"),
             py::arg("error_code") = 0, "The next reply carries this status byte.")
        .def("set_open_denied", &CSimAdapter::SetOpenDenied, py::arg("denied"))
        .def("clear_faults", &CSimAdapter::ClearFaults)
        .def(
            "reports",
            [](const CSimAdapter &a) {
                py::list reports;
                for (const auto &report : a.GetSpecialReports())
                    reports.append(PyValues::ToBytes(report));
                return reports;
            },
            "Every special-mode report the host wrote, in order.")
        .def("clear_reports", &CSimAdapter::ClearReports)
        .def_property_readonly("speed_code", &CSimAdapter::GetSpeedCode)
        .def_property_readonly("pull_ups", &CSimAdapter::GetPullUpsEnabled)
        .def_property_readonly("i2c_enabled", &CSimAdapter::IsI2cEnabled);

    py::class_<SSimPresetBench>(sim, "SimBench", "The preset bench's adapters and slaves.")
        .def_readonly("a", &SSimPresetBench::adapterA)
        .def_readonly("b", &SSimPresetBench::adapterB)
        .def_readonly("c", &SSimPresetBench::adapterC)
        .def_readonly("eeprom_a", &SSimPresetBench::eepromA)
        .def_readonly("large_eeprom_a", &SSimPresetBench::largeEepromA)
        .def_readonly("eeprom_b", &SSimPresetBench::eepromB)
        .def_readonly("eeprom_c", &SSimPresetBench::eepromC);

    sim.def(
        "attach_bench",
        [](long long framePeriodUs, bool largeEeprom) {
            SSimPresetOptions options;
            options.framePeriod = Microseconds(framePeriodUs);
            options.largeEeprom = largeEeprom;
            return CSimPresetBench::Attach(options);
        },
        py::arg("frame_period_us") = 0, py::arg("large_eeprom") = false,
        "Attaches the preset bench: adapters SIM-A-0001, SIM-B-0002 and SIM-C-0003 with "
        "their slaves (a light sensor at 0x23, a power monitor at 0x40, a temperature sensor "
        "at 0x48 and a 256-byte EEPROM at 0x50 on A, and on request a 32 KiB EEPROM at 0x51).");
    sim.def(
        "attach_adapter",
        [](const std::string &model, const std::string &serial, long long framePeriodUs) {
            auto adapter = CSimBus::Instance().Attach(
                ModelOf(model), QString::fromStdString(serial).toStdWString());
            adapter->SetFramePeriod(Microseconds(framePeriodUs));
            return adapter;
        },
        py::arg("model"), py::arg("serial"), py::arg("frame_period_us") = 0,
        "Attaches one adapter of model 'A', 'B' or 'C' with no slaves.");
    sim.def(
        "detach_all", [] { CSimBus::Instance().Reset(); },
        "Detaches every simulated adapter with its slaves.");
}
