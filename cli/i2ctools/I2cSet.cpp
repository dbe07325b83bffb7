// SPDX-License-Identifier: MIT
#include "CI2cToolsBus.h"
#include "CSmbus.h"
#include "I2cFunctions.h"
#include "I2cTools.h"
#include "I2cToolsPreamble.h"
#include "I2cToolsText.h"

#include <cstring>

namespace I2cTools {

namespace {

using namespace I2cToolsPreamble;

int Help(std::FILE *err)
{
    std::fprintf(err, "Usage: i2cset [-f] [-y] [-m MASK] [-r] [-a] I2CBUS CHIP-ADDRESS "
                      "DATA-ADDRESS [VALUE] ... [MODE]\n"
                      "  I2CBUS is an integer or an I2C bus name\n"
                      "  ADDRESS is an integer (0x08 - 0x77, or 0x00 - 0x7f if -a is given)\n"
                      "  MODE is one of:\n"
                      "    c (byte, no value)\n"
                      "    b (byte data, default)\n"
                      "    w (word data)\n"
                      "    i (I2C block data)\n"
                      "    s (SMBus block data)\n"
                      "    Append p for SMBus PEC\n");
    return 1;
}

bool CheckFunctions(std::uint32_t functions, ESize size, bool pec, std::FILE *err)
{
    using namespace I2cFunctions;
    std::uint32_t bit = 0;
    const char *name = "";
    switch (size) {
    case ESize::Byte:
        bit = SMBUS_WRITE_BYTE;
        name = "SMBus send byte";
        break;
    case ESize::ByteData:
        bit = SMBUS_WRITE_BYTE_DATA;
        name = "SMBus write byte";
        break;
    case ESize::WordData:
        bit = SMBUS_WRITE_WORD_DATA;
        name = "SMBus write word";
        break;
    case ESize::BlockData:
        bit = SMBUS_WRITE_BLOCK_DATA;
        name = "SMBus block write";
        break;
    case ESize::I2cBlockData:
        bit = SMBUS_WRITE_I2C_BLOCK;
        name = "I2C block write";
        break;
    }
    if (!Need(functions, bit, name, err))
        return false;
    WarnWithoutPec(functions, pec, err);
    return true;
}

int Width(ESize size)
{
    return size == ESize::WordData ? 4 : 2;
}

bool Confirm(const std::string &fileName, int address, ESize size, int dataAddress, int value,
             int mask, const std::vector<unsigned char> &block, bool pec, const SI2cToolsIo &io)
{
    std::FILE *err = io.err;
    bool dont = false;
    std::fprintf(err, "WARNING! This program can confuse your I2C bus, cause data loss and "
                      "worse!\n");
    if (address >= 0x50 && address <= 0x57) {
        std::fprintf(err, "DANGEROUS! Writing to a serial EEPROM on a memory DIMM\nmay render "
                          "your memory USELESS and make your system UNBOOTABLE!\n");
        dont = true;
    }
    std::fprintf(err, "I will write to device file %s, chip address 0x%02x,\n", fileName.c_str(),
                 address);
    if (size != ESize::Byte)
        std::fprintf(err, "data address 0x%02x, ", dataAddress);
    if (size == ESize::BlockData || size == ESize::I2cBlockData) {
        std::fprintf(err, "data");
        for (const unsigned char byte : block)
            std::fprintf(err, " 0x%02x", byte);
        std::fprintf(err, ", mode %s.\n", size == ESize::BlockData ? "smbus block" : "i2c block");
    } else {
        std::fprintf(err, "data 0x%02x%s, mode %s.\n", value, mask != 0 ? " (masked)" : "",
                     size == ESize::WordData ? "word" : "byte");
    }
    if (pec)
        std::fprintf(err, "PEC checking enabled.\n");
    return AskToContinue(!dont, io);
}

SSmbusResult Read(CI2cToolsBus &bus, ESize size, int address, int dataAddress)
{
    SSmbusRequest request;
    request.address = std::uint8_t(address);
    request.command = std::uint8_t(dataAddress);
    request.operation = size == ESize::Byte       ? ESmbusOperation::ReceiveByte
                        : size == ESize::WordData ? ESmbusOperation::ReadWordData
                                                  : ESmbusOperation::ReadByteData;
    return bus.Smbus(request);
}

} // namespace

int Set(const std::vector<std::string> &argv, const SI2cToolsIo &io)
{
    const int argc = int(argv.size());
    const auto arg = [&](int index) -> const std::string & {
        return argv[std::size_t(index)];
    };
    const std::string *maskText = nullptr;
    bool readback = false;
    SOptions options;
    const auto own = [&](char letter, int &count) {
        switch (letter) {
        case 'm':
            if (2 + count < argc)
                maskText = &arg(2 + count);
            ++count;
            return true;
        case 'r':
            readback = true;
            return true;
        default:
            return false;
        }
    };
    if (!ReadOptions(argv, options, io.err, own))
        return Help(io.err);
    if (options.version) {
        PrintVersion("i2cset", io);
        return 0;
    }
    const int flags = options.count;
    const bool yes = options.yes;
    int busNumber = -1;
    int address = -1;
    if (argc < flags + 4 ||
        !ReadBusAndChip(argv, flags + 1, options.all, busNumber, address, io.err))
        return Help(io.err);
    const int dataAddress = ReadDataAddress(arg(flags + 3), io.err);
    if (dataAddress < 0)
        return Help(io.err);

    ESize size = ESize::Byte;
    bool pec = false;
    if (argc == flags + 4) {
        size = ESize::Byte;
    } else if (argc == flags + 5) {
        const std::string &last = arg(flags + 4);
        if (last == "c" || last == "cp") {
            size = ESize::Byte;
            pec = last.size() > 1;
        } else {
            size = ESize::ByteData;
        }
    } else {
        const std::string &mode = arg(argc - 1);
        if (mode.size() > 2 || (mode.size() == 2 && mode[1] != 'p')) {
            std::fprintf(io.err, "Error: Invalid mode '%s'!\n", mode.c_str());
            return Help(io.err);
        }
        // A byte without a value was told by its argument count above.
        const std::optional<ESize> named = SizeOfMode(mode);
        if (!named || *named == ESize::Byte) {
            std::fprintf(io.err, "Error: Invalid mode '%s'!\n", mode.c_str());
            return Help(io.err);
        }
        size = *named;
        pec = mode.size() > 1 && mode[1] == 'p';
        if (size == ESize::BlockData || size == ESize::I2cBlockData) {
            if (pec && size == ESize::I2cBlockData) {
                std::fprintf(io.err, "Error: PEC not supported for I2C block writes!\n");
                return Help(io.err);
            }
            if (maskText != nullptr) {
                std::fprintf(io.err, "Error: Mask not supported for block writes!\n");
                return Help(io.err);
            }
            if (argc > int(CSmbus::BLOCK_MAX) + flags + 5) {
                std::fprintf(io.err, "Error: Too many arguments!\n");
                return Help(io.err);
            }
        } else if (argc != flags + 6) {
            std::fprintf(io.err, "Error: Too many arguments!\n");
            return Help(io.err);
        }
    }

    int value = -1;
    std::vector<unsigned char> block;
    switch (size) {
    case ESize::Byte:
        value = dataAddress;
        break;
    case ESize::ByteData:
    case ESize::WordData: {
        const auto parsed = I2cToolsText::ParseLong(arg(flags + 4));
        if (!parsed || int(*parsed) < 0) {
            std::fprintf(io.err, "Error: Data value invalid!\n");
            return Help(io.err);
        }
        value = int(*parsed);
        if ((size == ESize::ByteData && value > 0xFF) || value > 0xFFFF) {
            std::fprintf(io.err, "Error: Data value out of range!\n");
            return Help(io.err);
        }
        break;
    }
    case ESize::BlockData:
    case ESize::I2cBlockData:
        for (int i = 0; i + flags + 5 < argc; ++i) {
            const auto parsed = I2cToolsText::ParseLong(arg(flags + i + 4));
            if (!parsed || int(*parsed) < 0) {
                std::fprintf(io.err, "Error: Data value invalid!\n");
                return Help(io.err);
            }
            if (int(*parsed) > 0xFF) {
                std::fprintf(io.err, "Error: Data value out of range!\n");
                return Help(io.err);
            }
            block.push_back(static_cast<unsigned char>(*parsed));
        }
        break;
    }
    int mask = 0;
    if (maskText != nullptr) {
        const auto parsed = I2cToolsText::ParseLong(*maskText);
        if (!parsed || int(*parsed) == 0) {
            std::fprintf(io.err, "Error: Data value mask invalid!\n");
            return Help(io.err);
        }
        mask = int(*parsed);
        if (((size == ESize::Byte || size == ESize::ByteData) && mask > 0xFF) || mask > 0xFFFF) {
            std::fprintf(io.err, "Error: Data value mask out of range!\n");
            return Help(io.err);
        }
    }

    const std::unique_ptr<CI2cToolsBus> bus = CI2cToolsBus::Open(busNumber, io.control, io.err);
    if (!bus || !CheckFunctions(bus->Functions(), size, pec, io.err))
        return 1;
    if (!yes && !Confirm(bus->FileName(), address, size, dataAddress, value, mask, block, pec, io))
        return 0;

    if (mask != 0) {
        const SSmbusResult old = Read(*bus, size, address, dataAddress);
        if (!old.ok) {
            std::fprintf(io.err, "Error: Failed to read old value\n");
            return 1;
        }
        const int oldValue = int(old.Value());
        value = (value & mask) | (oldValue & ~mask);
        if (!yes) {
            const int width = Width(size);
            std::fprintf(io.err, "Old value 0x%0*x, write mask 0x%0*x, will write 0x%0*x\n", width,
                         oldValue, width, mask, width, value);
            if (!AskToContinue(true, io))
                return 0;
        }
    }

    SSmbusRequest request;
    request.address = std::uint8_t(address);
    request.command = std::uint8_t(dataAddress);
    request.pec = pec;
    switch (size) {
    case ESize::Byte:
        request.operation = ESmbusOperation::SendByte;
        request.command = std::uint8_t(value);
        break;
    case ESize::ByteData:
        request.operation = ESmbusOperation::WriteByteData;
        request.data = {std::uint8_t(value)};
        break;
    case ESize::WordData:
        request.operation = ESmbusOperation::WriteWordData;
        request.data = {std::uint8_t(value & 0xFF), std::uint8_t(value >> 8)};
        break;
    case ESize::BlockData:
        request.operation = ESmbusOperation::WriteBlockData;
        request.data = block;
        break;
    case ESize::I2cBlockData:
        request.operation = ESmbusOperation::WriteI2cBlock;
        request.data = block;
        break;
    }
    if (!bus->Smbus(request).ok) {
        std::fprintf(io.err, "Error: Write failed\n");
        return 1;
    }
    if (!readback)
        return 0;
    const SSmbusResult check = Read(*bus, size, address, dataAddress);
    const int width = Width(size);
    if (!check.ok)
        std::fprintf(io.out, "Warning - readback failed\n");
    else if (int(check.Value()) != value)
        std::fprintf(io.out, "Warning - data mismatch - wrote 0x%0*x, read back 0x%0*x\n", width,
                     value, width, int(check.Value()));
    else
        std::fprintf(io.out, "Value 0x%0*x written, readback matched\n", width, value);
    return 0;
}

} // namespace I2cTools
