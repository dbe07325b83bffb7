// SPDX-License-Identifier: MIT
// Adapter.run_sequence: a sequence text or file through the runner of the dock and of the
// command line's run.
#include "CSequenceRunner.h"
#include "Errors.h"
#include "FailureText.h"
#include "Module.h"
#include "PyAdapter.h"
#include "SequenceParser.h"
#include "Values.h"

#include <QFile>

#include <cerrno>
#include <memory>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

// One step as it ran.
struct SPyStepRecord
{
    int line = 0;
    std::string kind;
    std::string status;
    std::vector<unsigned char> read;
    std::size_t attempts = 0;
    std::int64_t durationUs = 0;
    std::string message;
};

const char *KindName(ESequenceStepKind kind)
{
    switch (kind) {
    case ESequenceStepKind::Transfer:
        return "transfer";
    case ESequenceStepKind::Delay:
        return "delay";
    case ESequenceStepKind::Expect:
        return "expect";
    case ESequenceStepKind::Poll:
        return "poll";
    case ESequenceStepKind::Echo:
        return "echo";
    }
    return "";
}

const char *StatusName(ESequenceStatus status)
{
    switch (status) {
    case ESequenceStatus::Ok:
        return "ok";
    case ESequenceStatus::Mismatch:
        return "mismatch";
    case ESequenceStatus::Timeout:
        return "timeout";
    case ESequenceStatus::BusError:
        return "bus error";
    case ESequenceStatus::Cancelled:
        return "cancelled";
    }
    return "";
}

// The text of a file named by a path object, or by a str of one line that names a file;
// else the str is the sequence itself.
QString SequenceText(const py::object &pathOrText)
{
    const bool pathLike = !py::isinstance<py::str>(pathOrText);
    const std::string given =
        py::module_::import("os").attr("fspath")(pathOrText).cast<std::string>();
    const QString name = QString::fromStdString(given);
    if (pathLike || (!name.contains(QLatin1Char('\n')) && QFile::exists(name))) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            throw CPyOsError(ENOENT, given + ": " + file.errorString().toStdString());
        return QString::fromUtf8(file.readAll());
    }
    return name;
}

std::vector<SPyStepRecord> RunSequence(CPyAdapter &adapter, const py::object &pathOrText,
                                       std::optional<int> address)
{
    const QStringList lines = SequenceText(pathOrText).split(QLatin1Char('\n'));
    std::optional<std::uint8_t> device;
    if (address)
        device = PyValues::Address(*address);
    SSequenceError error;
    std::optional<CSequenceProgram> program = SequenceParser::ParseProgram(lines, device, error);
    if (!program) {
        std::string text = "sequence: " + error.Text().toStdString();
        if (!device && error.message.contains(QStringLiteral("no device address")))
            text += " (give address=)";
        throw py::value_error(text);
    }
    auto runner = std::make_shared<CSequenceRunner>(std::move(*program));
    // Filled on the bus's thread, read once the job has ended.
    auto outcomes = std::make_shared<std::vector<SSequenceOutcome>>();
    runner->SetStepHandler(
        [outcomes](const SSequenceOutcome &outcome) { outcomes->push_back(outcome); });
    auto result = std::make_shared<SSequenceResult>();
    adapter.RunProcedure(CSequenceRunner::Procedure(runner, result));

    std::vector<SPyStepRecord> records;
    for (const SSequenceOutcome &outcome : *outcomes) {
        records.push_back({outcome.line, KindName(outcome.kind), StatusName(outcome.status),
                           outcome.read, outcome.attempts, outcome.durationUs,
                           outcome.message.toStdString()});
    }
    if (!result->ok && !outcomes->empty()) {
        const SSequenceOutcome &failed = outcomes->back();
        int errnum = EIO;
        if (failed.status == ESequenceStatus::Timeout)
            errnum = ETIMEDOUT;
        else if (failed.status == ESequenceStatus::BusError && !failed.records.empty())
            errnum = FailureText::Errno(failed.records.back().failure);
        throw CPyOsError(errnum,
                         "sequence: line " + std::to_string(result->failedLine) + ": " +
                             result->error.toStdString(),
                         result->failedLine);
    }
    if (!result->ok)
        throw CPyOsError(EIO, "sequence: " + result->error.toStdString());
    return records;
}

} // namespace

void BindSequence(py::module_ &module)
{
    py::class_<SPyStepRecord>(module, "StepRecord", "How one step of a sequence ran.")
        .def_readonly("line", &SPyStepRecord::line)
        .def_readonly("kind", &SPyStepRecord::kind,
                      "'transfer', 'delay', 'expect', 'poll' or 'echo'.")
        .def_readonly("status", &SPyStepRecord::status)
        .def_property_readonly(
            "read", [](const SPyStepRecord &r) { return PyValues::ToBytes(r.read); },
            "The bytes of the step's last read.")
        .def_readonly("attempts", &SPyStepRecord::attempts)
        .def_readonly("duration_us", &SPyStepRecord::durationUs)
        .def_readonly("message", &SPyStepRecord::message)
        .def("__repr__", [](const SPyStepRecord &r) {
            return "StepRecord(line=" + std::to_string(r.line) + ", kind='" + r.kind +
                   "', status='" + r.status +
                   "', read=" + py::repr(PyValues::ToBytes(r.read)).cast<std::string>() + ")";
        });
    auto adapter = py::reinterpret_borrow<py::class_<CPyAdapter>>(module.attr("Adapter"));
    adapter.def("run_sequence", &RunSequence, py::arg("path_or_text"),
                py::arg("address") = py::none(),
                "Runs a sequence (a file, or its text) as one job and returns its steps' "
                "records. Messages without @ADDR talk to address. A failed expect or poll "
                "raises SequenceError (an OSError) whose line is the step's.");
}
