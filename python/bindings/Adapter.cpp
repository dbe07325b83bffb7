// SPDX-License-Identifier: MIT
// vtl_i2c.Adapter, vtl_i2c.Message and vtl_i2c.adapters().
#include "CAdapterOpener.h"
#include "CSmbus.h"
#include "CVtlAdapterAccess.h"
#include "Errors.h"
#include "Interrupt.h"
#include "Module.h"
#include "PyAdapter.h"
#include "TransferMessages.h"
#include "Values.h"

#include <QStringList>

#include <array>
#include <cerrno>
#include <cstdio>
#include <pybind11/stl.h>
#include <utility>

namespace py = pybind11;
using PyValues::Address;
using PyValues::Bytes;
using PyValues::ToBytes;

namespace {

// One message of a combined transfer as Python gives it.
struct SPyMessage
{
    std::uint8_t address = 0;
    std::vector<unsigned char> data;
    std::optional<std::size_t> read;
};

// An attached adapter as adapters() lists it.
struct SPyAdapterEntry
{
    std::size_t index = 0;
    std::string model;
    std::string serial;
    std::string product;
    std::uint16_t firmware = 0;
    bool usable = false;
    std::string error;
};

std::string Hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFU);
    return text;
}

std::vector<SPyAdapterEntry> Adapters()
{
    std::vector<SPyAdapterEntry> entries;
    py::gil_scoped_release release;
    const std::vector<SVtlDeviceEntry> attached = CAdapterOpener::Attached();
    for (std::size_t i = 0; i < attached.size(); ++i) {
        const SVtlAdapterAccess access =
            CVtlAdapterAccess::Check(attached[i].type, attached[i].serial);
        entries.push_back({i, ModelLetter(attached[i].type), Narrow(attached[i].serial),
                           Narrow(access.productName), access.firmware,
                           access.access == EVtlAccess::Usable, access.error});
    }
    return entries;
}

// The requests of a combined transfer: writes joined by repeated starts, a read only last
// (the adapters end every read with a stop), one stop at the end.
std::vector<STransactionRequest> TransferRequests(const py::object &messages)
{
    if (py::isinstance<py::str>(messages)) {
        QStringList words = QString::fromStdString(messages.cast<std::string>())
                                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QString error;
        const auto parsed = TransferMessages::Parse(words, false, error);
        if (!parsed)
            throw py::value_error("transfer: " + error.toStdString());
        return TransferMessages::ToRequests(*parsed);
    }
    const auto list = messages.cast<std::vector<SPyMessage>>();
    if (list.empty())
        throw py::value_error("transfer: no messages");
    std::vector<STransactionRequest> requests;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const SPyMessage &message = list[i];
        const bool last = i + 1 == list.size();
        if (message.read && !last) {
            throw CPyOsError(EOPNOTSUPP, "transfer: message " + std::to_string(i + 1) +
                                             " reads, but the adapters end every read with a "
                                             "stop, so a read can only be the last message");
        }
        requests.push_back(
            message.read ? STransactionRequest::Read(message.address, *message.read)
                         : STransactionRequest::Write(message.address, message.data, true, last));
    }
    return requests;
}

py::list Transfer(CPyAdapter &adapter, const py::object &messages)
{
    const std::vector<STransactionRequest> requests = TransferRequests(messages);
    std::vector<STransactionRecord> records;
    const SBusProcedureResult result = adapter.RunProcedure(
        [&requests](CBusContext &context) {
            for (const STransactionRequest &request : requests) {
                const STransactionRecord record = context.Execute(request);
                if (!record.ok)
                    return SBusProcedureResult{false, record.cancelled, record.lastError,
                                               record.failure};
            }
            return SBusProcedureResult{};
        },
        py::none(), &records);
    if (!result.ok) {
        const STransactionRecord &failed = records.back();
        PyErrors::Raise("transfer: message " + std::to_string(records.size()) + " of " +
                            std::to_string(requests.size()),
                        failed);
    }
    py::list reads;
    for (const STransactionRecord &record : records) {
        if (record.request.kind == ETransactionKind::Read)
            reads.append(ToBytes(record.read.data));
    }
    return reads;
}

constexpr std::array<std::pair<const char *, ESmbusOperation>, 13> SMBUS_OPERATIONS{{
    {"quick", ESmbusOperation::Quick},
    {"receive_byte", ESmbusOperation::ReceiveByte},
    {"send_byte", ESmbusOperation::SendByte},
    {"read_byte_data", ESmbusOperation::ReadByteData},
    {"write_byte_data", ESmbusOperation::WriteByteData},
    {"read_word_data", ESmbusOperation::ReadWordData},
    {"write_word_data", ESmbusOperation::WriteWordData},
    {"process_call", ESmbusOperation::ProcessCall},
    {"read_block_data", ESmbusOperation::ReadBlockData},
    {"write_block_data", ESmbusOperation::WriteBlockData},
    {"block_process_call", ESmbusOperation::BlockProcessCall},
    {"read_i2c_block", ESmbusOperation::ReadI2cBlock},
    {"write_i2c_block", ESmbusOperation::WriteI2cBlock},
}};

py::bytes Smbus(CPyAdapter &adapter, const std::string &operation, int address, int command,
                const py::object &data, std::size_t length, bool pec)
{
    SSmbusRequest request;
    const auto found = std::find_if(SMBUS_OPERATIONS.begin(), SMBUS_OPERATIONS.end(),
                                    [&](const auto &entry) { return operation == entry.first; });
    if (found == SMBUS_OPERATIONS.end())
        throw py::value_error("smbus: unknown operation '" + operation + "'");
    if (command < 0 || command > 0xFF)
        throw py::value_error("smbus: command " + std::to_string(command) +
                              " is not a byte (0 to 0xFF)");
    request.operation = found->second;
    request.address = Address(address);
    request.command = static_cast<std::uint8_t>(command);
    request.data = Bytes(data);
    request.length = length;
    request.pec = pec;
    SSmbusResult result;
    const SBusProcedureResult ended = adapter.RunProcedure([&](CBusContext &context) {
        result = CSmbus::Execute(context, request);
        return SBusProcedureResult{result.ok, result.fault == ESmbusFault::Cancelled, result.error,
                                   result.records.empty() ? EFailureKind::None
                                                          : result.records.back().failure};
    });
    if (!result.ok) {
        // The session's presence check after a failed job tells an unplugged adapter from a
        // slave's silence; the record alone cannot.
        if (ended.failure == EFailureKind::AdapterGone)
            throw CPyOsError(FailureText::Errno(EFailureKind::AdapterGone),
                             "smbus " + operation + ": " +
                                 FailureText::Text(EFailureKind::AdapterGone));
        const EFailureKind kind =
            result.records.empty() ? EFailureKind::None : result.records.back().failure;
        const int errnum = PyErrors::SmbusErrno(result.fault, kind);
        const std::string what = "smbus " + operation;
        if (kind != EFailureKind::None && result.fault != ESmbusFault::BadPec &&
            result.fault != ESmbusFault::BadLength)
            throw CPyOsError(errnum, PyErrors::Describe(what, result.records.back()));
        throw CPyOsError(errnum, what + ": " + result.error);
    }
    return ToBytes(result.data);
}

std::string InfoRepr(const SBusAdapterInfo &info)
{
    return "AdapterInfo(model='" + ModelLetter(info.type) + "', serial='" + Narrow(info.serial) +
           "', firmware=0x" + Hex4(info.firmware) + ", product='" + Narrow(info.productName) +
           "', speed=" + std::to_string(HzOfSpeed(info.speed)) + ")";
}

} // namespace

void BindAdapter(py::module_ &module)
{
    CInterruptScope::NoteMainThread();
    module.def("_close_all", &CPyAdapter::CloseAll, "Closes every open adapter.");

    py::class_<SPyAdapterEntry>(module, "AdapterEntry",
                                "An attached adapter: its place in the list, model letter, "
                                "serial number, product name and firmware.")
        .def_readonly("index", &SPyAdapterEntry::index)
        .def_readonly("model", &SPyAdapterEntry::model)
        .def_readonly("serial", &SPyAdapterEntry::serial)
        .def_readonly("product", &SPyAdapterEntry::product)
        .def_readonly("firmware", &SPyAdapterEntry::firmware)
        .def_readonly("usable", &SPyAdapterEntry::usable,
                      "Whether this user may open it; `error` tells why not.")
        .def_readonly("error", &SPyAdapterEntry::error)
        .def("__repr__", [](const SPyAdapterEntry &entry) {
            return "AdapterEntry(index=" + std::to_string(entry.index) + ", model='" + entry.model +
                   "', serial='" + entry.serial + "', firmware=0x" + Hex4(entry.firmware) +
                   ", product='" + entry.product + "'" +
                   (entry.usable ? "" : ", error='" + entry.error + "'") + ")";
        });
    module.def("adapters", &Adapters,
               "The attached adapters, model A first, then B, then C, each by serial number.");

    py::class_<SPyMessage>(module, "Message",
                           "One message of Adapter.transfer: Message(addr, data) writes, "
                           "Message(addr, read=N) reads N bytes.")
        .def(py::init([](int address, const py::object &data, std::optional<std::size_t> read) {
                 SPyMessage message{Address(address), Bytes(data), read};
                 if (read && !message.data.empty())
                     throw py::value_error("Message: a read carries no data");
                 if (read && *read == 0)
                     throw py::value_error("Message: a read of 0 bytes");
                 return message;
             }),
             py::arg("addr"), py::arg("data") = py::bytes(), py::arg("read") = py::none())
        .def_readonly("addr", &SPyMessage::address)
        .def_property_readonly("data",
                               [](const SPyMessage &message) { return ToBytes(message.data); })
        .def_readonly("read", &SPyMessage::read)
        .def("__repr__", [](const SPyMessage &message) {
            return message.read ? "Message(0x" + Hex4(message.address).substr(2) +
                                      ", read=" + std::to_string(*message.read) + ")"
                                : "Message(0x" + Hex4(message.address).substr(2) + ", " +
                                      py::repr(ToBytes(message.data)).cast<std::string>() + ")";
        });

    py::class_<SBusAdapterInfo>(module, "AdapterInfo",
                                "What an open adapter is and what its model can do.")
        .def_property_readonly("model",
                               [](const SBusAdapterInfo &i) { return ModelLetter(i.type); })
        .def_property_readonly("type_name",
                               [](const SBusAdapterInfo &i) { return Narrow(i.typeName); })
        .def_property_readonly("serial", [](const SBusAdapterInfo &i) { return Narrow(i.serial); })
        .def_property_readonly("product",
                               [](const SBusAdapterInfo &i) { return Narrow(i.productName); })
        .def_readonly("firmware", &SBusAdapterInfo::firmware)
        .def_property_readonly("speed", [](const SBusAdapterInfo &i) { return HzOfSpeed(i.speed); })
        .def_property_readonly(
            "speeds",
            [](const SBusAdapterInfo &i) {
                std::vector<unsigned long> speeds;
                for (const EI2cSpeed speed : i.SpeedsRising())
                    speeds.push_back(HzOfSpeed(speed));
                return speeds;
            },
            "The bus clocks the model runs at, in Hz, slowest first.")
        .def_readonly("has_pull_ups", &SBusAdapterInfo::hasPullUpSwitch,
                      "Whether the model has a switch for the bus's pull-up resistors.")
        .def_readonly("can_quick", &SBusAdapterInfo::canWriteAddressOnly,
                      "Whether the address byte alone (an SMBus quick write) can go out.")
        .def_readonly("max_read", &SBusAdapterInfo::maxReadCount, "The most bytes one read takes.")
        .def_readonly("max_write", &SBusAdapterInfo::maxWriteCount)
        .def("__repr__", &InfoRepr);

    py::class_<CPyAdapter>(module, "Adapter",
                           "An open adapter. Adapter() opens the only attached one (or the "
                           "one VTL_ADAPTER names); Adapter('SERIAL'), Adapter(0) (the place "
                           "in adapters()) or Adapter('B') (the model letter) pick one. Use it "
                           "as a context manager or close() it; it also closes when garbage "
                           "collected and at exit. Failures raise OSError with the errno a "
                           "Linux i2c-dev program would see.")
        .def(py::init<const py::object &, unsigned long, std::optional<bool>>(),
             py::arg("serial") = py::none(), py::kw_only(), py::arg("speed") = 100000UL,
             py::arg("pull_ups") = py::none())
        .def("close", &CPyAdapter::Close, "Switches the adapter's I2C function off and lets it go.")
        .def_property_readonly("closed", [](const CPyAdapter &a) { return !a.IsOpen(); })
        .def(
            "__enter__", [](CPyAdapter &adapter) -> CPyAdapter & { return adapter; },
            py::return_value_policy::reference)
        .def("__exit__",
             [](CPyAdapter &adapter, const py::args &) {
                 adapter.Close();
                 return false;
             })
        .def("__repr__",
             [](const CPyAdapter &adapter) {
                 return adapter.IsOpen() ? "Adapter(" + InfoRepr(adapter.Info()) + ")"
                                         : std::string("Adapter(closed)");
             })
        .def_property_readonly("info", &CPyAdapter::Info, py::return_value_policy::copy)
        .def_property(
            "speed", [](const CPyAdapter &adapter) { return HzOfSpeed(adapter.Info().speed); },
            &CPyAdapter::SetSpeed, "The bus clock in Hz.")
        .def_property(
            "pull_ups",
            [](const CPyAdapter &adapter) -> py::object {
                const SBusAdapterInfo &info = adapter.Info();
                if (!info.hasPullUpSwitch)
                    return py::none();
                return py::bool_(info.pullUpsEnabled);
            },
            &CPyAdapter::SetPullUps,
            "Whether the pull-up resistors are on; None on a model without the switch.")
        .def(
            "write",
            [](CPyAdapter &adapter, int address, const py::object &data, bool start, bool stop) {
                adapter.Run(STransactionRequest::Write(Address(address), Bytes(data), start, stop),
                            "write");
            },
            py::arg("addr"), py::arg("data"), py::kw_only(), py::arg("start") = true,
            py::arg("stop") = true,
            "Writes the bytes; start=False continues a transaction left open by stop=False.")
        .def(
            "read",
            [](CPyAdapter &adapter, int address, std::size_t count, bool start, bool stop) {
                if (!start || !stop)
                    throw CPyOsError(EOPNOTSUPP, "read: the adapters start every read with "
                                                 "its own start and end it with a stop");
                if (count == 0)
                    throw py::value_error("read: count must be at least 1");
                return ToBytes(
                    adapter.Run(STransactionRequest::Read(Address(address), count), "read")
                        .read.data);
            },
            py::arg("addr"), py::arg("count"), py::kw_only(), py::arg("start") = true,
            py::arg("stop") = true, "Reads count bytes.")
        .def(
            "write_read",
            [](CPyAdapter &adapter, int address, const py::object &data, std::size_t count) {
                if (count == 0)
                    throw py::value_error("write_read: count must be at least 1");
                return ToBytes(
                    adapter
                        .Run(STransactionRequest::WriteRead(Address(address), Bytes(data), count),
                             "write_read")
                        .read.data);
            },
            py::arg("addr"), py::arg("data"), py::arg("count"),
            "Writes the bytes, then reads count bytes after a repeated start.")
        .def("transfer", &Transfer, py::arg("messages"),
             "Runs the messages as one combined transaction (repeated starts, one stop) that "
             "nothing else interrupts: a string in the command line's transfer syntax "
             "('w2@0x50 00 10 r8') or a list of Message. Returns the reads' bytes in order.")
        .def(
            "probe",
            [](CPyAdapter &adapter, int address) {
                const std::uint8_t probed = Address(address);
                return !adapter.Run(STransactionRequest::Search(probed, probed), "probe")
                            .found.empty();
            },
            py::arg("addr"), "Whether a device acknowledges the address.")
        .def(
            "scan",
            [](CPyAdapter &adapter, int first, int last) {
                return adapter
                    .Run(STransactionRequest::Search(Address(first), Address(last)), "scan")
                    .found;
            },
            py::arg("first") = 0x08, py::arg("last") = 0x77,
            "The addresses from first to last that acknowledge, ascending.")
        .def("smbus", &Smbus, py::arg("operation"), py::arg("addr"), py::arg("command") = 0,
             py::arg("data") = py::bytes(), py::kw_only(), py::arg("length") = 32,
             py::arg("pec") = false,
             "One SMBus operation ('quick', 'receive_byte', 'send_byte', 'read_byte_data', "
             "'write_byte_data', 'read_word_data', 'write_word_data', 'process_call', "
             "'read_block_data', 'write_block_data', 'block_process_call', 'read_i2c_block', "
             "'write_i2c_block'). Returns what was read, low byte first; b'' for writes.");
}
