// SPDX-License-Identifier: MIT
#include "CliRequestArguments.h"

#include "CliPlan.h"
#include "CliValues.h"

using namespace Qt::StringLiterals;

namespace CliRequestArguments {

QCommandLineOption RegisterWidthOption()
{
    return {CliOption::REG_WIDTH, u"Width of the register address in bytes, big-endian."_s,
            u"1|2|3|4"_s};
}

bool ParseAddress(const SCliInvocation &invocation, int index, SCliPlan &plan, QString &error,
                  bool typed)
{
    const QString text = invocation.arguments.value(index);
    const auto address = CliValues::ParseAddress(text, plan.global.eightBit, u"ADDR"_s, error);
    if (!address)
        return false;
    plan.address = *address;
    if (typed)
        plan.typedAddresses.emplace_back(*address, text);
    return true;
}

std::optional<std::vector<unsigned char>> ParseBytes(const SCliInvocation &invocation, int from,
                                                     const QString &tool, QString &error)
{
    std::vector<unsigned char> bytes;
    const auto count = invocation.arguments.size();
    for (int i = from; i < count; ++i) {
        const QString text = invocation.arguments.at(i);
        if (i > from && i == count - 1 && CliValues::IsModeLetter(text)) {
            error = CliValues::ModeLetterMessage(u"BYTE"_s, text, tool);
            return std::nullopt;
        }
        const auto part = CliValues::ParseBytes(text, u"BYTE"_s, error);
        if (!part)
            return std::nullopt;
        if (part->empty()) {
            error = u"BYTE %1 holds no byte"_s.arg(CliValues::Quoted(text));
            return std::nullopt;
        }
        bytes.insert(bytes.end(), part->begin(), part->end());
    }
    return bytes;
}

std::optional<std::vector<unsigned char>> ParseRegister(const SCliInvocation &invocation, int index,
                                                        QString &error)
{
    std::optional<int> width;
    if (invocation.values.contains(CliOption::REG_WIDTH)) {
        width = CliValues::ParseChoice(invocation.values.value(CliOption::REG_WIDTH), {1, 2, 3, 4},
                                       u"--reg-width"_s, error);
        if (!width)
            return std::nullopt;
    }
    return CliValues::ParseRegister(invocation.arguments.value(index), width, u"REG"_s, error);
}

} // namespace CliRequestArguments
