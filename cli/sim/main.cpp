// SPDX-License-Identifier: MIT
#include "CliInterrupt.h"
#include "CliMain.h"
#include "CliSimBench.h"

#include <cstdio>

// vtl-i2c-cli-sim: the command-line program on simulated adapters, for trying it out and
// for the tests. The bench is attached before anything enumerates the bus.
int main(int argc, char **argv)
{
    CCliSimBench bench;
    QString error;
    if (!bench.Attach(error)) {
        std::fprintf(stderr, "vtl-i2c-cli-sim: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    const int status = CliMain(argc, argv, {CCliSimBench::HelpEpilog()});
    const bool saved = bench.Save(error);
    if (!saved)
        std::fprintf(stderr, "vtl-i2c-cli-sim: %s\n", error.toLocal8Bit().constData());
    // Interrupted, it ends by the signal only once the simulated EEPROMs are saved.
    CliInterrupt::DieIfInterrupted();
    return saved || status != 0 ? status : 2;
}
