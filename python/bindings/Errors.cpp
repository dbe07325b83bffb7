// SPDX-License-Identifier: MIT
#include "Errors.h"

#include "FailureText.h"
#include "Module.h"

#include <cerrno>
#include <cstdio>

namespace py = pybind11;

namespace PyErrors {

namespace {

std::string Hex(std::uint8_t address)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", address);
    return text;
}

} // namespace

std::string Describe(const std::string &what, EFailureKind kind, std::uint8_t address,
                     const std::string &driverText)
{
    std::string text;
    switch (kind) {
    case EFailureKind::AddressNack:
        text = Hex(address) + " did not acknowledge";
        break;
    case EFailureKind::DataNack:
        text = Hex(address) + " refused a byte";
        break;
    case EFailureKind::Timeout:
        text = "the adapter did not answer in time";
        break;
    case EFailureKind::AdapterGone:
        text = "the adapter is not connected (unplugged or closed)";
        break;
    case EFailureKind::ArbitrationLost:
        text = "another master took the bus";
        break;
    case EFailureKind::Cancelled:
        text = "cancelled";
        break;
    default:
        break;
    }
    const std::string plain = FailureText::Text(kind);
    if (text.empty())
        text = driverText.empty() ? plain : driverText;
    else if (!driverText.empty() && driverText != plain && driverText != text)
        text += " (" + driverText + ")";
    return what.empty() ? text : what + ": " + text;
}

std::string Describe(const std::string &what, const STransactionRecord &record)
{
    return Describe(what, record.failure, record.request.address, record.lastError);
}

void Raise(const std::string &what, EFailureKind kind, std::uint8_t address,
           const std::string &driverText)
{
    throw CPyOsError(FailureText::Errno(kind), Describe(what, kind, address, driverText));
}

void Raise(const std::string &what, const STransactionRecord &record)
{
    Raise(what, record.failure, record.request.address, record.lastError);
}

int SmbusErrno(ESmbusFault fault, EFailureKind kind)
{
    switch (fault) {
    case ESmbusFault::None:
        return 0;
    case ESmbusFault::BadPec:
        return EBADMSG;
    case ESmbusFault::BadLength:
        return EPROTO;
    case ESmbusFault::Unsupported:
        return EOPNOTSUPP;
    case ESmbusFault::Nack:
        return kind == EFailureKind::DataNack ? EREMOTEIO : ENXIO;
    case ESmbusFault::Timeout:
        return ETIMEDOUT;
    case ESmbusFault::Arbitration:
        return EAGAIN;
    case ESmbusFault::Cancelled:
        return ECANCELED;
    case ESmbusFault::Other:
        break;
    }
    return kind != EFailureKind::None ? FailureText::Errno(kind) : EIO;
}

} // namespace PyErrors

void BindErrors(py::module_ &module)
{
    // A sequence whose expect or poll failed: an OSError that also tells the line.
    static py::handle sequenceError = [&] {
        py::object type = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
            "vtl_i2c._native.SequenceError",
            "A sequence stopped at a step: an OSError whose `line` is the step's line in the "
            "sequence text.",
            PyExc_OSError, nullptr));
        module.add_object("SequenceError", type);
        return type.release();
    }();
    py::register_exception_translator([](std::exception_ptr pointer) {
        try {
            if (pointer)
                std::rethrow_exception(pointer);
        } catch (const CPyOsError &error) {
            if (error.Line() > 0) {
                py::object exception =
                    py::reinterpret_borrow<py::object>(sequenceError)(error.Errno(), error.what());
                exception.attr("line") = error.Line();
                PyErr_SetObject(sequenceError.ptr(), exception.ptr());
            } else {
                py::object args = py::make_tuple(error.Errno(), error.what());
                PyErr_SetObject(PyExc_OSError, args.ptr());
            }
        }
    });
}
