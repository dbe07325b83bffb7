// SPDX-License-Identifier: MIT
#include "RegisterPlan.h"

#include "RegisterBits.h"

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace RegisterPlan {

ERegisterAccess FieldAccess(const SRegister &reg, const SRegisterField &field)
{
    return field.access.value_or(reg.access);
}

bool ReadAllReads(const SRegister &reg)
{
    return reg.access != ERegisterAccess::WriteOnly && reg.access != ERegisterAccess::ReadClears;
}

std::vector<SRegisterRead> ReadAll(const SRegisterMap &map, std::size_t maxReadCount)
{
    std::vector<int> order;
    for (qsizetype i = 0; i < map.registers.size(); ++i) {
        if (ReadAllReads(map.registers.at(i)))
            order.push_back(int(i));
    }
    if (!map.autoIncrement)
        return ReadEach(map, order);

    // A register that Read All skips breaks a run even though it is not in `order`: reading
    // across it would read it.
    std::vector<int> all(std::size_t(map.registers.size()));
    std::iota(all.begin(), all.end(), 0);
    const auto byAddress = [&map](int a, int b) {
        return map.registers.at(a).address < map.registers.at(b).address;
    };
    std::stable_sort(all.begin(), all.end(), byAddress);
    std::vector<SRegisterRead> reads;
    std::uint64_t runEnd = 0;
    for (const int index : all) {
        const SRegister &reg = map.registers.at(index);
        const std::size_t size = std::size_t(reg.size);
        const bool joins = !reads.empty() && reg.address == runEnd &&
                           (maxReadCount == 0 || reads.back().byteCount + size <= maxReadCount);
        if (!ReadAllReads(reg)) {
            runEnd = ~std::uint64_t(0);
            continue;
        }
        if (joins) {
            reads.back().byteCount += size;
            reads.back().registers.push_back(index);
        } else {
            reads.push_back({reg.address, size, {index}});
        }
        runEnd = std::uint64_t(reg.address) + size;
    }
    return reads;
}

std::vector<SRegisterRead> ReadEach(const SRegisterMap &map, const std::vector<int> &registers)
{
    std::vector<SRegisterRead> reads;
    for (const int index : registers) {
        const SRegister &reg = map.registers.at(index);
        reads.push_back({reg.address, std::size_t(reg.size), {index}});
    }
    return reads;
}

STransactionRequest ReadRequest(std::uint8_t device, const SRegisterMap &map,
                                const SRegisterRead &read)
{
    return STransactionRequest::WriteRead(
        device, RegisterBits::AddressBytes(read.address, map.addressBytes), read.byteCount);
}

STransactionRequest WriteRequest(std::uint8_t device, const SRegisterMap &map, int reg,
                                 std::uint32_t value)
{
    const SRegister &target = map.registers.at(reg);
    std::vector<unsigned char> bytes = RegisterBits::AddressBytes(target.address, map.addressBytes);
    const std::vector<unsigned char> data =
        RegisterBits::ToBytes(value, target.size, map.byteOrder);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return STransactionRequest::Write(device, std::move(bytes));
}

QString WriteRefusal(const SRegister &reg, const SRegisterField *field)
{
    if (reg.access == ERegisterAccess::ReadOnly)
        return u"Register %1 is read-only"_s.arg(reg.name);
    if (field != nullptr && FieldAccess(reg, *field) == ERegisterAccess::ReadOnly)
        return u"Field %1.%2 is read-only"_s.arg(reg.name, field->name);
    return {};
}

std::uint32_t ComposeFieldWrite(const SRegister &reg, int field, std::uint32_t current,
                                std::uint32_t fieldValue)
{
    std::uint32_t value = current;
    for (qsizetype i = 0; i < reg.fields.size(); ++i) {
        const SRegisterField &other = reg.fields.at(i);
        if (i != field && FieldAccess(reg, other) == ERegisterAccess::WriteOneClears)
            value &= ~RegisterBits::Mask(other);
    }
    return RegisterBits::Insert(value, reg.fields.at(field), fieldValue);
}

std::optional<std::uint32_t> WriteOnlyBase(const SRegister &reg,
                                           std::optional<std::uint32_t> lastWritten)
{
    return lastWritten ? lastWritten : reg.reset;
}

} // namespace RegisterPlan
