// SPDX-License-Identifier: MIT
#pragma once

#include <QCommandLineOption>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct SCliInvocation;
struct SCliPlan;

// The arguments that read, write, get, set and dump share: the slave address, hex bytes and
// the register address.
namespace CliRequestArguments {

// get and set: the width of REG.
QCommandLineOption RegisterWidthOption();

// ADDR at `index` into plan.address, noted among the typed addresses unless `typed` is false
// (a write without a start sends no address byte).
bool ParseAddress(const SCliInvocation &invocation, int index, SCliPlan &plan, QString &error,
                  bool typed = true);
// The BYTE arguments from `from` on; `tool` is the i2c-tools subcommand a mode letter after
// the bytes hints at.
std::optional<std::vector<unsigned char>> ParseBytes(const SCliInvocation &invocation, int from,
                                                     const QString &tool, QString &error);
// REG at `index`, as wide as --reg-width says.
std::optional<std::vector<unsigned char>> ParseRegister(const SCliInvocation &invocation, int index,
                                                        QString &error);

} // namespace CliRequestArguments
