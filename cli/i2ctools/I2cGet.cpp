// SPDX-License-Identifier: MIT
#include "CI2cToolsBus.h"
#include "CSmbus.h"
#include "I2cFunctions.h"
#include "I2cTools.h"
#include "I2cToolsPreamble.h"
#include "I2cToolsText.h"

namespace I2cTools {

namespace {

using namespace I2cToolsPreamble;

constexpr int BLOCK_MAX = int(CSmbus::BLOCK_MAX);

int Help(std::FILE *err)
{
    std::fprintf(err,
                 "Usage: i2cget [-f] [-y] [-a] I2CBUS CHIP-ADDRESS [DATA-ADDRESS [MODE "
                 "[LENGTH]]]\n"
                 "  I2CBUS is an integer or an I2C bus name\n"
                 "  ADDRESS is an integer (0x08 - 0x77, or 0x00 - 0x7f if -a is given)\n"
                 "  MODE is one of:\n"
                 "    b (read byte data, default)\n"
                 "    w (read word data)\n"
                 "    c (write byte/read byte)\n"
                 "    s (read SMBus block data)\n"
                 "    i (read I2C block data)\n"
                 "    Append p for SMBus PEC\n"
                 "  LENGTH is the I2C block data length (between 1 and %d, default %d)\n",
                 BLOCK_MAX, BLOCK_MAX);
    return 1;
}

bool CheckFunctions(std::uint32_t functions, ESize size, int dataAddress, bool pec, std::FILE *err)
{
    using namespace I2cFunctions;
    const auto need = [&](std::uint32_t bit, const char *name) {
        return Need(functions, bit, name, err);
    };
    switch (size) {
    case ESize::Byte:
        if (!need(SMBUS_READ_BYTE, "SMBus receive byte"))
            return false;
        if (dataAddress >= 0 && !need(SMBUS_WRITE_BYTE, "SMBus send byte"))
            return false;
        break;
    case ESize::ByteData:
        if (!need(SMBUS_READ_BYTE_DATA, "SMBus read byte"))
            return false;
        break;
    case ESize::WordData:
        if (!need(SMBUS_READ_WORD_DATA, "SMBus read word"))
            return false;
        break;
    case ESize::BlockData:
        if (!need(SMBUS_READ_BLOCK_DATA, "SMBus block read"))
            return false;
        break;
    case ESize::I2cBlockData:
        if (!need(SMBUS_READ_I2C_BLOCK, "I2C block read"))
            return false;
        break;
    }
    WarnWithoutPec(functions, pec, err);
    return true;
}

bool Confirm(const std::string &fileName, int address, ESize size, int dataAddress, int length,
             bool pec, const SI2cToolsIo &io)
{
    std::FILE *err = io.err;
    bool dont = false;
    std::fprintf(err, "WARNING! This program can confuse your I2C bus, cause data loss and "
                      "worse!\n");
    if (address >= 0x50 && address <= 0x57 && pec) {
        std::fprintf(err, "STOP! EEPROMs are I2C devices, not SMBus devices. Using PEC\non I2C "
                          "devices may result in unexpected results, such as\ntrashing the "
                          "contents of EEPROMs. We can't let you do that, sorry.\n");
        return false;
    }
    if (size == ESize::Byte && dataAddress >= 0 && pec) {
        std::fprintf(err, "WARNING! All I2C chips and some SMBus chips will interpret a write\n"
                          "byte command with PEC as awrite byte data command, effectively "
                          "writing a\nvalue into a register!\n");
        dont = true;
    }
    std::fprintf(err, "I will read from device file %s, chip address 0x%02x, ", fileName.c_str(),
                 address);
    if (dataAddress < 0)
        std::fprintf(err, "current data\naddress");
    else
        std::fprintf(err, "data address\n0x%02x", dataAddress);
    if (size == ESize::I2cBlockData)
        std::fprintf(err, ", %d %s using read I2C block data.\n", length,
                     length > 1 ? "bytes" : "byte");
    else
        std::fprintf(err, ", using %s.\n",
                     size == ESize::Byte ? (dataAddress < 0 ? "read byte" : "write byte/read byte")
                     : size == ESize::ByteData  ? "read byte data"
                     : size == ESize::BlockData ? "read SMBus block data"
                                                : "read word data");
    if (pec)
        std::fprintf(err, "PEC checking enabled.\n");
    return AskToContinue(!dont, io);
}

} // namespace

int Get(const std::vector<std::string> &argv, const SI2cToolsIo &io)
{
    const int argc = int(argv.size());
    const auto arg = [&](int index) -> const std::string & {
        return argv[std::size_t(index)];
    };
    SOptions options;
    if (!ReadOptions(argv, options, io.err))
        return Help(io.err);
    if (options.version) {
        PrintVersion("i2cget", io);
        return 0;
    }
    const int flags = options.count;
    int busNumber = -1;
    int address = -1;
    if (argc < flags + 3 ||
        !ReadBusAndChip(argv, flags + 1, options.all, busNumber, address, io.err))
        return Help(io.err);

    ESize size = ESize::Byte;
    int dataAddress = -1;
    if (argc > flags + 3) {
        size = ESize::ByteData;
        dataAddress = ReadDataAddress(arg(flags + 3), io.err);
        if (dataAddress < 0)
            return Help(io.err);
    }
    bool pec = false;
    if (argc > flags + 4) {
        const std::string &mode = arg(flags + 4);
        const std::optional<ESize> named = SizeOfMode(mode);
        if (!named) {
            std::fprintf(io.err, "Error: Invalid mode!\n");
            return Help(io.err);
        }
        size = *named;
        pec = mode.size() > 1 && mode[1] == 'p';
        if (size == ESize::I2cBlockData && pec) {
            std::fprintf(io.err, "Error: PEC not supported for I2C block data!\n");
            return Help(io.err);
        }
    }
    int length = BLOCK_MAX;
    if (argc > flags + 5) {
        if (size != ESize::I2cBlockData) {
            std::fprintf(io.err, "Error: Length only valid for I2C block data!\n");
            return Help(io.err);
        }
        const auto parsed = I2cToolsText::ParseLong(arg(flags + 5));
        if (!parsed || int(*parsed) < 1 || int(*parsed) > BLOCK_MAX) {
            std::fprintf(io.err, "Error: Length invalid!\n");
            return Help(io.err);
        }
        length = int(*parsed);
    }

    const std::unique_ptr<CI2cToolsBus> bus = CI2cToolsBus::Open(busNumber, io.control, io.err);
    if (!bus || !CheckFunctions(bus->Functions(), size, dataAddress, pec, io.err))
        return 1;
    if (!options.yes && !Confirm(bus->FileName(), address, size, dataAddress, length, pec, io))
        return 0;

    SSmbusRequest request;
    request.address = std::uint8_t(address);
    request.command = std::uint8_t(dataAddress < 0 ? 0 : dataAddress);
    request.pec = pec;
    request.length = std::size_t(length);
    SSmbusResult result;
    switch (size) {
    case ESize::Byte:
        if (dataAddress >= 0) {
            request.operation = ESmbusOperation::SendByte;
            if (!bus->Smbus(request).ok)
                std::fprintf(io.err, "Warning - write failed\n");
        }
        request.operation = ESmbusOperation::ReceiveByte;
        break;
    case ESize::ByteData:
        request.operation = ESmbusOperation::ReadByteData;
        break;
    case ESize::WordData:
        request.operation = ESmbusOperation::ReadWordData;
        break;
    case ESize::BlockData:
        request.operation = ESmbusOperation::ReadBlockData;
        break;
    case ESize::I2cBlockData:
        request.operation = ESmbusOperation::ReadI2cBlock;
        break;
    }
    result = bus->Smbus(request);
    if (!result.ok) {
        std::fprintf(io.err, "Error: Read failed\n");
        return 2;
    }
    if (size == ESize::BlockData || size == ESize::I2cBlockData) {
        for (std::size_t i = 0; i + 1 < result.data.size(); ++i)
            std::fprintf(io.out, "0x%02x ", result.data[i]);
        std::fprintf(io.out, "0x%02x\n", result.data.back());
    } else {
        std::fprintf(io.out, "0x%0*x\n", size == ESize::WordData ? 4 : 2, result.Value());
    }
    return 0;
}

} // namespace I2cTools
