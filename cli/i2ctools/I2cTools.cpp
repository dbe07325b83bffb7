// SPDX-License-Identifier: MIT
#include "I2cTools.h"

#include "VtlVersion.h"

#include <utility>

namespace I2cTools {

namespace {

using Program = int (*)(const std::vector<std::string> &, const SI2cToolsIo &);

constexpr std::pair<const char *, Program> PROGRAMS[] = {
    {"i2cdetect", Detect}, {"i2cget", Get},           {"i2cset", Set},
    {"i2cdump", Dump},     {"i2ctransfer", Transfer},
};

} // namespace

bool IsTool(const std::string &name)
{
    for (const auto &[toolName, program] : PROGRAMS) {
        if (name == toolName)
            return true;
    }
    return false;
}

int Run(const std::vector<std::string> &arguments, const SI2cToolsIo &io)
{
    for (const auto &[toolName, program] : PROGRAMS) {
        if (!arguments.empty() && arguments.front() == toolName)
            return program(arguments, io);
    }
    return 2;
}

void PrintVersion(const std::string &program, const SI2cToolsIo &io)
{
    std::fprintf(io.err, "%s version %s\n", program.c_str(), VTL_APP_VERSION);
}

} // namespace I2cTools
