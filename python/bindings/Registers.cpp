// SPDX-License-Identifier: MIT
// The native half of vtl_i2c.Device: a device file's register map, its reads and writes as
// the procedures the Registers dock and the command line's regs and reg run.
#include "CI2cDeviceFile.h"
#include "CPartLibrary.h"
#include "Errors.h"
#include "Module.h"
#include "PyAdapter.h"
#include "RegisterBits.h"
#include "RegisterPlan.h"
#include "RegisterProcedures.h"
#include "RegisterText.h"
#include "Values.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

class CPyRegisterMap
{
public:
    explicit CPyRegisterMap(const std::string &fileOrPart)
    {
        const QString name = QString::fromStdString(fileOrPart);
        if (QFileInfo(name).isFile()) {
            if (!m_file.Load(name)) {
                throw CPyOsError(m_file.GetLastErrorKind() == EFailureKind::FileIo ? EIO : EINVAL,
                                 m_file.GetLastError().toStdString());
            }
        } else {
            CPartLibrary library;
            if (!library.LoadDefault())
                throw CPyOsError(EIO, library.GetLastError().toStdString());
            const int part = library.Find(name);
            if (part < 0) {
                throw CPyOsError(ENOENT,
                                 fileOrPart + ": neither a device file nor a part of the library");
            }
            m_file = library.Parts().at(static_cast<std::size_t>(part)).file;
        }
        if (!m_file.GetRegisters() || m_file.GetRegisters()->registers.isEmpty())
            throw py::value_error(fileOrPart + ": the device file has no register map");
        m_map = *m_file.GetRegisters();
    }

    std::string Name() const { return m_file.GetName().toStdString(); }
    int Address() const { return m_file.GetAddress(); }
    std::vector<std::string> Registers() const
    {
        std::vector<std::string> names;
        for (const SRegister &reg : m_map.registers)
            names.push_back(reg.name.toStdString());
        return names;
    }
    int Find(const std::string &name) const
    {
        return RegisterNames::FindRegister(m_map, QString::fromStdString(name));
    }
    int FindField(int reg, const std::string &name) const
    {
        return RegisterNames::FindField(Register(reg), QString::fromStdString(name));
    }
    std::vector<std::string> Fields(int reg) const
    {
        std::vector<std::string> names;
        for (const SRegisterField &field : Register(reg).fields)
            names.push_back(field.name.toStdString());
        return names;
    }
    bool Readable(int reg) const { return Register(reg).access != ERegisterAccess::WriteOnly; }

    // (value, text, {field: (raw, value, text)}): a field's value is its enum text, its
    // number in its unit, or its bits as a number (signed when the field is); a register of
    // one field has that field's value.
    py::tuple Decode(int reg, std::uint32_t raw) const
    {
        const SRegister &r = Register(reg);
        py::dict fields;
        py::object single = py::int_(raw);
        for (const SRegisterField &field : r.fields) {
            const std::uint32_t bits = RegisterBits::Extract(raw, field);
            py::object value;
            const auto text = std::find_if(field.enumTexts.begin(), field.enumTexts.end(),
                                           [&](const auto &entry) { return entry.first == bits; });
            if (text != field.enumTexts.end())
                value = py::str(text->second.toStdString());
            else if (field.HasNumber())
                value =
                    py::float_(double(RegisterBits::Number(bits, field)) * field.scale + field.add);
            else
                value = py::int_(RegisterBits::Number(bits, field));
            if (r.fields.size() == 1)
                single = value;
            fields[py::str(field.name.toStdString())] =
                py::make_tuple(bits, value, RegisterText::FieldMeaning(field, bits).toStdString());
        }
        return py::make_tuple(single, RegisterText::RegisterMeaning(r, raw).toStdString(), fields);
    }

    std::map<int, std::uint32_t> Read(CPyAdapter &adapter, int device,
                                      const std::vector<int> &registers)
    {
        for (const int reg : registers) {
            if (!Readable(reg)) {
                throw CPyOsError(EACCES, Register(reg).name.toStdString() +
                                             " is write-only and is not read");
            }
        }
        return RunRead(adapter, device, RegisterPlan::ReadEach(m_map, registers));
    }

    std::map<int, std::uint32_t> ReadAll(CPyAdapter &adapter, int device)
    {
        return RunRead(adapter, device, RegisterPlan::ReadAll(m_map, adapter.Info().maxReadCount));
    }

    std::uint32_t Write(CPyAdapter &adapter, int device, int reg, const py::object &value)
    {
        const SRegister &r = Register(reg);
        const QString refusal = RegisterPlan::WriteRefusal(r, nullptr);
        if (!refusal.isEmpty())
            throw CPyOsError(EACCES, refusal.toStdString());
        QString error;
        const auto parsed = RegisterText::ParseRegisterValue(r, ValueText(value), error);
        if (!parsed)
            throw py::value_error(r.name.toStdString() + ": " + error.toStdString());
        return RunWrite(
            adapter,
            [&](CBusContext &context) {
                return RegisterProcedures::WriteRegister(context, PyValues::Address(device), m_map,
                                                         reg, *parsed);
            },
            reg, PyValues::Address(device));
    }

    std::uint32_t WriteField(CPyAdapter &adapter, int device, int reg, int field,
                             const py::object &value)
    {
        const SRegister &r = Register(reg);
        const SRegisterField &f = r.fields.at(field);
        const QString refusal = RegisterPlan::WriteRefusal(r, &f);
        if (!refusal.isEmpty())
            throw CPyOsError(EACCES, refusal.toStdString());
        QString error;
        const auto parsed = RegisterText::ParseShownFieldValue(r, f, ValueText(value), error);
        if (!parsed) {
            throw py::value_error(r.name.toStdString() + "." + f.name.toStdString() + ": " +
                                  error.toStdString());
        }
        const auto last = m_lastWritten.find(reg);
        const std::optional<std::uint32_t> lastWritten =
            last != m_lastWritten.end() ? std::optional(last->second) : std::nullopt;
        return RunWrite(
            adapter,
            [&](CBusContext &context) {
                return RegisterProcedures::WriteField(context, PyValues::Address(device), m_map,
                                                      reg, field, *parsed, lastWritten);
            },
            reg, PyValues::Address(device));
    }

private:
    const SRegister &Register(int reg) const
    {
        if (reg < 0 || reg >= m_map.registers.size())
            throw py::index_error("no register " + std::to_string(reg));
        return m_map.registers.at(reg);
    }

    // What a user types: a bool as 1 or 0, a number as Python writes it, a text as it is.
    static QString ValueText(const py::object &value)
    {
        if (py::isinstance<py::bool_>(value))
            return value.cast<bool>() ? QStringLiteral("1") : QStringLiteral("0");
        return QString::fromStdString(py::str(value).cast<std::string>());
    }

    std::map<int, std::uint32_t> RunRead(CPyAdapter &adapter, int device,
                                         const std::vector<SRegisterRead> &reads)
    {
        SRegisterJobResult job;
        const std::uint8_t address = PyValues::Address(device);
        adapter.RunProcedure([&](CBusContext &context) {
            job = RegisterProcedures::Read(context, address, m_map, reads);
            return job.result;
        });
        if (!job.result.ok)
            PyErrors::Raise("registers", job.result.failure, address, job.result.error);
        return job.values;
    }

    std::uint32_t RunWrite(CPyAdapter &adapter,
                           const std::function<SRegisterJobResult(CBusContext &)> &write, int reg,
                           std::uint8_t device)
    {
        SRegisterJobResult job;
        adapter.RunProcedure([&](CBusContext &context) {
            job = write(context);
            return job.result;
        });
        if (!job.result.ok) {
            PyErrors::Raise(Register(reg).name.toStdString(), job.result.failure, device,
                            job.result.error);
        }
        if (job.written)
            m_lastWritten[reg] = *job.written;
        return job.written.value_or(0);
    }

    CI2cDeviceFile m_file;
    SRegisterMap m_map;
    std::map<int, std::uint32_t> m_lastWritten;
};

} // namespace

void BindRegisters(py::module_ &module)
{
    py::class_<CPyRegisterMap>(module, "RegisterMap",
                               "The register map of a device file or of a library part; "
                               "vtl_i2c.Device is the friendly face of it.")
        .def(py::init<const std::string &>(), py::arg("file_or_part"))
        .def_property_readonly("name", &CPyRegisterMap::Name)
        .def_property_readonly("address", &CPyRegisterMap::Address)
        .def_property_readonly("registers", &CPyRegisterMap::Registers)
        .def("find", &CPyRegisterMap::Find, py::arg("name"))
        .def("find_field", &CPyRegisterMap::FindField, py::arg("reg"), py::arg("name"))
        .def("fields", &CPyRegisterMap::Fields, py::arg("reg"))
        .def("readable", &CPyRegisterMap::Readable, py::arg("reg"))
        .def("decode", &CPyRegisterMap::Decode, py::arg("reg"), py::arg("raw"))
        .def("read", &CPyRegisterMap::Read, py::arg("adapter"), py::arg("addr"),
             py::arg("registers"))
        .def("read_all", &CPyRegisterMap::ReadAll, py::arg("adapter"), py::arg("addr"))
        .def("write", &CPyRegisterMap::Write, py::arg("adapter"), py::arg("addr"), py::arg("reg"),
             py::arg("value"))
        .def("write_field", &CPyRegisterMap::WriteField, py::arg("adapter"), py::arg("addr"),
             py::arg("reg"), py::arg("field"), py::arg("value"));
}
