// SPDX-License-Identifier: MIT
// vtl_i2c.Eeprom: a 24-series EEPROM through the engine the dock and the command line use.
#include "CEepromEngine.h"
#include "EepromParts.h"
#include "EepromSpanCheck.h"
#include "Errors.h"
#include "ImageFile.h"
#include "Module.h"
#include "PyAdapter.h"
#include "Values.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

std::string Hex(std::size_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%zX", value);
    return text;
}

// A str or os.PathLike names an image file; anything else is the bytes themselves.
std::optional<QString> PathOf(const py::object &data)
{
    if (py::isinstance<py::str>(data) || py::hasattr(data, "__fspath__"))
        return QString::fromStdString(
            py::module_::import("os").attr("fspath")(data).cast<std::string>());
    return std::nullopt;
}

class CPyEeprom
{
public:
    CPyEeprom(py::object adapter, const std::string &partName, int address)
        : m_adapterObject(std::move(adapter))
        , m_adapter(m_adapterObject.cast<CPyAdapter &>())
        , m_engine(FindPart(partName), PyValues::Address(address))
    {}

    std::string PartName() const { return m_engine.Part().name; }
    std::size_t Size() const { return m_engine.Part().size; }
    std::size_t PageSize() const { return m_engine.Part().pageSize; }
    int Address() const { return m_engine.Base(); }

    py::bytes Read(std::size_t offset, std::optional<std::size_t> length,
                   const py::object &progress)
    {
        const std::size_t count = Length(offset, length);
        SEepromOutcome outcome;
        Run("read", outcome, progress,
            [&](CBusContext &bus) { return m_engine.Read(bus, offset, count, outcome); });
        return PyValues::ToBytes(outcome.data);
    }

    void Write(const py::object &data, std::size_t offset, bool verify, const py::object &progress)
    {
        const SMemoryImage image = Image(data, offset);
        CheckSpan();
        SEepromOutcome outcome;
        Run("write", outcome, progress,
            [&](CBusContext &bus) { return m_engine.Program(bus, image, outcome); });
        if (verify)
            CheckVerify(image, progress);
    }

    bool Verify(const py::object &data, std::size_t offset, const py::object &progress)
    {
        const SMemoryImage image = Image(data, offset);
        SEepromOutcome outcome;
        return RunVerify(image, outcome, progress);
    }

    void Erase(std::size_t offset, std::optional<std::size_t> length, const py::object &progress)
    {
        const std::size_t count = Length(offset, length);
        CheckSpan();
        SEepromOutcome outcome;
        Run("erase", outcome, progress,
            [&](CBusContext &bus) { return m_engine.Erase(bus, offset, count, outcome); });
    }

    void Save(const py::object &path, std::size_t offset, std::optional<std::size_t> length)
    {
        const QString file = PathOf(path).value_or(QString());
        const std::vector<unsigned char> bytes = PyValues::Bytes(Read(offset, length, py::none()));
        const SMemoryImage image{{SImageSegment{offset, bytes}}};
        QFile out(file);
        const QByteArray encoded = ImageFile::Encode(image, ImageFile::FormatOf(file));
        if (!out.open(QIODevice::WriteOnly) || out.write(encoded) != encoded.size())
            throw CPyOsError(EIO, file.toStdString() + ": " + out.errorString().toStdString());
    }

private:
    static SEepromPart FindPart(const std::string &name)
    {
        const std::optional<SEepromPart> part = EepromParts::Find(name);
        if (!part)
            throw py::value_error("Eeprom: no EEPROM part named '" + name + "'");
        return *part;
    }

    std::size_t Length(std::size_t offset, std::optional<std::size_t> length) const
    {
        if (offset > Size() || (length && *length > Size() - offset)) {
            throw py::value_error("the " + PartName() + " holds " + std::to_string(Size()) +
                                  " bytes (offsets 0 to " + Hex(Size() - 1) + ")");
        }
        return length.value_or(Size() - offset);
    }

    // The bytes at `offset`, or an image file (raw, Intel HEX, S-record by its extension)
    // moved by `offset`.
    SMemoryImage Image(const py::object &data, std::size_t offset) const
    {
        SMemoryImage image;
        if (const std::optional<QString> path = PathOf(data)) {
            QString error;
            EFailureKind kind = EFailureKind::None;
            if (!ImageFile::Load(*path, ImageFile::FormatOf(*path), image, error, &kind))
                throw CPyOsError(kind == EFailureKind::FileIo ? EIO : EINVAL, error.toStdString());
            std::size_t overlap = 0;
            if (!image.Normalise(overlap))
                throw py::value_error(path->toStdString() + ": offset " + Hex(overlap) +
                                      " is given twice");
            image.Shift(offset);
        } else {
            image.segments.push_back({offset, PyValues::Bytes(data)});
        }
        if (image.ByteCount() == 0)
            throw py::value_error("the image is empty");
        if (image.End() > Size()) {
            throw py::value_error("the image reaches " + Hex(image.End() - 1) + ", beyond the " +
                                  PartName() + "'s " + std::to_string(Size()) + " bytes");
        }
        return image;
    }

    // Nothing is written unless every device address the part spans answers as this part.
    void CheckSpan()
    {
        std::optional<EepromSpanCheck::SFault> fault;
        SEepromOutcome unused;
        Run("check", unused, py::none(), [&](CBusContext &bus) {
            return EepromSpanCheck::Check(bus, m_engine.Part(), m_engine.Base(), fault);
        });
        if (!fault)
            return;
        const std::string stranger = Hex(fault->address);
        const std::string why = fault->fault == EepromSpanCheck::EFault::Silent
                                    ? stranger + " does not answer"
                                    : stranger + " answers as another chip, not as block " +
                                          std::to_string(fault->block) + " of the part";
        throw CPyOsError(EINVAL, "the " + PartName() + " at " + Hex(m_engine.Base()) +
                                     " spans more addresses, but " + why + "; nothing was written");
    }

    bool RunVerify(const SMemoryImage &image, SEepromOutcome &outcome, const py::object &progress)
    {
        Run(
            "verify", outcome, progress,
            [&](CBusContext &bus) { return m_engine.Verify(bus, image, outcome); }, true);
        return !outcome.Differs();
    }

    void CheckVerify(const SMemoryImage &image, const py::object &progress)
    {
        SEepromOutcome outcome;
        if (RunVerify(image, outcome, progress))
            return;
        const std::size_t first = outcome.FirstDifference().value_or(0);
        char detail[64];
        std::snprintf(detail, sizeof detail, " (0x%02X written, 0x%02X read)", outcome.expected,
                      outcome.actual);
        throw CPyOsError(EIO, "verify: " + std::to_string(outcome.DifferingCount()) +
                                  " bytes differ, the first at " + Hex(first) + detail);
    }

    // A failure of the bus raises; a verify's differences are the caller's to judge.
    void Run(const std::string &what, SEepromOutcome &outcome, const py::object &progress,
             const BusProcedure &procedure, bool differencesAllowed = false)
    {
        const SBusProcedureResult result = m_adapter.RunProcedure(procedure, progress);
        if (result.ok || (differencesAllowed && outcome.Differs()))
            return;
        const std::string where =
            outcome.failedAt ? " at offset " + Hex(*outcome.failedAt) : std::string();
        PyErrors::Raise("eeprom " + what + where, result.failure, m_engine.Base(), result.error);
    }

    py::object m_adapterObject;
    CPyAdapter &m_adapter;
    CEepromEngine m_engine;
};

} // namespace

void BindEeprom(py::module_ &module)
{
    py::class_<CPyEeprom>(module, "Eeprom",
                          "A 24-series EEPROM: Eeprom(adapter, part='24c256', address=0x50). "
                          "Data are bytes, or the path of an image file (raw, Intel HEX or "
                          "S-record by its extension). progress is called as progress(done, "
                          "total) in bytes. Before a write or an erase, every device address "
                          "the part spans must answer as that part.")
        .def(py::init<py::object, const std::string &, int>(), py::arg("adapter"),
             py::arg("part") = "24c256", py::arg("address") = 0x50)
        .def_property_readonly("part", &CPyEeprom::PartName)
        .def_property_readonly("size", &CPyEeprom::Size)
        .def_property_readonly("page_size", &CPyEeprom::PageSize)
        .def_property_readonly("address", &CPyEeprom::Address)
        .def("read", &CPyEeprom::Read, py::arg("offset") = 0, py::arg("length") = py::none(),
             py::kw_only(), py::arg("progress") = py::none(), "Reads the bytes (all by default).")
        .def("write", &CPyEeprom::Write, py::arg("data"), py::arg("offset") = 0, py::kw_only(),
             py::arg("verify") = true, py::arg("progress") = py::none(),
             "Programs the image page by page, then reads it back unless verify=False; a "
             "difference raises OSError(EIO).")
        .def("verify", &CPyEeprom::Verify, py::arg("data"), py::arg("offset") = 0, py::kw_only(),
             py::arg("progress") = py::none(), "Whether the EEPROM holds the image.")
        .def("erase", &CPyEeprom::Erase, py::arg("offset") = 0, py::arg("length") = py::none(),
             py::kw_only(), py::arg("progress") = py::none(), "Fills the range with 0xFF.")
        .def("save", &CPyEeprom::Save, py::arg("path"), py::arg("offset") = 0,
             py::arg("length") = py::none(),
             "Reads the range into an image file, in the format its extension names.");
}
