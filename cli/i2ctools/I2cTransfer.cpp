// SPDX-License-Identifier: MIT
#include "CI2cToolsBus.h"
#include "CSmbus.h"
#include "I2cFunctions.h"
#include "I2cTools.h"
#include "I2cToolsPreamble.h"
#include "I2cToolsText.h"

#include <cerrno>
#include <cstdlib>

namespace I2cTools {

namespace {

constexpr int MAX_MESSAGES = 42;
// 'r?': a count byte and at most one SMBus block after it.
constexpr std::size_t RECEIVE_LENGTH_BUFFER = 256;

struct SMessage
{
    int address = 0;
    bool read = false;
    bool receiveLength = false;
    std::vector<unsigned char> buffer;
};

enum EPrint : unsigned
{
    PRINT_STDERR = 1u << 0,
    PRINT_READ_BUF = 1u << 1,
    PRINT_WRITE_BUF = 1u << 2,
    PRINT_HEADER = 1u << 3,
};

void Help(std::FILE *err)
{
    std::fprintf(err,
                 "Usage: i2ctransfer [-f] [-y] [-v] [-V] [-a] I2CBUS DESC [DATA] [DESC [DATA]]...\n"
                 "  I2CBUS is an integer or an I2C bus name\n"
                 "  DESC describes the transfer in the form: {r|w}LENGTH[@address]\n"
                 "    1) read/write-flag 2) LENGTH (range 0-65535, or '?')\n"
                 "    3) I2C address (use last one if omitted)\n"
                 "  DATA are LENGTH bytes for a write message. They can be shortened by a suffix:\n"
                 "    = (keep value constant until LENGTH)\n"
                 "    + (increase value by 1 until LENGTH)\n"
                 "    - (decrease value by 1 until LENGTH)\n"
                 "    p (use pseudo random generator until LENGTH with value as seed)\n\n"
                 "Example (bus 0, read 8 byte at offset 0x64 from EEPROM at 0x50):\n"
                 "  # i2ctransfer 0 w1@0x50 0x64 r8\n"
                 "Example (same EEPROM, at offset 0x42 write 0xff 0xfe ... 0xf0):\n"
                 "  # i2ctransfer 0 w17@0x50 0x42 0xff-\n");
}

void PrintMessages(const std::vector<SMessage> &messages, std::size_t count, unsigned flags,
                   const SI2cToolsIo &io)
{
    std::FILE *output = (flags & PRINT_STDERR) != 0 ? io.err : io.out;
    for (std::size_t i = 0; i < count; ++i) {
        const SMessage &message = messages[i];
        const bool printBuffer = (message.read && (flags & PRINT_READ_BUF) != 0) ||
                                 (!message.read && (flags & PRINT_WRITE_BUF) != 0);
        const std::size_t length =
            message.receiveLength ? std::size_t(message.buffer[0]) + 1 : message.buffer.size();
        if ((flags & PRINT_HEADER) != 0) {
            std::fprintf(output, "msg %zu: addr 0x%02x, %s, len ", i, message.address,
                         message.read ? "read" : "write");
            if (!message.receiveLength || (flags & PRINT_READ_BUF) != 0)
                std::fprintf(output, "%zu", length);
            else
                std::fprintf(output, "TBD");
        }
        if (length != 0 && printBuffer) {
            if ((flags & PRINT_HEADER) != 0)
                std::fprintf(output, ", buf ");
            for (std::size_t j = 0; j + 1 < length; ++j)
                std::fprintf(output, "0x%02x ", message.buffer[j]);
            std::fprintf(output, "0x%02x\n", message.buffer[length - 1]);
        } else if ((flags & PRINT_HEADER) != 0) {
            std::fprintf(output, "\n");
        }
    }
}

// The messages as the adapter carries them: writes joined by repeated starts, and a read
// only as the last message, since the adapter ends every read with a stop. What it cannot
// carry is refused as a Linux driver refuses a transfer its controller cannot do.
int Send(CI2cToolsBus &bus, std::vector<SMessage> &messages)
{
    const SBusAdapterInfo &adapter = bus.Adapter();
    if (messages.size() > MAX_MESSAGES)
        return -EINVAL;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const SMessage &message = messages[i];
        const bool last = i + 1 == messages.size();
        const std::size_t readLength =
            message.receiveLength ? 1 + CSmbus::BLOCK_MAX : message.buffer.size();
        if (message.read && (!last || readLength == 0 || readLength > adapter.maxReadCount))
            return -EOPNOTSUPP;
        if (!message.read && message.buffer.empty() && last &&
            !CSmbus::IsSupported(ESmbusOperation::Quick, adapter))
            return -EOPNOTSUPP;
    }
    for (std::size_t i = 0; i < messages.size(); ++i) {
        SMessage &message = messages[i];
        const bool last = i + 1 == messages.size();
        const auto address = std::uint8_t(message.address);
        STransactionRequest request;
        if (message.read) {
            request = STransactionRequest::Read(
                address, message.receiveLength ? 1 + CSmbus::BLOCK_MAX : message.buffer.size());
        } else {
            request = STransactionRequest::Write(address, message.buffer, true, last);
        }
        const STransactionRecord record = bus.Execute(request);
        if (!record.ok)
            return -I2cToolsText::ErrnoOf(record.cancelled ? EFailureKind::Cancelled
                                                           : record.failure);
        if (!message.read)
            continue;
        const std::vector<unsigned char> &data = record.read.data;
        if (message.receiveLength) {
            const std::size_t count = data.front();
            if (count == 0 || count > CSmbus::BLOCK_MAX)
                return -EPROTO;
            message.buffer.assign(data.begin(), data.begin() + std::ptrdiff_t(count + 1));
        } else {
            message.buffer = data;
        }
    }
    return int(messages.size());
}

} // namespace

int Transfer(const std::vector<std::string> &argv, const SI2cToolsIo &io)
{
    const int argc = int(argv.size());
    int index = 1;
    bool yes = false;
    bool version = false;
    bool verbose = false;
    bool force = false;
    bool all = false;
    while (index < argc && argv[std::size_t(index)][0] == '-') {
        const std::string &option = argv[std::size_t(index)];
        switch (option.size() > 1 ? option[1] : '\0') {
        case 'V':
            version = true;
            break;
        case 'v':
            verbose = true;
            break;
        case 'f':
            force = true;
            break;
        case 'y':
            yes = true;
            break;
        case 'a':
            all = true;
            break;
        default:
            std::fprintf(io.err, "Error: Unsupported option \"%s\"!\n", option.c_str());
            Help(io.err);
            return 1;
        }
        ++index;
    }
    if (version) {
        PrintVersion("i2ctransfer", io);
        return 0;
    }
    if (index == argc) {
        Help(io.err);
        return 1;
    }
    const int busNumber = CI2cToolsBus::Lookup(argv[std::size_t(index++)], io.err);
    if (busNumber < 0)
        return 1;
    const std::unique_ptr<CI2cToolsBus> bus = CI2cToolsBus::Open(busNumber, io.control, io.err);
    if (!bus ||
        !I2cToolsPreamble::Need(bus->Functions(), I2cFunctions::I2C, "I2C transfers", io.err))
        return 1;

    std::vector<SMessage> messages;
    bool gettingData = false;
    std::size_t bufferIndex = 0;
    int address = -1;
    const auto faulty = [&](int at) {
        std::fprintf(io.err, "Error: faulty argument is '%s'\n", argv[std::size_t(at)].c_str());
        return 1;
    };
    for (; index < argc; ++index) {
        const char *text = argv[std::size_t(index)].c_str();
        if (int(messages.size()) > MAX_MESSAGES) {
            std::fprintf(io.err, "Error: Too many messages (max: %d)\n", MAX_MESSAGES);
            return 1;
        }
        if (!gettingData) {
            SMessage message;
            switch (*text++) {
            case 'r':
                message.read = true;
                break;
            case 'w':
                break;
            default:
                std::fprintf(io.err, "Error: Invalid direction\n");
                return faulty(index);
            }
            std::size_t length = 0;
            if (*text == '?') {
                if (!message.read) {
                    std::fprintf(io.err, "Error: variable length not allowed with write\n");
                    return faulty(index);
                }
                length = RECEIVE_LENGTH_BUFFER;
                message.receiveLength = true;
                ++text;
            } else {
                char *end = nullptr;
                const unsigned long parsed = std::strtoul(text, &end, 0);
                if (parsed > 0xFFFF || end == text) {
                    std::fprintf(io.err, "Error: Length invalid\n");
                    return faulty(index);
                }
                length = parsed;
                text = end;
            }
            if (*text != '\0') {
                if (*text++ != '@') {
                    std::fprintf(io.err, "Error: Unknown separator after length\n");
                    return faulty(index);
                }
                address = CI2cToolsBus::ParseAddress(text, all, io.err);
                if (address < 0)
                    return faulty(index);
                // No kernel driver holds an address on this adapter, so none is busy.
                static_cast<void>(force);
            } else if (address < 0) {
                std::fprintf(io.err, "Error: No address given\n");
                return faulty(index);
            }
            message.address = address;
            message.buffer.assign(length, 0);
            if (message.receiveLength)
                message.buffer[0] = 1;
            const bool complete = message.read || length == 0;
            messages.push_back(std::move(message));
            if (!complete) {
                bufferIndex = 0;
                gettingData = true;
            }
            continue;
        }
        char *end = nullptr;
        const unsigned long raw = std::strtoul(text, &end, 0);
        if (raw > 0xFF || end == text) {
            std::fprintf(io.err, "Error: Invalid data byte\n");
            return faulty(index);
        }
        auto data = static_cast<unsigned char>(raw);
        SMessage &message = messages.back();
        const std::size_t length = message.buffer.size();
        while (bufferIndex < length) {
            message.buffer[bufferIndex++] = data;
            if (*end == '\0')
                break;
            switch (*end) {
            case 'p':
                // i2c-tools' pseudo-random sequence: an 8-bit AXR step with a=13, b=27.
                data = static_cast<unsigned char>((data ^ 27) + 13);
                data = static_cast<unsigned char>((data << 1) | (data >> 7));
                break;
            case '+':
                ++data;
                break;
            case '-':
                --data;
                break;
            case '=':
                break;
            default:
                std::fprintf(io.err, "Error: Invalid data byte suffix\n");
                return faulty(index);
            }
        }
        if (bufferIndex == length)
            gettingData = false;
    }
    // The check above runs before each argument, so a last message that takes no data
    // (a read, w0) would slip past it.
    if (int(messages.size()) > MAX_MESSAGES) {
        std::fprintf(io.err, "Error: Too many messages (max: %d)\n", MAX_MESSAGES);
        return 1;
    }
    if (gettingData || messages.empty()) {
        std::fprintf(io.err, "Error: Incomplete message\n");
        return 1;
    }

    if (!yes) {
        std::fprintf(io.err, "WARNING! This program can confuse your I2C bus, cause data loss and "
                             "worse!\n");
        std::fprintf(io.err, "I will send the following messages to device file %s:\n",
                     bus->FileName().c_str());
        PrintMessages(messages, messages.size(), PRINT_STDERR | PRINT_HEADER | PRINT_WRITE_BUF, io);
        if (!I2cToolsPreamble::AskToContinue(false, io))
            return 0;
    }
    const int sent = Send(*bus, messages);
    if (sent < 0) {
        std::fprintf(io.err, "Error: Sending messages failed: %s\n",
                     I2cToolsText::ErrnoText(-sent).c_str());
        return sent == -EINTR ? 130 : 1;
    }
    PrintMessages(messages, std::size_t(sent),
                  PRINT_READ_BUF | (verbose ? PRINT_HEADER | PRINT_WRITE_BUF : 0u), io);
    return 0;
}

} // namespace I2cTools
