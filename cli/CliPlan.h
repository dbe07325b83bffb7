// SPDX-License-Identifier: MIT
#pragma once

#include "CliCommandLine.h"
#include "CliEepromPlan.h"
#include "CliRegisters.h"
#include "I2cFacts.h"
#include "SI2cCommand.h"
#include "SSequenceStep.h"
#include "STransactionRequest.h"
#include "TransferMessages.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A command line with every argument checked and turned into what goes on the bus. Only
// what depends on the adapter's model (its read limit, its speeds, its pull-up switch) is
// left to check once the adapter is known, still before anything is sent.
struct SCliPlan
{
    ECliCommand command = ECliCommand::List;
    QString commandName;
    SCliGlobalOptions global;
    std::uint8_t address = 0;
    // detect, read, write, get, set, run: one request; transfer: one per message.
    std::vector<STransactionRequest> requests;
    std::vector<STransferMessage> messages;
    // dump and eeprom: the range, and the width of the offset each transaction writes first.
    std::size_t from = 0;
    std::size_t length = 0;
    int offsetWidth = 1;
    // eeprom (and run: the device file)
    SCliEepromPlan eeprom;
    QString file;
    // run
    SI2cCommand runCommand;
    // regs, reg and check
    SCliRegisterPlan registers;
    // script, and run of a stored sequence: the steps; --dry-run prints them and sends none.
    std::vector<SSequenceStep> sequence;
    bool dryRun = false;
    // detect --identify; parts: the text looked for, and whether its file's path is wanted.
    bool identify = false;
    // detect --identify --allow-unsafe: where ID reads may send any register address.
    std::vector<std::uint8_t> identifyAnyByte;
    QString partsText;
    bool partsPath = false;
    // The largest single read a request asks for and the argument that asked for it.
    std::size_t largestRead = 0;
    QString largestReadName;
};

namespace CliPlan {

inline constexpr std::size_t MAX_COUNT = I2cFacts::MAX_READ_COUNT;

// The plan, or none with a message that names the argument at fault.
std::optional<SCliPlan> Build(const SCliInvocation &invocation, QString &error);

} // namespace CliPlan
