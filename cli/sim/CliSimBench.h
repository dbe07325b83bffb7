// SPDX-License-Identifier: MIT
#pragma once

#include "CSimPresetBench.h"

#include <QString>

// The simulated adapters of vtl-i2c-cli-sim, chosen from outside the process so that tests
// and benchmarks reach every state:
//   VTL_CLI_SIM_BENCH=preset (or unset)  the preset bench: adapters A, B and C
//                     single             adapter A of the preset bench alone
//                     empty              no adapter
//                     denied             adapter A alone, which the system refuses to open
//   VTL_CLI_SIM_LATENCY=none  replies at once and no bus time, for measuring the program's
//                     own cost
//   VTL_CLI_SIM_STATE=FOLDER  the EEPROMs' contents are loaded from files in FOLDER before
//                     the command and saved there after it, so that one run reads back
//                     what an earlier one wrote (each run starts a new simulator).
// Every bench has 1 ms USB frames, bus time at the configured speed and the 32 KiB EEPROM
// at 0x51 on adapter A.
class CCliSimBench
{
public:
    static constexpr const char *BENCH_VARIABLE = "VTL_CLI_SIM_BENCH";
    static constexpr const char *STATE_VARIABLE = "VTL_CLI_SIM_STATE";
    static constexpr const char *LATENCY_VARIABLE = "VTL_CLI_SIM_LATENCY";

    // False for an unknown bench or an unreadable state, with the message in `error`.
    bool Attach(QString &error);
    // Writes the EEPROMs' contents back when a state folder is set; false when it cannot.
    bool Save(QString &error) const;

    // The attached adapters and their slaves, for a stand-in that serves the same bench.
    const SSimPresetBench &Bench() const { return m_bench; }

    // The --help epilog that documents the variables.
    static QString HelpEpilog();

private:
    SSimPresetBench m_bench;
    QString m_stateFolder;
};
