// SPDX-License-Identifier: MIT
#include "CI2cToolsBus.h"

#include "CSmbus.h"
#include "CTransactionControl.h"
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"
#include "I2cFacts.h"
#include "I2cFunctions.h"
#include "I2cToolsText.h"

#include <QString>

#include <cerrno>
#include <cstdlib>

namespace {

constexpr unsigned long BUS_MAX = 0xFFFFF;

} // namespace

std::vector<SVtlDeviceEntry> CI2cToolsBus::Adapters()
{
    return CVtlDeviceFactory::EnumerateDevices();
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
    int found = -1;
    const std::vector<SVtlDeviceEntry> adapters = Adapters();
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        if (Name(adapters[i]) != argument)
            continue;
        if (found >= 0) {
            std::fprintf(err, "Error: I2C bus name is not unique!\n");
            return -4;
        }
        found = int(i);
    }
    if (found < 0)
        std::fprintf(err, "Error: I2C bus name doesn't match any bus present!\n");
    return found;
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
    const std::vector<SVtlDeviceEntry> adapters = Adapters();
    if (bus < 0 || std::size_t(bus) >= adapters.size()) {
        std::fprintf(err, "Error: Could not open file `/dev/i2c-%d' or `/dev/i2c/%d': %s\n", bus,
                     bus, I2cToolsText::ErrnoText(ENOENT).c_str());
        return nullptr;
    }
    std::unique_ptr<CI2cToolsBus> opened(new CI2cToolsBus);
    opened->m_fileName = "/dev/i2c-" + std::to_string(bus);
    const SVtlDeviceEntry &entry = adapters[std::size_t(bus)];
    if (!opened->m_session.Connect(entry, EI2cSpeed::Speed100k)) {
        const std::string error = opened->m_session.GetLastError();
        const bool denied = opened->m_session.GetLastErrorKind() == EFailureKind::PermissionDenied;
        std::fprintf(err, "Error: Could not open file `%s': %s\n", opened->m_fileName.c_str(),
                     denied ? I2cToolsText::ErrnoText(EACCES).c_str() : error.c_str());
        if (denied)
            std::fprintf(err, "%s\n", CVtlAdapterAccess::PermissionHint().c_str());
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
