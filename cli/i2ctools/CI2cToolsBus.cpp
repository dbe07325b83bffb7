// SPDX-License-Identifier: MIT
#include "CI2cToolsBus.h"

#include "CAdapterOpener.h"
#include "CSmbus.h"
#include "CTransactionControl.h"
#include "I2cFunctions.h"
#include "I2cToolsText.h"

#include <QString>

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace {

constexpr unsigned long BUS_MAX = 0xFFFFF;
// i2c-tools' own options have no bus speed, so it comes from the environment.
const char *const SPEED_VARIABLE = "VTL_I2C_SPEED";
constexpr EI2cSpeed DEFAULT_SPEED = EI2cSpeed::Speed100k;

std::string SpeedList(const std::vector<EI2cSpeed> &speeds)
{
    std::string list;
    for (const EI2cSpeed speed : speeds)
        list += (list.empty() ? "" : ", ") + std::to_string(I2cSpeedKbits(speed));
    return list;
}

// The speed VTL_I2C_SPEED names in kbit/s, as --speed takes it: decimal digits only. Unset
// or empty it is the default; none after the error was printed.
std::optional<EI2cSpeed> SpeedFromEnvironment(std::FILE *err)
{
    const char *value = std::getenv(SPEED_VARIABLE);
    if (value == nullptr || *value == '\0')
        return DEFAULT_SPEED;
    const std::string text = value;
    std::optional<EI2cSpeed> speed;
    if (text.size() <= 4 && text.find_first_not_of("0123456789") == std::string::npos)
        speed = I2cSpeedOfKbits(std::stoul(text));
    if (!speed)
        std::fprintf(err, "Error: %s '%s' is not one of %s (kbit/s)!\n", SPEED_VARIABLE,
                     text.c_str(), SpeedList(I2cSpeedsRising()).c_str());
    return speed;
}

} // namespace

std::vector<SVtlDeviceEntry> CI2cToolsBus::Adapters()
{
    return CAdapterOpener::Attached();
}

std::string CI2cToolsBus::Name(const SVtlDeviceEntry &entry)
{
    return QString::fromStdWString(entry.serial).toStdString();
}

int CI2cToolsBus::Lookup(const std::string &argument, std::FILE *err)
{
    char *end = nullptr;
    const unsigned long number = std::strtoul(argument.c_str(), &end, 0);
    if (*end == '\0' && !argument.empty()) {
        if (number > BUS_MAX) {
            std::fprintf(err, "Error: I2C bus out of range!\n");
            return -2;
        }
        return int(number);
    }
    const std::vector<SVtlDeviceEntry> adapters = Adapters();
    const SAdapterChoice choice =
        argument.empty()
            ? SAdapterChoice{}
            : CAdapterOpener::Choose(Adapters(), QString::fromStdString(argument).toStdWString());
    if (choice.failure == EAdapterFailure::SerialNotUnique) {
        std::fprintf(err, "Error: I2C bus name is not unique!\n");
        return -4;
    }
    if (!choice.entry) {
        std::fprintf(err, "Error: I2C bus name doesn't match any bus present!\n");
        return -1;
    }
    // The bus number is the adapter's place in the list.
    return int(choice.index);
}

int CI2cToolsBus::ParseAddress(const std::string &argument, bool all, std::FILE *err)
{
    char *end = nullptr;
    const long address = std::strtol(argument.c_str(), &end, 0);
    if (*end != '\0' || argument.empty()) {
        std::fprintf(err, "Error: Chip address is not a number!\n");
        return -1;
    }
    const long min = all ? 0x00 : I2cFacts::FIRST_REGULAR_ADDRESS;
    const long max = all ? I2cFacts::LAST_ADDRESS : I2cFacts::LAST_REGULAR_ADDRESS;
    if (address < min || address > max) {
        std::fprintf(err, "Error: Chip address out of range (0x%02lx-0x%02lx)!\n", min, max);
        return -2;
    }
    return int(address);
}

std::unique_ptr<CI2cToolsBus> CI2cToolsBus::Open(int bus, const CTransactionControl *control,
                                                 std::FILE *err)
{
    const std::optional<EI2cSpeed> speed = SpeedFromEnvironment(err);
    if (!speed)
        return nullptr;
    const SAdapterChoice choice =
        bus < 0 ? SAdapterChoice{} : CAdapterOpener::ChooseAt(Adapters(), std::size_t(bus));
    if (!choice.entry) {
        std::fprintf(err, "Error: Could not open file `/dev/i2c-%d' or `/dev/i2c/%d': %s\n", bus,
                     bus, I2cToolsText::ErrnoText(ENOENT).c_str());
        return nullptr;
    }
    std::unique_ptr<CI2cToolsBus> opened(new CI2cToolsBus);
    opened->m_fileName = "/dev/i2c-" + std::to_string(bus);
    std::string unsupported;
    const SAdapterOpening opening = CAdapterOpener::Open(
        opened->m_session, *choice.entry, SAdapterSettings{*speed, {}},
        [&](const SAdapterCapabilities &model) {
            if (model.IsSpeedSupported(*speed))
                return true;
            unsupported = "Error: " + std::string(SPEED_VARIABLE) + " " +
                          std::to_string(I2cSpeedKbits(*speed)) + " is not supported by the " +
                          QString::fromStdWString(model.typeName).toStdString() + " (it runs at " +
                          SpeedList(model.SpeedsRising()) + " kbit/s)!";
            return false;
        });
    if (opening.failure == EAdapterFailure::Refused) {
        std::fprintf(err, "%s\n", unsupported.c_str());
        return nullptr;
    }
    if (!opening.Ok()) {
        const bool denied = opening.failure == EAdapterFailure::PermissionDenied;
        std::fprintf(err, "Error: Could not open file `%s': %s\n", opened->m_fileName.c_str(),
                     denied ? I2cToolsText::ErrnoText(EACCES).c_str() : opening.error.c_str());
        if (denied)
            std::fprintf(err, "%s\n", CAdapterOpener::PermissionHint().c_str());
        return nullptr;
    }
    opened->m_functions = I2cFunctions::ForAdapter(opened->m_session.Info());
    opened->m_control = control;
    return opened;
}

SSmbusResult CI2cToolsBus::Smbus(const SSmbusRequest &request)
{
    if (m_job != nullptr)
        return CSmbus::Execute(*m_job, request);
    SSmbusResult result;
    m_session.RunProcedure(
        [&](CBusContext &context) {
            result = CSmbus::Execute(context, request);
            return SBusProcedureResult{result.ok, result.fault == ESmbusFault::Cancelled,
                                       result.error};
        },
        m_control);
    return result;
}

STransactionRecord CI2cToolsBus::Execute(const STransactionRequest &request)
{
    if (m_job != nullptr)
        return m_job->Execute(request);
    return m_session.Run(request, m_control);
}

int CI2cToolsBus::RunAsOneJob(const std::function<int()> &body)
{
    int status = 0;
    m_session.RunProcedure(
        [&](CBusContext &context) {
            m_job = &context;
            status = body();
            m_job = nullptr;
            return SBusProcedureResult{};
        },
        m_control);
    return status;
}
