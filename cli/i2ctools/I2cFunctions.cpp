// SPDX-License-Identifier: MIT
#include "I2cFunctions.h"

#include "CSmbus.h"

#include <utility>

namespace I2cFunctions {

std::uint32_t ForAdapter(const SBusAdapterInfo &adapter)
{
    using Op = ESmbusOperation;
    static constexpr std::pair<Op, std::uint32_t> OPERATIONS[] = {
        {Op::Quick, SMBUS_QUICK},
        {Op::ReceiveByte, SMBUS_READ_BYTE},
        {Op::SendByte, SMBUS_WRITE_BYTE},
        {Op::ReadByteData, SMBUS_READ_BYTE_DATA},
        {Op::WriteByteData, SMBUS_WRITE_BYTE_DATA},
        {Op::ReadWordData, SMBUS_READ_WORD_DATA},
        {Op::WriteWordData, SMBUS_WRITE_WORD_DATA},
        {Op::ProcessCall, SMBUS_PROC_CALL},
        {Op::ReadBlockData, SMBUS_READ_BLOCK_DATA},
        {Op::WriteBlockData, SMBUS_WRITE_BLOCK_DATA},
        {Op::BlockProcessCall, SMBUS_BLOCK_PROC_CALL},
        {Op::ReadI2cBlock, SMBUS_READ_I2C_BLOCK},
        {Op::WriteI2cBlock, SMBUS_WRITE_I2C_BLOCK},
    };
    // Every model joins writes and a final read by repeated starts, and PEC is computed here.
    std::uint32_t functions = I2C | SMBUS_PEC;
    for (const auto &[operation, bit] : OPERATIONS) {
        if (CSmbus::IsSupported(operation, adapter))
            functions |= bit;
    }
    return functions;
}

} // namespace I2cFunctions
