// SPDX-License-Identifier: MIT
#include "EepromParts.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <regex>

namespace EepromParts {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t KIB = 1024;
constexpr std::uint8_t FIRST_BASE = 0x50;
constexpr std::uint8_t LAST_BASE = 0x57;
// The device address has three bits for chip select and block bits together.
constexpr int DEVICE_ADDRESS_BITS = 3;

SEepromPart Preset(const char *name, std::size_t size, std::size_t page, int addressBytes,
                   int blockBits, int blockShift, std::chrono::microseconds writeCycle)
{
    return {name, size, page, addressBytes, blockBits, blockShift, writeCycle};
}

std::vector<SEepromPart> MakeAll()
{
    // Sizes, pages and the longest write cycle as the common makers' datasheets give them.
    return {
        Preset("24x00", 16, 1, 1, 0, 0, 4ms),
        Preset("24x01", 128, 8, 1, 0, 0, 5ms),
        Preset("24x02", 256, 8, 1, 0, 0, 5ms),
        Preset("24x04", 512, 16, 1, 1, 0, 5ms),
        Preset("24x08", 1 * KIB, 16, 1, 2, 0, 5ms),
        Preset("24x16", 2 * KIB, 16, 1, 3, 0, 5ms),
        Preset("24x32", 4 * KIB, 32, 2, 0, 0, 5ms),
        Preset("24x64", 8 * KIB, 32, 2, 0, 0, 5ms),
        Preset("24x128", 16 * KIB, 64, 2, 0, 0, 5ms),
        Preset("24x256", 32 * KIB, 64, 2, 0, 0, 5ms),
        Preset("24x512", 64 * KIB, 128, 2, 0, 0, 5ms),
        Preset("24x1025", 128 * KIB, 128, 2, 1, 2, 5ms),
        Preset("24x1026", 128 * KIB, 128, 2, 1, 0, 5ms),
        Preset("24xM01", 128 * KIB, 256, 2, 1, 0, 5ms),
        Preset("24xM02", 256 * KIB, 256, 2, 2, 0, 10ms),
    };
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

int BlockBitsFor(std::size_t size, std::size_t blockSize)
{
    int bits = 0;
    while ((blockSize << bits) < size)
        ++bits;
    return bits;
}

} // namespace

const std::vector<SEepromPart> &All()
{
    static const std::vector<SEepromPart> parts = MakeAll();
    return parts;
}

std::optional<SEepromPart> Find(std::string_view name)
{
    // As printed on the chip: a maker's prefix, "24", the family letters, the size code, a
    // revision letter, and after a dash or slash the package and temperature codes, which
    // leave the geometry as it is. Other letters after the size may mean another chip (a
    // part with a factory-programmed, write-protected half), so they are not dropped.
    static const std::regex pattern(
        "^(at|m|cat|br|s|ft|bl|gt|ht|k|p|hx)?24(xx|x|c|lc|aa|fc|cs|cw|g|l|t)?"
        "(00|01|02|04|08|16|32|64|128|256|512|1024|1025|1026|m01|m02)([a-e])?([-/].*)?$");
    std::string lower = Lower(name);
    lower.erase(0, lower.find_first_not_of(" \t"));
    lower.erase(lower.find_last_not_of(" \t") + 1);
    std::smatch match;
    if (!std::regex_match(lower, match, pattern))
        return std::nullopt;
    std::string code = match[3].str();
    // The 1024 kinds select their upper half with the lowest device address bit and write
    // 256-byte pages.
    if (code == "1024")
        code = "m01";
    for (const SEepromPart &part : All()) {
        if (Lower(part.name) == "24x" + code)
            return part;
    }
    return std::nullopt;
}

SEepromPart Custom(std::size_t size, std::size_t pageSize, int addressBytes)
{
    SEepromPart part;
    part.size = size;
    part.pageSize = pageSize;
    part.addressBytes = addressBytes;
    if (addressBytes == 1 || addressBytes == 2)
        part.blockBits = BlockBitsFor(size, part.BlockSize());
    return part;
}

std::string CheckGeometry(const SEepromPart &part)
{
    if (part.size == 0)
        return "the size is 0";
    if (part.pageSize == 0 || !std::has_single_bit(part.pageSize))
        return "the page size " + std::to_string(part.pageSize) + " is not a power of two";
    if (part.pageSize > part.size) {
        return "the page size " + std::to_string(part.pageSize) + " is larger than the part (" +
               std::to_string(part.size) + " bytes)";
    }
    if (part.size % part.pageSize != 0) {
        return "the size " + std::to_string(part.size) + " is not a multiple of the page size " +
               std::to_string(part.pageSize);
    }
    if (part.addressBytes != 1 && part.addressBytes != 2)
        return "the number of address bytes is not 1 or 2";
    const std::size_t reach = part.BlockSize() << DEVICE_ADDRESS_BITS;
    if (part.size > reach || part.blockBits > DEVICE_ADDRESS_BITS ||
        (part.BlockSize() << part.blockBits) < part.size) {
        return "the size " + std::to_string(part.size) + " is more than " +
               std::to_string(part.addressBytes) + " address byte" +
               (part.addressBytes == 1 ? "" : "s") + " and the device address reach (" +
               std::to_string(reach) + " bytes)";
    }
    if (part.size > part.BlockSize() && part.size % part.BlockSize() != 0) {
        return "the size " + std::to_string(part.size) + " is not a whole number of " +
               std::to_string(part.BlockSize()) + "-byte blocks";
    }
    return {};
}

std::vector<std::uint8_t> BaseAddresses(const SEepromPart &part)
{
    std::vector<std::uint8_t> bases;
    for (unsigned address = FIRST_BASE; address <= LAST_BASE; ++address) {
        if (IsBaseAddress(part, static_cast<std::uint8_t>(address)))
            bases.push_back(static_cast<std::uint8_t>(address));
    }
    return bases;
}

bool IsBaseAddress(const SEepromPart &part, std::uint8_t base)
{
    return base <= 0x7F && (base & part.BlockMask()) == 0;
}

} // namespace EepromParts
