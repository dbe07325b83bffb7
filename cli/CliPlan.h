// SPDX-License-Identifier: MIT
#pragma once

#include "CliCommand.h"
#include "CliCommandLine.h"
#include "I2cFacts.h"
#include "STransactionRequest.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// A command line with every argument checked and turned into what goes on the bus. Only
// what depends on the adapter's model (its read limit, its speeds, its pull-up switch) is
// left to check once the adapter is known, still before anything is sent. The command holds
// its own plan; this is the part that the program, the adapter check and the session read.
struct SCliPlan
{
    // The command with its own plan; null only in a plan not built by CliPlan::Build.
    std::shared_ptr<const CCliCommand> command;
    QString commandName; // "read", "eeprom write": as messages and JSON name the command
    SCliGlobalOptions global;
    std::uint8_t address = 0;
    // The transactions known before the adapter is: one for most commands, one per message
    // of a transfer.
    std::vector<STransactionRequest> requests;
    // dump and eeprom: the range, and the width of the offset each transaction writes first.
    std::size_t from = 0;
    std::size_t length = 0;
    int offsetWidth = 1;
    // The addresses typed as arguments: a reserved one is refused unless --all-addresses
    // (a device file's own address is the file's business).
    struct STypedAddress
    {
        STypedAddress(std::uint8_t value, QString typed = {})
            : address(value)
            , text(std::move(typed))
        {}
        std::uint8_t address = 0;
        QString text; // as typed, for messages; may be empty
    };
    std::vector<STypedAddress> typedAddresses;
    // The largest single read a request asks for and the argument that asked for it.
    std::size_t largestRead = 0;
    QString largestReadName;

    void NoteRead(std::size_t count, const QString &name);
};

namespace CliPlan {

inline constexpr std::size_t MAX_COUNT = I2cFacts::MAX_READ_COUNT;

// The plan, or none with a message that names the argument at fault.
std::optional<SCliPlan> Build(const SCliInvocation &invocation, QString &error);

} // namespace CliPlan
