// SPDX-License-Identifier: MIT
#include "CliCommandTable.h"

// One line per command, in the order of the program's help. Each names the function of the
// command's own file (cli/commands/) that returns its entry; a new command is its file and
// its line here.
#define VTL_CLI_COMMANDS(COMMAND)                                                                  \
    COMMAND(ListCommand)                                                                           \
    COMMAND(DetectCommand)                                                                         \
    COMMAND(ReadCommand)                                                                           \
    COMMAND(WriteCommand)                                                                          \
    COMMAND(GetCommand)                                                                            \
    COMMAND(SetCommand)                                                                            \
    COMMAND(TransferCommand)                                                                       \
    COMMAND(DumpCommand)                                                                           \
    COMMAND(EepromCommand)                                                                         \
    COMMAND(RunCommand)                                                                            \
    COMMAND(RegsCommand)                                                                           \
    COMMAND(RegCommand)                                                                            \
    COMMAND(CheckCommand)                                                                          \
    COMMAND(ScriptCommand)                                                                         \
    COMMAND(PartsCommand)                                                                          \
    COMMAND(ServeCommand)

namespace CliCommands {
#define VTL_CLI_DECLARE(function) SCliCommandEntry function();
VTL_CLI_COMMANDS(VTL_CLI_DECLARE)
#undef VTL_CLI_DECLARE
} // namespace CliCommands

namespace CliCommandTable {

const QList<SCliCommandEntry> &Entries()
{
#define VTL_CLI_ENTRY(function) CliCommands::function(),
    static const QList<SCliCommandEntry> entries{VTL_CLI_COMMANDS(VTL_CLI_ENTRY)};
#undef VTL_CLI_ENTRY
    return entries;
}

const SCliCommandEntry *Find(const QString &name)
{
    for (const SCliCommandEntry &entry : Entries()) {
        if (entry.spec.name == name)
            return &entry;
    }
    return nullptr;
}

} // namespace CliCommandTable
