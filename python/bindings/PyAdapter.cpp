// SPDX-License-Identifier: MIT
#include "PyAdapter.h"

#include "CAdapterOpener.h"
#include "CliAdapter.h"
#include "Errors.h"
#include "Interrupt.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

#include <cerrno>
#include <clocale>
#include <set>
#include <string>

namespace py = pybind11;

namespace {

std::mutex g_openMutex;
std::set<CPyAdapter *> g_open;

// The session's presence timer needs an event dispatcher in the thread that opens the
// adapter, and Qt gives threads one only once an application object exists. A host program
// that has its own keeps it; otherwise one is made, and the C locale it sets is put back so
// that the interpreter's number formatting stays as it was. Python itself runs no Qt event
// loop, so the timer never fires there: a lost adapter shows at the next call instead.
void EnsureEventDispatcher()
{
    if (QCoreApplication::instance() == nullptr) {
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        static int argc = 1;
        static char name[] = "python3";
        static char *argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // lives until the process ends
        std::setlocale(LC_ALL, locale.c_str());
    }
    if (QAbstractEventDispatcher::instance() == nullptr)
        QEventLoop ensure; // makes the dispatcher of a thread Qt did not start
}

QString ChoiceText(const py::object &choice)
{
    if (choice.is_none())
        return {};
    if (py::isinstance<py::bool_>(choice))
        throw py::type_error("Adapter(): serial must be a str, an int or None");
    if (py::isinstance<py::int_>(choice))
        return QString::number(choice.cast<long long>());
    if (py::isinstance<py::str>(choice))
        return QString::fromStdString(choice.cast<std::string>());
    throw py::type_error("Adapter(): serial must be a str, an int or None");
}

SVtlDeviceEntry Select(const py::object &choice)
{
    const std::vector<SVtlDeviceEntry> attached = CAdapterOpener::Attached();
    QString text = ChoiceText(choice);
    QString origin = QStringLiteral("serial");
    if (text.isEmpty()) {
        text = qEnvironmentVariable(CliAdapter::ADAPTER_VARIABLE);
        origin = QString::fromLatin1(CliAdapter::ADAPTER_VARIABLE);
    }
    if (text.isEmpty() && attached.size() > 1) {
        throw CPyOsError(EINVAL, QStringLiteral("%1 adapters are attached; choose one by its "
                                                "serial number, its place in adapters() or "
                                                "its model letter:\n")
                                         .arg(attached.size())
                                         .toStdString() +
                                     CliAdapter::DescribeList(attached).toStdString());
    }
    const CliAdapter::SSelection selection = CliAdapter::Select(attached, text, origin);
    if (!selection.entry) {
        throw CPyOsError(selection.exit == ECliExit::Usage ? EINVAL : ENODEV,
                         selection.message.toStdString());
    }
    return *selection.entry;
}

} // namespace

std::string Narrow(const std::wstring &text)
{
    return QString::fromStdWString(text).toStdString();
}

std::string ModelLetter(EVtlType type)
{
    return CliAdapter::ModelLetter(type).toStdString();
}

EI2cSpeed SpeedOfHz(unsigned long speedHz)
{
    const std::optional<EI2cSpeed> speed =
        speedHz % 1000 == 0 ? I2cSpeedOfKbits(speedHz / 1000) : std::nullopt;
    if (!speed) {
        throw py::value_error("speed " + std::to_string(speedHz) +
                              " Hz: the adapters run at 10000, 50000, 100000, 400000 or "
                              "1000000 Hz");
    }
    return *speed;
}

unsigned long HzOfSpeed(EI2cSpeed speed)
{
    return static_cast<unsigned long>(I2cSpeedKbits(speed)) * 1000UL;
}

CPyAdapter::CPyAdapter(const py::object &choice, unsigned long speedHz, std::optional<bool> pullUps)
{
    const EI2cSpeed speed = SpeedOfHz(speedHz);
    const SVtlDeviceEntry entry = Select(choice);
    EnsureEventDispatcher();
    auto session = std::make_unique<CBusSession>();
    const std::string serial = Narrow(entry.serial);
    std::string problem;
    SAdapterOpening opening;
    {
        py::gil_scoped_release release;
        opening = CAdapterOpener::Open(
            *session, entry, SAdapterSettings{speed, pullUps},
            [&](const SAdapterCapabilities &model) {
                const std::string type = Narrow(model.typeName);
                if (!model.IsSpeedSupported(speed)) {
                    std::string speeds;
                    for (const EI2cSpeed rising : model.SpeedsRising())
                        speeds += (speeds.empty() ? "" : ", ") + std::to_string(HzOfSpeed(rising));
                    problem = "speed " + std::to_string(speedHz) + " Hz is not supported by the " +
                              type + " (it runs at " + speeds + " Hz)";
                } else if (pullUps && !model.hasPullUpSwitch) {
                    problem = "pull_ups: the " + type + " has no pull-up switch (model B only)";
                }
                return problem.empty();
            });
    }
    switch (opening.failure) {
    case EAdapterFailure::None:
        break;
    case EAdapterFailure::Refused:
        throw CPyOsError(EOPNOTSUPP, problem);
    case EAdapterFailure::PermissionDenied:
        throw CPyOsError(EACCES, "no permission to open adapter " + serial + " (" + opening.error +
                                     ")\n" + CAdapterOpener::PermissionHint());
    case EAdapterFailure::Gone:
        throw CPyOsError(ENODEV, "adapter " + serial + " is gone");
    case EAdapterFailure::OpenFailed:
        throw CPyOsError(EIO, "adapter " + serial + " cannot be opened: " + opening.error);
    default:
        throw CPyOsError(EIO, "cannot connect to adapter " + serial + ": " + opening.error);
    }
    m_info = session->Info();
    m_session = std::move(session);
    m_open = true;
    const std::lock_guard lock(g_openMutex);
    g_open.insert(this);
}

CPyAdapter::~CPyAdapter()
{
    Close();
}

void CPyAdapter::Close()
{
    m_open = false;
    {
        const std::lock_guard lock(g_openMutex);
        g_open.erase(this);
    }
    // Switching the adapter off waits for a running call; Python threads go on meanwhile.
    const auto release = [this] {
        const std::lock_guard lock(m_mutex);
        m_session.reset();
    };
    if (PyGILState_Check() != 0) {
        py::gil_scoped_release unlocked;
        release();
    } else {
        release();
    }
}

void CPyAdapter::CloseAll()
{
    std::set<CPyAdapter *> open;
    {
        const std::lock_guard lock(g_openMutex);
        open = g_open;
    }
    for (CPyAdapter *adapter : open)
        adapter->Close();
}

bool CPyAdapter::IsOpen() const
{
    return m_open;
}

CBusSession &CPyAdapter::Session() const
{
    if (!m_session || !m_session->IsConnected())
        throw CPyOsError(ENODEV, "the adapter is closed or was unplugged");
    return *m_session;
}

const SBusAdapterInfo &CPyAdapter::Info() const
{
    if (!m_open)
        throw CPyOsError(ENODEV, "the adapter is closed");
    return m_info;
}

STransactionRecord CPyAdapter::Run(const STransactionRequest &request, const std::string &what)
{
    CTransactionControl control;
    STransactionRecord record;
    {
        const CInterruptScope interrupt(control);
        py::gil_scoped_release release;
        const std::lock_guard lock(m_mutex);
        CBusSession &session = Session();
        record = session.Run(request, &control);
        // A search reads a gone adapter's silence as empty addresses; the presence check
        // that follows every search tells the difference.
        if (record.ok && request.kind == ETransactionKind::Search && !session.IsConnected()) {
            record.ok = false;
            record.failure = EFailureKind::AdapterGone;
            record.lastError.clear();
        }
    }
    if (record.cancelled)
        CInterruptScope::RaisePending();
    if (!record.ok)
        PyErrors::Raise(what, record);
    return record;
}

SBusProcedureResult CPyAdapter::RunProcedure(const BusProcedure &procedure,
                                             const py::object &progress,
                                             std::vector<STransactionRecord> *records)
{
    // An exception of the callback stops the job and is raised once it has ended.
    std::optional<py::error_already_set> callbackError;
    CTransactionControl *self = nullptr;
    CTransactionControl control([&](std::uint64_t done, std::uint64_t total) {
        if (progress.is_none() || callbackError)
            return;
        const py::gil_scoped_acquire acquire;
        try {
            progress(done, total);
        } catch (py::error_already_set &error) {
            callbackError = std::move(error);
            self->RequestCancel();
        }
    });
    self = &control;
    SBusProcedureResult result;
    {
        const CInterruptScope interrupt(control);
        py::gil_scoped_release release;
        const std::lock_guard lock(m_mutex);
        result = Session().RunProcedure(procedure, &control, records);
    }
    if (callbackError)
        throw std::move(*callbackError);
    if (result.cancelled)
        CInterruptScope::RaisePending();
    return result;
}

std::shared_ptr<CBusJob> CPyAdapter::WaitJob(const std::function<std::shared_ptr<CBusJob>()> &start)
{
    std::shared_ptr<CBusJob> job;
    SBusAdapterInfo info;
    {
        py::gil_scoped_release release;
        const std::lock_guard lock(m_mutex);
        CBusSession &session = Session();
        job = start();
        session.Wait(job);
        info = session.Info();
    }
    m_info = info;
    return job;
}

void CPyAdapter::SetSpeed(unsigned long speedHz)
{
    const EI2cSpeed speed = SpeedOfHz(speedHz);
    if (!Info().IsSpeedSupported(speed)) {
        throw CPyOsError(EOPNOTSUPP, "speed " + std::to_string(speedHz) +
                                         " Hz is not supported by the " + Narrow(Info().typeName));
    }
    const auto job = WaitJob([&] { return m_session->StartSetSpeed(speed); });
    if (!job->Result().ok)
        PyErrors::Raise("speed", job->Result().failure, 0, job->Result().error);
}

void CPyAdapter::SetPullUps(bool enabled)
{
    if (!Info().hasPullUpSwitch) {
        throw CPyOsError(EOPNOTSUPP, "pull_ups: the " + Narrow(Info().typeName) +
                                         " has no pull-up switch (model B only)");
    }
    const auto job = WaitJob([&] { return m_session->StartSetPullUps(enabled); });
    if (!job->Result().ok)
        PyErrors::Raise("pull_ups", job->Result().failure, 0, job->Result().error);
}
