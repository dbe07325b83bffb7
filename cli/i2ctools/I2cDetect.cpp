// SPDX-License-Identifier: MIT
#include "CI2cToolsBus.h"
#include "I2cFacts.h"
#include "I2cFunctions.h"
#include "I2cTools.h"
#include "I2cToolsText.h"

#include <cstdlib>

namespace I2cTools {

namespace {

enum class EMode
{
    Auto,
    Quick,
    Read,
    Functions,
};

struct SFunctionName
{
    std::uint32_t value;
    const char *name;
};

constexpr SFunctionName FUNCTION_NAMES[] = {
    {I2cFunctions::I2C, "I2C"},
    {I2cFunctions::SMBUS_QUICK, "SMBus Quick Command"},
    {I2cFunctions::SMBUS_WRITE_BYTE, "SMBus Send Byte"},
    {I2cFunctions::SMBUS_READ_BYTE, "SMBus Receive Byte"},
    {I2cFunctions::SMBUS_WRITE_BYTE_DATA, "SMBus Write Byte"},
    {I2cFunctions::SMBUS_READ_BYTE_DATA, "SMBus Read Byte"},
    {I2cFunctions::SMBUS_WRITE_WORD_DATA, "SMBus Write Word"},
    {I2cFunctions::SMBUS_READ_WORD_DATA, "SMBus Read Word"},
    {I2cFunctions::SMBUS_PROC_CALL, "SMBus Process Call"},
    {I2cFunctions::SMBUS_WRITE_BLOCK_DATA, "SMBus Block Write"},
    {I2cFunctions::SMBUS_READ_BLOCK_DATA, "SMBus Block Read"},
    {I2cFunctions::SMBUS_BLOCK_PROC_CALL, "SMBus Block Process Call"},
    {I2cFunctions::SMBUS_PEC, "SMBus PEC"},
    {I2cFunctions::SMBUS_WRITE_I2C_BLOCK, "I2C Block Write"},
    {I2cFunctions::SMBUS_READ_I2C_BLOCK, "I2C Block Read"},
};

void Help(std::FILE *err)
{
    std::fprintf(err, "Usage: i2cdetect [-y] [-a] [-q|-r] I2CBUS [FIRST LAST]\n"
                      "       i2cdetect -F I2CBUS\n"
                      "       i2cdetect -l\n"
                      "  I2CBUS is an integer or an I2C bus name\n"
                      "  If provided, FIRST and LAST limit the probing range.\n");
}

void PrintBuses(std::FILE *out)
{
    const std::vector<SVtlDeviceEntry> adapters = CI2cToolsBus::Adapters();
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        std::fprintf(out, "i2c-%zu\t%-10s\t%-32s\t%s\n", i, "i2c",
                     CI2cToolsBus::Name(adapters[i]).c_str(), "I2C adapter");
    }
}

bool UsesReceiveByte(int address)
{
    return (address >= 0x30 && address <= 0x37) || (address >= 0x50 && address <= 0x5F);
}

// The grid; 1 when the adapter stopped answering, which ends the scan at once instead of
// waiting out every further address.
int Scan(CI2cToolsBus &bus, EMode mode, int first, int last, const SI2cToolsIo &io)
{
    const std::uint32_t functions = bus.Functions();
    std::fprintf(io.out, "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n");
    for (int row = 0; row < 128; row += 16) {
        std::fprintf(io.out, "%02x: ", row);
        for (int column = 0; column < 16; ++column) {
            std::fflush(io.out);
            const int address = row + column;
            EMode command = mode;
            if (mode == EMode::Auto)
                command = UsesReceiveByte(address) ? EMode::Read : EMode::Quick;
            const bool missing =
                (command == EMode::Read && (functions & I2cFunctions::SMBUS_READ_BYTE) == 0) ||
                (command == EMode::Quick && (functions & I2cFunctions::SMBUS_QUICK) == 0);
            if (address < first || address > last || missing) {
                std::fprintf(io.out, "   ");
                continue;
            }
            SSmbusRequest probe;
            probe.operation =
                command == EMode::Read ? ESmbusOperation::ReceiveByte : ESmbusOperation::Quick;
            probe.address = std::uint8_t(address);
            const SSmbusResult result = bus.Smbus(probe);
            if (result.fault == ESmbusFault::Timeout || result.fault == ESmbusFault::Cancelled) {
                std::fprintf(io.out, "\n");
                std::fprintf(io.err, "Error: Adapter stopped answering at address 0x%02x: %s\n",
                             address, result.error.c_str());
                return 1;
            }
            if (result.ok)
                std::fprintf(io.out, "%02x ", address);
            else
                std::fprintf(io.out, "-- ");
        }
        std::fprintf(io.out, "\n");
    }
    return 0;
}

bool ParseLimit(const std::string &text, const char *name, int min, int max, int &value,
                std::FILE *err)
{
    char *end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0') {
        std::fprintf(err, "Error: %s argment not a number!\n", name);
        Help(err);
        return false;
    }
    if (parsed < min || parsed > max) {
        std::fprintf(err, "Error: %s argument out of range (0x%02x-0x%02x)!\n", name, min, max);
        Help(err);
        return false;
    }
    value = int(parsed);
    return true;
}

} // namespace

int Detect(const std::vector<std::string> &argv, const SI2cToolsIo &io)
{
    const int argc = int(argv.size());
    EMode mode = EMode::Auto;
    int first = I2cFacts::FIRST_REGULAR_ADDRESS;
    int last = I2cFacts::LAST_REGULAR_ADDRESS;
    int flags = 0;
    bool yes = false;
    bool version = false;
    bool list = false;
    while (1 + flags < argc && argv[std::size_t(1 + flags)][0] == '-') {
        const std::string &option = argv[std::size_t(1 + flags)];
        switch (option.size() > 1 ? option[1] : '\0') {
        case 'V':
            version = true;
            break;
        case 'y':
            yes = true;
            break;
        case 'l':
            list = true;
            break;
        case 'F':
            if (mode != EMode::Auto && mode != EMode::Functions) {
                std::fprintf(io.err, "Error: Different modes specified!\n");
                return 1;
            }
            mode = EMode::Functions;
            break;
        case 'r':
            if (mode == EMode::Quick) {
                std::fprintf(io.err, "Error: Different modes specified!\n");
                return 1;
            }
            mode = EMode::Read;
            break;
        case 'q':
            if (mode == EMode::Read) {
                std::fprintf(io.err, "Error: Different modes specified!\n");
                return 1;
            }
            mode = EMode::Quick;
            break;
        case 'a':
            first = 0x00;
            last = 0x7F;
            break;
        default:
            std::fprintf(io.err, "Error: Unsupported option \"%s\"!\n", option.c_str());
            Help(io.err);
            return 1;
        }
        ++flags;
    }
    if (version) {
        PrintVersion("i2cdetect", io);
        return 0;
    }
    if (list) {
        PrintBuses(io.out);
        return 0;
    }
    if (argc < flags + 2) {
        std::fprintf(io.err, "Error: No i2c-bus specified!\n");
        Help(io.err);
        return 1;
    }
    const int busNumber = CI2cToolsBus::Lookup(argv[std::size_t(flags + 1)], io.err);
    if (busNumber < 0) {
        Help(io.err);
        return 1;
    }
    if (argc == flags + 4 && mode != EMode::Functions) {
        if (!ParseLimit(argv[std::size_t(flags + 2)], "FIRST", first, last, first, io.err))
            return 1;
        if (!ParseLimit(argv[std::size_t(flags + 3)], "LAST", first, last, last, io.err))
            return 1;
    } else if (argc != flags + 2) {
        Help(io.err);
        return 1;
    }

    const std::unique_ptr<CI2cToolsBus> bus = CI2cToolsBus::Open(busNumber, io.control, io.err);
    if (!bus)
        return 1;
    const std::uint32_t functions = bus->Functions();
    if (mode == EMode::Functions) {
        std::fprintf(io.out, "Functionalities implemented by %s:\n", bus->FileName().c_str());
        for (const SFunctionName &function : FUNCTION_NAMES)
            std::fprintf(io.out, "%-32s %s\n", function.name,
                         (functions & function.value) != 0 ? "yes" : "no");
        return 0;
    }
    const bool quick = (functions & I2cFunctions::SMBUS_QUICK) != 0;
    const bool receive = (functions & I2cFunctions::SMBUS_READ_BYTE) != 0;
    if (!quick && !receive) {
        std::fprintf(io.err, "Error: Bus doesn't support detection commands\n");
        return 1;
    }
    if (mode == EMode::Quick && !quick) {
        std::fprintf(io.err, "Error: Can't use SMBus Quick Write command on this bus\n");
        return 1;
    }
    if (mode == EMode::Read && !receive) {
        std::fprintf(io.err, "Error: Can't use SMBus Receive Byte command on this bus\n");
        return 1;
    }
    if (mode == EMode::Auto) {
        if (!quick)
            std::fprintf(io.err, "Warning: Can't use SMBus Quick Write command, will skip some "
                                 "addresses\n");
        if (!receive)
            std::fprintf(io.err, "Warning: Can't use SMBus Receive Byte command, will skip some "
                                 "addresses\n");
    }
    if (!yes) {
        std::fprintf(
            io.err, "WARNING! This program can confuse your I2C bus, cause data loss and worse!\n");
        std::fprintf(io.err, "I will probe file %s%s.\n", bus->FileName().c_str(),
                     mode == EMode::Quick  ? " using quick write commands"
                     : mode == EMode::Read ? " using receive byte commands"
                                           : "");
        std::fprintf(io.err, "I will probe address range 0x%02x-0x%02x.\n", first, last);
        std::fprintf(io.err, "Continue? [Y/n] ");
        std::fflush(io.err);
        char answer[2];
        if (std::fgets(answer, sizeof answer, io.in) == nullptr ||
            (answer[0] != '\n' && answer[0] != 'y' && answer[0] != 'Y')) {
            std::fprintf(io.err, "Aborting on user request.\n");
            return 0;
        }
    }
    return bus->RunAsOneJob([&] { return Scan(*bus, mode, first, last, io); });
}

} // namespace I2cTools
