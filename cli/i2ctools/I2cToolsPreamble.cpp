// SPDX-License-Identifier: MIT
#include "I2cToolsPreamble.h"

#include "CI2cToolsBus.h"
#include "I2cFunctions.h"
#include "I2cToolsText.h"

namespace I2cToolsPreamble {

std::optional<ESize> SizeOfMode(const std::string &mode)
{
    switch (mode.empty() ? '\0' : mode[0]) {
    case 'b':
        return ESize::ByteData;
    case 'w':
        return ESize::WordData;
    case 'c':
        return ESize::Byte;
    case 's':
        return ESize::BlockData;
    case 'i':
        return ESize::I2cBlockData;
    default:
        return std::nullopt;
    }
}

bool ReadOptions(const std::vector<std::string> &argv, SOptions &options, std::FILE *err,
                 const OwnOption &own)
{
    const int argc = int(argv.size());
    const auto arg = [&](int index) -> const std::string & {
        return argv[std::size_t(index)];
    };
    while (1 + options.count < argc && arg(1 + options.count)[0] == '-') {
        const std::string &option = arg(1 + options.count);
        const char letter = option.size() > 1 ? option[1] : '\0';
        switch (letter) {
        case 'V':
            options.version = true;
            break;
        case 'f':
            break;
        case 'y':
            options.yes = true;
            break;
        case 'a':
            options.all = true;
            break;
        default:
            if (!own || !own(letter, options.count)) {
                std::fprintf(err, "Error: Unsupported option \"%s\"!\n", option.c_str());
                return false;
            }
        }
        ++options.count;
    }
    return true;
}

bool ReadBusAndChip(const std::vector<std::string> &argv, int at, bool all, int &busNumber,
                    int &address, std::FILE *err)
{
    busNumber = CI2cToolsBus::Lookup(argv[std::size_t(at)], err);
    if (busNumber < 0)
        return false;
    address = CI2cToolsBus::ParseAddress(argv[std::size_t(at + 1)], all, err);
    return address >= 0;
}

int ReadDataAddress(const std::string &text, std::FILE *err)
{
    const auto parsed = I2cToolsText::ParseLong(text);
    if (!parsed || int(*parsed) < 0 || int(*parsed) > 0xFF) {
        std::fprintf(err, "Error: Data address invalid!\n");
        return -1;
    }
    return int(*parsed);
}

bool Need(std::uint32_t functions, std::uint32_t bit, const char *name, std::FILE *err)
{
    if ((functions & bit) != 0)
        return true;
    std::fprintf(err, "Error: Adapter does not have %s capability\n", name);
    return false;
}

void WarnWithoutPec(std::uint32_t functions, bool pec, std::FILE *err)
{
    if (pec && (functions & (I2cFunctions::SMBUS_PEC | I2cFunctions::I2C)) == 0)
        std::fprintf(err, "Warning: Adapter does not seem to support PEC\n");
}

bool AskToContinue(bool defaultYes, const SI2cToolsIo &io)
{
    std::fprintf(io.err, "Continue? [%s] ", defaultYes ? "Y/n" : "y/N");
    std::fflush(io.err);
    if (I2cToolsText::UserAck(io.in, defaultYes))
        return true;
    std::fprintf(io.err, "Aborting on user request.\n");
    return false;
}

} // namespace I2cToolsPreamble
