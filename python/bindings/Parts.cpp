// SPDX-License-Identifier: MIT
// vtl_i2c.parts() and vtl_i2c.identify(): the part library and its safe identification plan.
#include "CPartLibrary.h"
#include "Errors.h"
#include "Module.h"
#include "PartIdentify.h"
#include "PyAdapter.h"

#include <cerrno>
#include <cstdio>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

struct SPyPart
{
    std::string name;
    std::string kind;
    std::string description;
    std::vector<int> addresses;
    bool canIdentify = false;
    std::string path;
};

// What identification says of one answering address.
struct SPyIdentified
{
    int address = 0;
    // The confirmed part, else empty.
    std::string identified;
    // The part to offer first, else empty.
    std::string mostLikely;
    // (part, "confirmed" | "probable" | "likely" | "ruled out"), best first.
    std::vector<std::pair<std::string, std::string>> ranking;
    std::vector<std::string> notIdentified;
};

const CPartLibrary &Library()
{
    static CPartLibrary library;
    static bool loaded = false;
    if (!loaded) {
        if (!library.LoadDefault())
            throw CPyOsError(EIO, library.GetLastError().toStdString());
        loaded = true;
    }
    return library;
}

std::string PartName(const CPartLibrary &library, int part)
{
    return part < 0
               ? std::string()
               : library.Parts().at(static_cast<std::size_t>(part)).file.GetName().toStdString();
}

std::vector<SPyPart> Parts(const std::optional<std::string> &text)
{
    const CPartLibrary &library = Library();
    std::vector<SPyPart> parts;
    for (const int index : library.Search(QString::fromStdString(text.value_or(std::string())))) {
        const SLibraryPart &part = library.Parts().at(static_cast<std::size_t>(index));
        SPyPart entry{part.file.GetName().toStdString(),
                      part.kind.toStdString(),
                      part.file.GetDescription().toStdString(),
                      {},
                      part.CanIdentify(),
                      part.path.toStdString()};
        for (const unsigned char address : part.Addresses())
            entry.addresses.push_back(address);
        parts.push_back(std::move(entry));
    }
    return parts;
}

std::vector<SPyIdentified> Identify(CPyAdapter &adapter, int first, int last)
{
    const CPartLibrary &library = Library();
    const std::vector<std::uint8_t> found =
        adapter
            .Run(STransactionRequest::Search(static_cast<std::uint8_t>(first),
                                             static_cast<std::uint8_t>(last)),
                 "identify")
            .found;
    std::vector<SPartMatch> matches = PartIdentify::Candidates(library, found);
    const SBusProcedureResult result = adapter.RunProcedure(
        [&](CBusContext &context) { return PartIdentify::Run(context, library, matches); });
    if (!result.ok)
        PyErrors::Raise("identify", result.failure, 0, result.error);
    std::vector<SPyIdentified> identified;
    for (const SPartMatch &match : matches) {
        SPyIdentified entry{match.address,
                            PartName(library, match.identified),
                            PartName(library, match.MostLikely()),
                            {},
                            {}};
        for (const SGradedPart &graded : match.ranking)
            entry.ranking.emplace_back(PartName(library, graded.part),
                                       PartIdentify::GradeName(graded.grade).toStdString());
        for (const QString &reason : match.notIdentified)
            entry.notIdentified.push_back(reason.toStdString());
        identified.push_back(std::move(entry));
    }
    return identified;
}

} // namespace

void BindParts(py::module_ &module)
{
    py::class_<SPyPart>(module, "Part", "A part of the library that ships with the program.")
        .def_readonly("name", &SPyPart::name)
        .def_readonly("kind", &SPyPart::kind)
        .def_readonly("description", &SPyPart::description)
        .def_readonly("addresses", &SPyPart::addresses)
        .def_readonly("can_identify", &SPyPart::canIdentify)
        .def_readonly("path", &SPyPart::path, "Its device file, for vtl_i2c.Device.")
        .def("__repr__", [](const SPyPart &part) {
            return "Part('" + part.name + "', kind='" + part.kind + "')";
        });
    module.def("parts", &Parts, py::arg("text") = py::none(),
               "The library's parts whose name, kind or description holds text (all without "
               "it), by name.");

    py::class_<SPyIdentified>(module, "Identified", "What the library says of one address.")
        .def_readonly("address", &SPyIdentified::address)
        .def_property_readonly(
            "identified",
            [](const SPyIdentified &i) -> py::object {
                if (i.identified.empty())
                    return py::none();
                return py::str(i.identified);
            },
            "The part its ID registers confirmed, or None.")
        .def_property_readonly("most_likely",
                               [](const SPyIdentified &i) -> py::object {
                                   if (i.mostLikely.empty())
                                       return py::none();
                                   return py::str(i.mostLikely);
                               })
        .def_readonly("ranking", &SPyIdentified::ranking,
                      "(part, grade) for every candidate, best first.")
        .def_readonly("not_identified", &SPyIdentified::notIdentified,
                      "Why ID registers were not read.")
        .def("__repr__", [](const SPyIdentified &i) {
            char address[8];
            std::snprintf(address, sizeof address, "0x%02X", i.address & 0xFF);
            return std::string("Identified(") + address + ", " +
                   (i.identified.empty() ? "likely " + (i.mostLikely.empty() ? "?" : i.mostLikely)
                                         : i.identified) +
                   ")";
        });
    module.def("identify", &Identify, py::arg("adapter"), py::arg("first") = 0x08,
               py::arg("last") = 0x77,
               "Scans the bus and names the library parts behind the answering addresses by "
               "their ID registers, with the scan grid's safe plan: a register address is only "
               "written where no candidate acts on that byte.");
}
