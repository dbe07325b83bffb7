// SPDX-License-Identifier: MIT
#pragma once

#include "CBusSession.h"
#include "SSmbusRequest.h"
#include "VtlTypes.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CTransactionControl;

// An adapter as the i2c-tools programs see a bus: numbered by its place among the attached
// adapters (0 first, as `list` shows them), named by its serial number, opened as the
// device file /dev/i2c-N would be, with the kernel's texts for what goes wrong.
class CI2cToolsBus
{
public:
    // The attached adapters in bus-number order.
    static std::vector<SVtlDeviceEntry> Adapters();
    // A bus name is the adapter's serial number.
    static std::string Name(const SVtlDeviceEntry &entry);

    // The bus number of a number or a name; negative after the error was printed.
    static int Lookup(const std::string &argument, std::FILE *err);
    // i2c-tools' check of a chip address, 0x08-0x77 or with `all` 0x00-0x7f; negative after
    // the error was printed.
    static int ParseAddress(const std::string &argument, bool all, std::FILE *err);

    // The connected adapter of that bus number, or null after the open error was printed.
    static std::unique_ptr<CI2cToolsBus> Open(int bus, const CTransactionControl *control,
                                              std::FILE *err);

    const std::string &FileName() const { return m_fileName; }
    std::uint32_t Functions() const { return m_functions; }
    const SBusAdapterInfo &Adapter() const { return m_session.Info(); }

    SSmbusResult Smbus(const SSmbusRequest &request);
    // Runs `body` as one job on the bus, so that the many transactions of a scan or a dump
    // follow each other without a hand-over to the bus's worker between them; Smbus()
    // and Execute() called inside it run directly. Returns what `body` returns.
    int RunAsOneJob(const std::function<int()> &body);
    STransactionRecord Execute(const STransactionRequest &request);

private:
    CI2cToolsBus() = default;

    CBusSession m_session;
    const CTransactionControl *m_control = nullptr;
    CBusContext *m_job = nullptr;
    std::string m_fileName;
    std::uint32_t m_functions = 0;
};
