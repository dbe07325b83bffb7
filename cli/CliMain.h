// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What differs between the programs built on the command-line core.
struct SCliProgram
{
    // Added to the program's --help, e.g. to tell the environment a test build reads.
    QString helpEpilog;
};

// The whole command-line program: parses the arguments, checks them all, opens the
// adapter, runs the command and returns the exit status (see ECliExit).
int CliMain(int argc, char **argv, const SCliProgram &program = {});
