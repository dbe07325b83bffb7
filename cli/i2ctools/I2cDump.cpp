// SPDX-License-Identifier: MIT
#include "CI2cToolsBus.h"
#include "CSmbus.h"
#include "I2cFunctions.h"
#include "I2cTools.h"
#include "I2cToolsPreamble.h"
#include "I2cToolsText.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace I2cTools {

namespace {

using namespace I2cToolsPreamble;

constexpr int DEFAULT_BANK_REGISTER = 0x4E;

void Help(std::FILE *err)
{
    std::fprintf(err, "Usage: i2cdump [-f] [-y] [-r first-last] [-a] I2CBUS ADDRESS [MODE [BANK "
                      "[BANKREG]]]\n"
                      "  I2CBUS is an integer or an I2C bus name\n"
                      "  ADDRESS is an integer (0x08 - 0x77, or 0x00 - 0x7f if -a is given)\n"
                      "  MODE is one of:\n"
                      "    b (byte, default)\n"
                      "    w (word)\n"
                      "    W (word on even register addresses)\n"
                      "    s (SMBus block, deprecated)\n"
                      "    i (I2C block)\n"
                      "    c (consecutive byte)\n"
                      "    Append p for SMBus PEC\n");
}

int HelpFailure(std::FILE *err)
{
    Help(err);
    return 1;
}

bool CheckFunctions(std::uint32_t functions, ESize size, bool pec, std::FILE *err)
{
    using namespace I2cFunctions;
    const auto need = [&](std::uint32_t bit, const char *name) {
        return Need(functions, bit, name, err);
    };
    bool ok = true;
    switch (size) {
    case ESize::Byte:
        ok = need(SMBUS_READ_BYTE, "SMBus receive byte") &&
             need(SMBUS_WRITE_BYTE, "SMBus send byte");
        break;
    case ESize::ByteData:
        ok = need(SMBUS_READ_BYTE_DATA, "SMBus read byte");
        break;
    case ESize::WordData:
        ok = need(SMBUS_READ_WORD_DATA, "SMBus read word");
        break;
    case ESize::BlockData:
        ok = need(SMBUS_READ_BLOCK_DATA, "SMBus block read");
        break;
    case ESize::I2cBlockData:
        ok = need(SMBUS_READ_I2C_BLOCK, "I2C block read");
        break;
    }
    if (ok)
        WarnWithoutPec(functions, pec, err);
    return ok;
}

// The kernel's return value of an SMBus call: the byte, the word, the length, or -errno.
class CDumper
{
public:
    CDumper(CI2cToolsBus &bus, int address, bool pec)
        : m_bus(bus)
        , m_address(address)
        , m_pec(pec)
    {}

    int Call(ESmbusOperation operation, int command, std::vector<unsigned char> data = {},
             unsigned char *block = nullptr, std::size_t length = 32)
    {
        SSmbusRequest request;
        request.operation = operation;
        request.address = std::uint8_t(m_address);
        request.command = std::uint8_t(command);
        request.data = std::move(data);
        request.length = length;
        request.pec = m_pec && operation != ESmbusOperation::ReadI2cBlock;
        const SSmbusResult result = m_bus.Smbus(request);
        if (result.fault == ESmbusFault::Cancelled)
            m_cancelled = true;
        if (!result.ok)
            return -I2cToolsText::ErrnoOf(result);
        if (block != nullptr) {
            std::memcpy(block, result.data.data(), result.data.size());
            return int(result.data.size());
        }
        return operation == ESmbusOperation::SendByte || operation == ESmbusOperation::WriteByteData
                   ? 0
                   : int(result.Value());
    }

    bool IsCancelled() const { return m_cancelled; }

private:
    CI2cToolsBus &m_bus;
    int m_address;
    bool m_pec;
    bool m_cancelled = false;
};

void PrintWordRows(CDumper &dumper, int first, int last, std::FILE *out)
{
    std::fprintf(out, "     0,8  1,9  2,a  3,b  4,c  5,d  6,e  7,f\n");
    for (int i = 0; i < 256; i += 8) {
        if (i / 8 < first / 8)
            continue;
        if (i / 8 > last / 8)
            break;
        std::fprintf(out, "%02x: ", i);
        for (int j = 0; j < 8; ++j) {
            if (i + j < first || i + j > last) {
                std::fprintf(out, "     ");
                continue;
            }
            const int res = dumper.Call(ESmbusOperation::ReadWordData, i + j);
            if (res < 0)
                std::fprintf(out, "XXXX ");
            else
                std::fprintf(out, "%04x ", res & 0xFFFF);
        }
        std::fprintf(out, "\n");
        if (dumper.IsCancelled())
            return;
    }
}

char Printable(int value)
{
    if (value < 0)
        return 'X';
    const int byte = value & 0xFF;
    if (byte == 0x00 || byte == 0xFF)
        return '.';
    if (byte < 32 || byte >= 127)
        return '?';
    return char(byte);
}

} // namespace

int Dump(const std::vector<std::string> &argv, const SI2cToolsIo &io)
{
    const int argc = int(argv.size());
    const auto arg = [&](int index) -> const std::string & {
        return argv[std::size_t(index)];
    };
    const std::string *range = nullptr;
    SOptions options;
    const auto own = [&](char letter, int &count) {
        if (letter != 'r')
            return false;
        ++count;
        // A -r at the end takes no range and leaves no bus either.
        range = 1 + count < argc ? &arg(1 + count) : nullptr;
        return true;
    };
    if (!ReadOptions(argv, options, io.err, own))
        return HelpFailure(io.err);
    if (options.version) {
        PrintVersion("i2cdump", io);
        return 0;
    }
    const int flags = options.count;
    if (argc < flags + 2) {
        std::fprintf(io.err, "Error: No i2c-bus specified!\n");
        return HelpFailure(io.err);
    }
    const int busNumber = CI2cToolsBus::Lookup(arg(flags + 1), io.err);
    if (busNumber < 0)
        return HelpFailure(io.err);
    if (argc < flags + 3) {
        std::fprintf(io.err, "Error: No address specified!\n");
        return HelpFailure(io.err);
    }
    const int address = CI2cToolsBus::ParseAddress(arg(flags + 2), options.all, io.err);
    if (address < 0)
        return HelpFailure(io.err);

    ESize size = ESize::ByteData;
    bool pec = false;
    bool even = false;
    if (argc < flags + 4) {
        std::fprintf(io.err, "No size specified (using byte-data access)\n");
    } else {
        const std::string &mode = arg(flags + 3);
        const char letter = mode.empty() ? '\0' : mode[0];
        const bool p = mode.size() > 1 && mode[1] == 'p';
        if (letter == 'b') {
            pec = p;
        } else if (letter == 'w') {
            size = ESize::WordData;
            pec = p;
        } else if (letter == 'W') {
            size = ESize::WordData;
            even = true;
        } else if (letter == 's') {
            size = ESize::BlockData;
            std::fprintf(io.err, "SMBus block mode is deprecated, please use i2cget instead\n");
            pec = p;
        } else if (letter == 'c') {
            size = ESize::Byte;
            pec = p;
        } else if (mode == "i") {
            size = ESize::I2cBlockData;
        } else {
            std::fprintf(io.err, "Error: Invalid mode!\n");
            return HelpFailure(io.err);
        }
    }

    int bank = 0;
    int bankRegister = DEFAULT_BANK_REGISTER;
    if (argc > flags + 4) {
        const auto parsed = I2cToolsText::ParseLong(arg(flags + 4));
        if (!parsed || size == ESize::I2cBlockData) {
            std::fprintf(io.err, "Error: Invalid bank number!\n");
            return HelpFailure(io.err);
        }
        bank = int(*parsed);
        if ((size == ESize::ByteData || size == ESize::WordData) && (bank < 0 || bank > 15)) {
            std::fprintf(io.err, "Error: bank out of range!\n");
            return HelpFailure(io.err);
        }
        if (size == ESize::BlockData && (bank < 0 || bank > 0xFF)) {
            std::fprintf(io.err, "Error: block command out of range!\n");
            return HelpFailure(io.err);
        }
        if (argc > flags + 5) {
            const auto register_ = I2cToolsText::ParseLong(arg(flags + 5));
            if (!register_ || size == ESize::BlockData) {
                std::fprintf(io.err, "Error: Invalid bank register number!\n");
                return HelpFailure(io.err);
            }
            bankRegister = int(*register_);
            if (bankRegister < 0 || bankRegister > 0xFF) {
                std::fprintf(io.err, "Error: bank out of range (0-0xff)!\n");
                return HelpFailure(io.err);
            }
        }
    }

    int first = 0x00;
    int last = 0xFF;
    if (range != nullptr) {
        const char *text = range->c_str();
        char *dash = nullptr;
        first = int(std::strtol(text, &dash, 0));
        if (dash == text || *dash != '-' || first < 0 || first > 0xFF) {
            std::fprintf(io.err, "Error: Invalid range parameter!\n");
            return 1;
        }
        ++dash;
        char *end = nullptr;
        last = int(std::strtol(dash, &end, 0));
        if (end == dash || *end != '\0' || last < first || last > 0xFF) {
            std::fprintf(io.err, "Error: Invalid range parameter!\n");
            return 1;
        }
        const bool compatible =
            size == ESize::Byte || size == ESize::ByteData || size == ESize::I2cBlockData ||
            (size == ESize::WordData && (!even || (first % 2 == 0 && last % 2 == 1)));
        if (!compatible) {
            std::fprintf(io.err, "Error: Range parameter not compatible with selected mode!\n");
            return 1;
        }
    }

    const std::unique_ptr<CI2cToolsBus> bus = CI2cToolsBus::Open(busNumber, io.control, io.err);
    if (!bus || !CheckFunctions(bus->Functions(), size, pec, io.err))
        return 1;

    if (!options.yes) {
        std::fprintf(
            io.err, "WARNING! This program can confuse your I2C bus, cause data loss and worse!\n");
        std::fprintf(io.err, "I will probe file %s, address 0x%x, mode %s\n",
                     bus->FileName().c_str(), address,
                     size == ESize::BlockData      ? "smbus block"
                     : size == ESize::I2cBlockData ? "i2c block"
                     : size == ESize::Byte         ? "byte consecutive read"
                     : size == ESize::ByteData     ? "byte"
                                                   : "word");
        if (pec)
            std::fprintf(io.err, "PEC checking enabled.\n");
        if (even)
            std::fprintf(io.err, "Only probing even register addresses.\n");
        if (bank != 0) {
            if (size == ESize::BlockData)
                std::fprintf(io.err, "Using command 0x%02x.\n", bank);
            else
                std::fprintf(io.err, "Probing bank %d using bank register 0x%02x.\n", bank,
                             bankRegister);
        }
        if (range != nullptr)
            std::fprintf(io.err, "Probe range limited to 0x%02x-0x%02x.\n", first, last);
        if (!AskToContinue(true, io))
            return 0;
    }

    CDumper dumper(*bus, address, pec);
    return bus->RunAsOneJob([&] {
        int oldBank = 0;
        if (bank != 0 && size != ESize::BlockData) {
            int res = dumper.Call(ESmbusOperation::ReadByteData, bankRegister);
            if (res >= 0) {
                oldBank = res;
                res = dumper.Call(ESmbusOperation::WriteByteData, bankRegister,
                                  {std::uint8_t(bank | (oldBank & 0xF0))});
            }
            if (res < 0) {
                std::fprintf(io.err, "Error: Bank switching failed\n");
                return 1;
            }
        }

        if (size == ESize::WordData && !even) {
            PrintWordRows(dumper, first, last, io.out);
        } else {
            std::array<int, 256> block{};
            int blockLength = 0;
            if (size == ESize::BlockData || size == ESize::I2cBlockData) {
                std::array<unsigned char, 288> cblock{};
                int res = 0;
                if (size == ESize::BlockData) {
                    res = dumper.Call(ESmbusOperation::ReadBlockData, bank, {}, cblock.data());
                    blockLength = res;
                    last = res - 1;
                } else {
                    for (res = first; res <= last;) {
                        const int n = dumper.Call(ESmbusOperation::ReadI2cBlock, res, {},
                                                  cblock.data() + res, 32);
                        if (n <= 0) {
                            res = n;
                            break;
                        }
                        res += n;
                    }
                }
                if (res <= 0) {
                    std::fprintf(io.err, "Error: Block read failed, return code %d\n", res);
                    return 1;
                }
                for (int i = first; i <= last; ++i)
                    block[std::size_t(i)] = cblock[std::size_t(i)];
            }
            if (size == ESize::Byte) {
                const int res = dumper.Call(ESmbusOperation::SendByte, first);
                if (res != 0) {
                    std::fprintf(io.err, "Error: Write start address failed, return code %d\n",
                                 res);
                    return 1;
                }
            }
            std::fprintf(io.out, "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    "
                                 "0123456789abcdef\n");
            for (int i = 0; i < 256; i += 16) {
                if (size == ESize::BlockData && i >= blockLength)
                    break;
                if (i / 16 < first / 16)
                    continue;
                if (i / 16 > last / 16)
                    break;
                std::fprintf(io.out, "%02x: ", i);
                int res = 0;
                for (int j = 0; j < 16; ++j) {
                    std::fflush(io.out);
                    const int cell = i + j;
                    if (cell < first || cell > last) {
                        std::fprintf(io.out, "   ");
                        if (size == ESize::WordData) {
                            std::fprintf(io.out, "   ");
                            ++j;
                        }
                        continue;
                    }
                    if (size == ESize::ByteData) {
                        block[std::size_t(cell)] = res =
                            dumper.Call(ESmbusOperation::ReadByteData, cell);
                    } else if (size == ESize::WordData) {
                        res = dumper.Call(ESmbusOperation::ReadWordData, cell);
                        block[std::size_t(cell)] = res < 0 ? res : res & 0xFF;
                        block[std::size_t(cell + 1)] = res < 0 ? res : res >> 8;
                    } else if (size == ESize::Byte) {
                        block[std::size_t(cell)] = res =
                            dumper.Call(ESmbusOperation::ReceiveByte, 0);
                    } else {
                        res = block[std::size_t(cell)];
                    }
                    if (size == ESize::BlockData && cell >= blockLength) {
                        std::fprintf(io.out, "   ");
                    } else if (res < 0) {
                        std::fprintf(io.out, "XX ");
                        if (size == ESize::WordData)
                            std::fprintf(io.out, "XX ");
                    } else {
                        std::fprintf(io.out, "%02x ", block[std::size_t(cell)]);
                        if (size == ESize::WordData)
                            std::fprintf(io.out, "%02x ", block[std::size_t(cell + 1)]);
                    }
                    if (size == ESize::WordData)
                        ++j;
                }
                std::fprintf(io.out, "   ");
                for (int j = 0; j < 16; ++j) {
                    const int cell = i + j;
                    if (size == ESize::BlockData && cell >= blockLength)
                        break;
                    if (cell < first || cell > last) {
                        std::fprintf(io.out, " ");
                        continue;
                    }
                    std::fprintf(io.out, "%c", Printable(block[std::size_t(cell)]));
                }
                std::fprintf(io.out, "\n");
                if (dumper.IsCancelled())
                    return 130;
            }
        }
        if (bank != 0 && size != ESize::BlockData)
            dumper.Call(ESmbusOperation::WriteByteData, bankRegister, {std::uint8_t(oldBank)});
        return dumper.IsCancelled() ? 130 : 0;
    });
}

} // namespace I2cTools
