// SPDX-License-Identifier: MIT
#include "CliMain.h"

// vtl-i2c-cli: the command-line program on the system's hidapi.
int main(int argc, char **argv)
{
    return CliMain(argc, argv);
}
