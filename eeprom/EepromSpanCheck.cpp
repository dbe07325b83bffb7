// SPDX-License-Identifier: MIT
#include "EepromSpanCheck.h"

#include "EepromAddressing.h"

#include <algorithm>
#include <functional>

namespace EepromSpanCheck {

namespace {

// Enough to tell two chips with data apart in one short read each.
constexpr std::size_t WINDOW = 16;

enum class ECompare
{
    Same,
    Differs,
    Failed,
};

bool AllAlike(const std::vector<unsigned char> &bytes)
{
    return std::adjacent_find(bytes.begin(), bytes.end(), std::not_equal_to<>()) == bytes.end();
}

// A refusal by the slave says the address is not the part; anything else is the bus's.
bool IsRefusal(const STransactionRecord &record)
{
    return record.failure == EFailureKind::AddressNack || record.failure == EFailureKind::DataNack;
}

class CSpanReader
{
public:
    CSpanReader(CBusContext &context, const SEepromPart &part, std::uint8_t base)
        : m_context(context)
        , m_part(part)
        , m_base(base)
    {}

    SBusProcedureResult failure;

    // The first `count` bytes of `block` both ways: carried across the end of the block
    // before it, and through the block's own address.
    ECompare Compare(std::size_t block, std::size_t count, bool &alike)
    {
        const std::size_t start = block * m_part.BlockSize();
        std::vector<unsigned char> carried;
        std::vector<unsigned char> own;
        if (!ReadAt(start - 1, count + 1, carried) || !ReadAt(start, count, own))
            return m_refused ? ECompare::Differs : ECompare::Failed;
        carried.erase(carried.begin());
        alike = AllAlike(carried) && AllAlike(own);
        return carried == own ? ECompare::Same : ECompare::Differs;
    }

private:
    bool ReadAt(std::size_t offset, std::size_t count, std::vector<unsigned char> &bytes)
    {
        const SEepromLocation location = EepromAddressing::Locate(m_part, m_base, offset);
        const STransactionRecord record = m_context.Execute(
            STransactionRequest::WriteRead(location.deviceAddress, location.addressBytes, count));
        if (record.ok && record.read.data.size() == count) {
            bytes = record.read.data;
            return true;
        }
        m_refused = !record.cancelled && IsRefusal(record);
        failure = record.cancelled
                      ? SBusProcedureResult::Cancelled()
                      : SBusProcedureResult{false, false, record.lastError, record.failure};
        return false;
    }

    CBusContext &m_context;
    const SEepromPart &m_part;
    std::uint8_t m_base;
    bool m_refused = false;
};

} // namespace

std::vector<std::uint8_t> Addresses(const SEepromPart &part, std::uint8_t base)
{
    const std::size_t blocks =
        std::max<std::size_t>(1, (part.size + part.BlockSize() - 1) / part.BlockSize());
    std::vector<std::uint8_t> addresses;
    for (std::size_t block = 0; block < blocks; ++block) {
        addresses.push_back(
            EepromAddressing::Locate(part, base, block * part.BlockSize()).deviceAddress);
    }
    return addresses;
}

SBusProcedureResult Check(CBusContext &context, const SEepromPart &part, std::uint8_t base,
                          std::optional<SFault> &fault)
{
    fault.reset();
    const std::vector<std::uint8_t> addresses = Addresses(part, base);
    const std::size_t maxRead = context.Adapter().maxReadCount;
    const bool compares = part.addressBytes == 1 && maxRead >= 2;
    CSpanReader reader(context, part, base);
    // Block by block, so the first address that is not the part is the one named.
    for (std::size_t block = 0; block < addresses.size(); ++block) {
        const std::uint8_t address = addresses[block];
        const STransactionRecord record =
            context.Execute(STransactionRequest::Search(address, address));
        if (record.cancelled)
            return SBusProcedureResult::Cancelled();
        if (!record.ok)
            return {false, false, record.lastError, record.failure};
        if (record.found.empty()) {
            fault = SFault{address, block, EFault::Silent};
            return {};
        }
        if (block == 0 || !compares)
            continue;
        bool alike = false;
        ECompare compared = reader.Compare(block, std::min(WINDOW, maxRead - 1), alike);
        // A blank start says little: the rest of the block may still tell.
        if (compared == ECompare::Same && alike)
            compared = reader.Compare(block, std::min(part.BlockSize(), maxRead - 1), alike);
        if (compared == ECompare::Failed)
            return reader.failure;
        if (compared == ECompare::Differs) {
            fault = SFault{address, block, EFault::OtherChip};
            return {};
        }
    }
    return {};
}

} // namespace EepromSpanCheck
