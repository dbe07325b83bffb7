// SPDX-License-Identifier: MIT
#include "CliInterrupt.h"
#include "CliMain.h"

// vtl-i2c-cli: the command-line program on the system's hidapi.
int main(int argc, char **argv)
{
    const int status = CliMain(argc, argv);
    CliInterrupt::DieIfInterrupted();
    return status;
}
