// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTools.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What i2cget, i2cset and i2cdump do alike before their transfers: the options in front,
// the bus and chip arguments, the adapter's capability checks and the last question.
namespace I2cToolsPreamble {

// The kernel's transfer sizes, which decide the checks and the texts.
enum class ESize
{
    Byte,
    ByteData,
    WordData,
    BlockData,
    I2cBlockData,
};

// The size a MODE argument names by its first letter (b, w, c, s or i), if any.
std::optional<ESize> SizeOfMode(const std::string &mode);

// The options every one of them knows, and how many arguments the options took.
struct SOptions
{
    int count = 0;
    bool yes = false;
    bool version = false;
    bool all = false;
};

// A program's own option letter; it may take further arguments by raising `count`, and
// answers false for a letter it does not know.
using OwnOption = std::function<bool(char letter, int &count)>;

// Reads the options from argv[1] on as far as they start with '-': false after "Unsupported
// option" was printed for an unknown one.
bool ReadOptions(const std::vector<std::string> &argv, SOptions &options, std::FILE *err,
                 const OwnOption &own = {});

// The bus number and chip address at argv[at] and argv[at + 1]; false after the error was
// printed, the arguments are known to be there.
bool ReadBusAndChip(const std::vector<std::string> &argv, int at, bool all, int &busNumber,
                    int &address, std::FILE *err);

// A data address 0x00-0xff, or -1 after "Data address invalid" was printed.
int ReadDataAddress(const std::string &text, std::FILE *err);

// True when the adapter has that capability, else the "does not have" error is printed.
bool Need(std::uint32_t functions, std::uint32_t bit, const char *name, std::FILE *err);
// The warning for a PEC asked of an adapter that does not seem to compute it.
void WarnWithoutPec(std::uint32_t functions, bool pec, std::FILE *err);

// "Continue?" with the default answer in capitals; false after "Aborting on user request."
bool AskToContinue(bool defaultYes, const SI2cToolsIo &io);

} // namespace I2cToolsPreamble
