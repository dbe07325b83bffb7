// SPDX-License-Identifier: MIT
#include "CI2cDevFile.h"

#include "CSmbus.h"
#include "FailureText.h"
#include "I2cToolsText.h"
#include "TransferMessages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <vector>

namespace {

constexpr std::uint16_t LAST_7BIT_ADDRESS = 0x7F;
// The message flags a plain I2C adapter honours; the others ask for ten-bit addresses or
// protocol mangling, which no model can do.
constexpr unsigned HONOURED_FLAGS = I2C_M_RD | I2C_M_RECV_LEN;

int ErrnoOf(const STransactionRecord &record)
{
    return -I2cToolsText::ErrnoOf(record.cancelled ? EFailureKind::Cancelled : record.failure);
}

// The failing transaction's own kind tells an address from a data NACK; a fault found in
// what came back (a bad PEC, a bad count byte) has no failing transaction.
int ErrnoOf(const SSmbusResult &result)
{
    if (!result.records.empty() && !result.records.back().ok)
        return ErrnoOf(result.records.back());
    return -I2cToolsText::ErrnoOf(result.fault);
}

bool IsSmbusSize(std::uint32_t size)
{
    switch (size) {
    case I2C_SMBUS_QUICK:
    case I2C_SMBUS_BYTE:
    case I2C_SMBUS_BYTE_DATA:
    case I2C_SMBUS_WORD_DATA:
    case I2C_SMBUS_PROC_CALL:
    case I2C_SMBUS_BLOCK_DATA:
    case I2C_SMBUS_I2C_BLOCK_BROKEN:
    case I2C_SMBUS_BLOCK_PROC_CALL:
    case I2C_SMBUS_I2C_BLOCK_DATA:
        return true;
    default:
        return false;
    }
}

std::vector<unsigned char> WordBytes(std::uint16_t word)
{
    return {static_cast<unsigned char>(word & 0xFF), static_cast<unsigned char>(word >> 8)};
}

std::vector<unsigned char> BlockBytes(const i2c_smbus_data &data)
{
    return {data.block + 1, data.block + 1 + data.block[0]};
}

} // namespace

int CI2cDevFile::Control(unsigned int request, unsigned long argument)
{
    switch (request) {
    case I2C_SLAVE:
    case I2C_SLAVE_FORCE:
        // No kernel driver binds to this node's slaves, so no address is ever busy.
        if (argument > LAST_7BIT_ADDRESS)
            return -EINVAL;
        m_slave = static_cast<std::uint16_t>(argument);
        return 0;
    case I2C_TENBIT:
        return argument != 0 ? -EINVAL : 0;
    case I2C_PEC:
        m_pec = argument != 0;
        return 0;
    case I2C_RETRIES:
    case I2C_TIMEOUT:
        if (argument > INT_MAX)
            return -EINVAL;
        (request == I2C_RETRIES ? m_retries : m_timeout) = argument;
        return 0;
    default:
        return -ENOTTY;
    }
}

int CI2cDevFile::Smbus(std::uint8_t readWrite, std::uint8_t command, std::uint32_t size,
                       i2c_smbus_data *data)
{
    if (!IsSmbusSize(size) || (readWrite != I2C_SMBUS_READ && readWrite != I2C_SMBUS_WRITE))
        return -EINVAL;
    const bool read = readWrite == I2C_SMBUS_READ;
    if (data == nullptr && size != I2C_SMBUS_QUICK && (size != I2C_SMBUS_BYTE || read))
        return -EINVAL;

    using Op = ESmbusOperation;
    SSmbusRequest request;
    request.address = static_cast<std::uint8_t>(m_slave);
    request.command = command;
    request.pec = m_pec;
    switch (size) {
    case I2C_SMBUS_QUICK:
        // The read bit with no byte after it is a read of nothing, which no model can do.
        if (read)
            return -EOPNOTSUPP;
        request.operation = Op::Quick;
        break;
    case I2C_SMBUS_BYTE:
        request.operation = read ? Op::ReceiveByte : Op::SendByte;
        break;
    case I2C_SMBUS_BYTE_DATA:
        request.operation = read ? Op::ReadByteData : Op::WriteByteData;
        if (!read)
            request.data = {data->byte};
        break;
    case I2C_SMBUS_WORD_DATA:
        request.operation = read ? Op::ReadWordData : Op::WriteWordData;
        if (!read)
            request.data = WordBytes(data->word);
        break;
    case I2C_SMBUS_PROC_CALL:
        request.operation = Op::ProcessCall;
        request.data = WordBytes(data->word);
        break;
    case I2C_SMBUS_BLOCK_DATA:
    case I2C_SMBUS_BLOCK_PROC_CALL:
        if (read && size == I2C_SMBUS_BLOCK_DATA) {
            request.operation = Op::ReadBlockData;
            break;
        }
        if (data->block[0] == 0 || data->block[0] > I2C_SMBUS_BLOCK_MAX)
            return -EINVAL;
        request.operation =
            size == I2C_SMBUS_BLOCK_DATA ? Op::WriteBlockData : Op::BlockProcessCall;
        request.data = BlockBytes(*data);
        break;
    default: { // the I2C block transfers, the old numbering's included
        if (size == I2C_SMBUS_I2C_BLOCK_BROKEN && read)
            data->block[0] = I2C_SMBUS_BLOCK_MAX;
        if (data->block[0] > I2C_SMBUS_BLOCK_MAX)
            return -EINVAL;
        // The kernel leaves PEC out of I2C block transfers.
        request.pec = false;
        if (data->block[0] == 0) {
            if (read)
                return -EOPNOTSUPP;
            request.operation = Op::SendByte;
            break;
        }
        request.operation = read ? Op::ReadI2cBlock : Op::WriteI2cBlock;
        request.length = data->block[0];
        if (!read)
            request.data = BlockBytes(*data);
        break;
    }
    }

    SSmbusResult result;
    const int outcome = Run([&](CBusContext &context) {
        result = CSmbus::Execute(context, request);
        return result.ok ? 0 : ErrnoOf(result);
    });
    if (outcome < 0)
        return outcome;
    switch (request.operation) {
    case Op::ReceiveByte:
    case Op::ReadByteData:
        data->byte = result.data.at(0);
        break;
    case Op::ReadWordData:
    case Op::ProcessCall:
        data->word = static_cast<std::uint16_t>(result.Value());
        break;
    case Op::ReadBlockData:
    case Op::BlockProcessCall:
        data->block[0] = static_cast<std::uint8_t>(result.data.size());
        [[fallthrough]];
    case Op::ReadI2cBlock:
        std::copy(result.data.begin(), result.data.end(), data->block + 1);
        break;
    default:
        break;
    }
    return 0;
}

int CI2cDevFile::Transfer(i2c_msg *messages, std::size_t count)
{
    if (count == 0 || count > I2C_RDWR_IOCTL_MAX_MSGS)
        return -EINVAL;
    const SBusAdapterInfo &model = m_bus.Model();
    std::vector<STransferMessage> plan;
    for (std::size_t i = 0; i < count; ++i) {
        const i2c_msg &message = messages[i];
        const bool read = (message.flags & I2C_M_RD) != 0;
        const bool receiveLength = (message.flags & I2C_M_RECV_LEN) != 0;
        if (message.len > MAX_MESSAGE_BYTES || message.addr > LAST_7BIT_ADDRESS)
            return -EINVAL;
        // A block read whose count byte the slave sends: the buffer holds the bytes that
        // come beside the block (the count byte, and the PEC) and room for the longest.
        if (receiveLength && (!read || message.len == 0 || message.buf[0] < 1 ||
                              message.len < message.buf[0] + I2C_SMBUS_BLOCK_MAX))
            return -EINVAL;
        if ((message.flags & ~HONOURED_FLAGS) != 0)
            return -EOPNOTSUPP;
        // Every model ends a read with a stop, reads at least one byte and no more than its
        // limit, and not every model can send an address byte alone.
        const bool last = i + 1 == count;
        const std::size_t length =
            receiveLength ? std::size_t(message.buf[0]) + I2C_SMBUS_BLOCK_MAX : message.len;
        if (read && (!last || length == 0 || length > model.maxReadCount))
            return -EOPNOTSUPP;
        if (!read && (message.len >= model.maxWriteCount ||
                      (message.len == 0 && last && !model.canWriteAddressOnly)))
            return -EOPNOTSUPP;
        STransferMessage step;
        step.read = read;
        step.address = static_cast<std::uint8_t>(message.addr);
        step.count = length;
        if (!read)
            step.data.assign(message.buf, message.buf + message.len);
        plan.push_back(std::move(step));
    }
    const std::vector<STransactionRequest> requests = TransferMessages::ToRequests(plan);
    return Run([&](CBusContext &context) {
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const STransactionRecord record = context.Execute(requests[i]);
            if (!record.ok)
                return ErrnoOf(record);
            if (!plan[i].read)
                continue;
            const std::vector<unsigned char> &bytes = record.read.data;
            std::size_t delivered = bytes.size();
            if ((messages[i].flags & I2C_M_RECV_LEN) != 0) {
                const std::size_t blockCount = bytes.front();
                if (blockCount == 0 || blockCount > I2C_SMBUS_BLOCK_MAX)
                    return -EPROTO;
                delivered = blockCount + messages[i].buf[0];
            }
            std::copy_n(bytes.begin(), delivered, messages[i].buf);
        }
        return static_cast<int>(requests.size());
    });
}

long CI2cDevFile::Read(unsigned char *buffer, std::size_t count)
{
    count = std::min(count, MAX_MESSAGE_BYTES);
    if (count == 0 || count > m_bus.Model().maxReadCount)
        return -EOPNOTSUPP;
    const auto request = STransactionRequest::Read(static_cast<std::uint8_t>(m_slave), count);
    return Run([&](CBusContext &context) {
        const STransactionRecord record = context.Execute(request);
        if (!record.ok)
            return ErrnoOf(record);
        std::copy(record.read.data.begin(), record.read.data.end(), buffer);
        return static_cast<int>(count);
    });
}

long CI2cDevFile::Write(const unsigned char *buffer, std::size_t count)
{
    count = std::min(count, MAX_MESSAGE_BYTES);
    if (count == 0 && !m_bus.Model().canWriteAddressOnly)
        return -EOPNOTSUPP;
    const auto request =
        STransactionRequest::Write(static_cast<std::uint8_t>(m_slave), {buffer, buffer + count});
    return Run([&](CBusContext &context) {
        const STransactionRecord record = context.Execute(request);
        return record.ok ? static_cast<int>(count) : ErrnoOf(record);
    });
}

int CI2cDevFile::Run(const std::function<int(CBusContext &)> &body)
{
    return m_bus.Run([&](CBusContext &context) {
        // A lost arbitration is worth another try, as the kernel's core gives one.
        const auto deadline = context.Now() + std::chrono::milliseconds(m_timeout * 10);
        int outcome = body(context);
        for (unsigned long retry = 0;
             outcome == -EAGAIN && retry < m_retries && context.Now() < deadline; ++retry)
            outcome = body(context);
        return outcome;
    });
}
