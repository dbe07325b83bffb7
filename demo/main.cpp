// SPDX-License-Identifier: MIT
#include "DemoSetup.h"

// The demo program: the application on simulated adapters, so the tool can be tried
// without hardware. The bench is attached before anything enumerates the bus.
int main(int argc, char **argv)
{
    return RunDemo(argc, argv);
}
