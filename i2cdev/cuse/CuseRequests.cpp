// SPDX-License-Identifier: MIT
#define FUSE_USE_VERSION 31

#include "CuseRequests.h"

#include "CI2cDevFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/uio.h>
#include <vector>

namespace CuseRequests {

namespace {

void Reply(fuse_req_t request, int result)
{
    if (result < 0)
        fuse_reply_err(request, -result);
    else
        fuse_reply_ioctl(request, result, nullptr, 0);
}

iovec Stretch(const void *address, std::size_t length)
{
    return {const_cast<void *>(address), length};
}

// The bytes of the union that i2c-dev copies for a kind: a byte, a word or a block.
std::size_t DataSize(std::uint32_t size)
{
    if (size == I2C_SMBUS_BYTE || size == I2C_SMBUS_BYTE_DATA)
        return sizeof(i2c_smbus_data::byte);
    if (size == I2C_SMBUS_WORD_DATA || size == I2C_SMBUS_PROC_CALL)
        return sizeof(i2c_smbus_data::word);
    return sizeof(i2c_smbus_data::block);
}

void AnswerSmbus(fuse_req_t request, CI2cDevFile &file, void *argument,
                 std::span<const unsigned char> in, std::size_t outSize)
{
    i2c_smbus_ioctl_data arguments{};
    if (in.size() < sizeof arguments) {
        const iovec wanted = Stretch(argument, sizeof arguments);
        fuse_reply_ioctl_retry(request, &wanted, 1, nullptr, 0);
        return;
    }
    std::memcpy(&arguments, in.data(), sizeof arguments);
    const bool carriesData =
        arguments.size != I2C_SMBUS_QUICK &&
        (arguments.size != I2C_SMBUS_BYTE || arguments.read_write != I2C_SMBUS_WRITE);
    if (arguments.data == nullptr || !carriesData) {
        Reply(request,
              file.Smbus(arguments.read_write, arguments.command, arguments.size, nullptr));
        return;
    }
    const std::size_t dataSize = DataSize(arguments.size);
    if (in.size() < sizeof arguments + dataSize || outSize < dataSize) {
        const iovec wanted[] = {Stretch(argument, sizeof arguments),
                                Stretch(arguments.data, dataSize)};
        const iovec back = Stretch(arguments.data, dataSize);
        fuse_reply_ioctl_retry(request, wanted, 2, &back, 1);
        return;
    }
    i2c_smbus_data data{};
    std::memcpy(&data, in.data() + sizeof arguments, dataSize);
    const int result = file.Smbus(arguments.read_write, arguments.command, arguments.size, &data);
    if (result < 0)
        fuse_reply_err(request, -result);
    else
        fuse_reply_ioctl(request, 0, &data, dataSize);
}

void AnswerTransfer(fuse_req_t request, CI2cDevFile &file, void *argument,
                    std::span<const unsigned char> in, std::size_t outSize)
{
    i2c_rdwr_ioctl_data arguments{};
    if (in.size() < sizeof arguments) {
        const iovec wanted = Stretch(argument, sizeof arguments);
        fuse_reply_ioctl_retry(request, &wanted, 1, nullptr, 0);
        return;
    }
    std::memcpy(&arguments, in.data(), sizeof arguments);
    if (arguments.msgs == nullptr || arguments.nmsgs == 0 ||
        arguments.nmsgs > I2C_RDWR_IOCTL_MAX_MSGS) {
        Reply(request, -EINVAL);
        return;
    }
    const std::size_t head = sizeof arguments + arguments.nmsgs * sizeof(i2c_msg);
    std::vector<iovec> wanted{Stretch(argument, sizeof arguments),
                              Stretch(arguments.msgs, arguments.nmsgs * sizeof(i2c_msg))};
    if (in.size() < head) {
        fuse_reply_ioctl_retry(request, wanted.data(), wanted.size(), nullptr, 0);
        return;
    }
    std::vector<i2c_msg> messages(arguments.nmsgs);
    std::memcpy(messages.data(), in.data() + sizeof arguments, arguments.nmsgs * sizeof(i2c_msg));
    // What comes in: the bytes of each write and the first byte of a read with a count
    // byte (how many bytes come beside the block); what goes out: each read's bytes.
    std::vector<iovec> back;
    std::size_t inTotal = head;
    std::size_t outTotal = 0;
    for (const i2c_msg &message : messages) {
        if (message.len > CI2cDevFile::MAX_MESSAGE_BYTES) {
            Reply(request, -EINVAL);
            return;
        }
        if (message.len == 0)
            continue;
        const bool read = (message.flags & I2C_M_RD) != 0;
        const std::size_t inBytes =
            read ? ((message.flags & I2C_M_RECV_LEN) != 0 ? 1 : 0) : message.len;
        if (inBytes > 0)
            wanted.push_back(Stretch(message.buf, inBytes));
        inTotal += inBytes;
        if (read) {
            back.push_back(Stretch(message.buf, message.len));
            outTotal += message.len;
        }
    }
    if (in.size() < inTotal || outSize < outTotal) {
        fuse_reply_ioctl_retry(request, wanted.data(), wanted.size(), back.data(), back.size());
        return;
    }
    std::vector<std::vector<unsigned char>> buffers(messages.size());
    std::size_t at = head;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        i2c_msg &message = messages[i];
        buffers[i].assign(message.len, 0);
        const bool read = (message.flags & I2C_M_RD) != 0;
        const std::size_t inBytes = message.len == 0 ? 0
                                    : read ? ((message.flags & I2C_M_RECV_LEN) != 0 ? 1 : 0)
                                           : message.len;
        std::memcpy(buffers[i].data(), in.data() + at, inBytes);
        at += inBytes;
        message.buf = buffers[i].data();
    }
    const int result = file.Transfer(messages.data(), messages.size());
    if (result < 0) {
        fuse_reply_err(request, -result);
        return;
    }
    std::vector<unsigned char> out;
    out.reserve(outTotal);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if ((messages[i].flags & I2C_M_RD) != 0)
            out.insert(out.end(), buffers[i].begin(), buffers[i].end());
    }
    fuse_reply_ioctl(request, result, out.data(), out.size());
}

} // namespace

void Answer(fuse_req_t request, CI2cDevFile &file, unsigned command, void *argument,
            std::span<const unsigned char> in, std::size_t outSize)
{
    switch (command) {
    case I2C_FUNCS: {
        const unsigned long functions = file.Functions();
        if (outSize < sizeof functions) {
            const iovec back = Stretch(argument, sizeof functions);
            fuse_reply_ioctl_retry(request, nullptr, 0, &back, 1);
            return;
        }
        fuse_reply_ioctl(request, 0, &functions, sizeof functions);
        return;
    }
    case I2C_SMBUS:
        AnswerSmbus(request, file, argument, in, outSize);
        return;
    case I2C_RDWR:
        AnswerTransfer(request, file, argument, in, outSize);
        return;
    default:
        // The requests whose argument is a plain number.
        Reply(request, file.Control(command, reinterpret_cast<std::uintptr_t>(argument)));
        return;
    }
}

} // namespace CuseRequests
