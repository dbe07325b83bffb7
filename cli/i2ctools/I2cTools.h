// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CTransactionControl;

// Where a program of the i2c-tools family reads and writes, and the control that a
// Ctrl+C cancels.
struct SI2cToolsIo
{
    std::FILE *out = stdout;
    std::FILE *err = stderr;
    std::FILE *in = stdin;
    const CTransactionControl *control = nullptr;
};

// i2cdetect, i2cget, i2cset, i2cdump and i2ctransfer with the arguments, texts and exit
// statuses of i2c-tools 4.3. Each takes its arguments as its own main() would, the
// program's name first.
namespace I2cTools {

bool IsTool(const std::string &name);
// The program of that name; 2 for an unknown one.
int Run(const std::vector<std::string> &arguments, const SI2cToolsIo &io);

int Detect(const std::vector<std::string> &argv, const SI2cToolsIo &io);
int Get(const std::vector<std::string> &argv, const SI2cToolsIo &io);
int Set(const std::vector<std::string> &argv, const SI2cToolsIo &io);
int Dump(const std::vector<std::string> &argv, const SI2cToolsIo &io);
int Transfer(const std::vector<std::string> &argv, const SI2cToolsIo &io);

// "<program> version <version>" on stderr, as -V prints it.
void PrintVersion(const std::string &program, const SI2cToolsIo &io);

} // namespace I2cTools
