// SPDX-License-Identifier: MIT
#include "PartIdentify.h"

#include "CPartLibrary.h"
#include "RegisterBits.h"
#include "RegisterPlan.h"

#include <map>
#include <optional>
#include <utility>

namespace PartIdentify {

namespace {

// The bytes a rule's read sends and how many it reads: what makes two reads the same.
using ReadKey = std::pair<std::vector<unsigned char>, std::size_t>;

class CAddressReads
{
public:
    CAddressReads(CBusContext &context, std::uint8_t address)
        : m_context(context)
        , m_address(address)
    {}

    // The register's value, or none when it could not be read.
    std::optional<std::uint32_t> Value(const SRegisterMap &map, int reg)
    {
        const std::vector<SRegisterRead> reads = RegisterPlan::ReadEach(map, {reg});
        const STransactionRequest request =
            RegisterPlan::ReadRequest(m_address, map, reads.front());
        const ReadKey key{request.data, request.count};
        auto it = m_records.find(key);
        if (it == m_records.end())
            it = m_records.emplace(key, m_context.Execute(request)).first;
        const STransactionRecord &record = it->second;
        if (!record.ok)
            return std::nullopt;
        return RegisterBits::FromBytes(record.read.data, 0, map.registers.at(reg).size,
                                       map.byteOrder);
    }

private:
    CBusContext &m_context;
    std::uint8_t m_address;
    std::map<ReadKey, STransactionRecord> m_records;
};

bool AllRulesMatch(CAddressReads &reads, const CI2cDeviceFile &file)
{
    const SRegisterMap &map = *file.GetRegisters();
    for (const SIdentifyRule &rule : file.GetIdentify()) {
        const int reg = RegisterNames::FindRegister(map, rule.registerName);
        if (reg < 0)
            return false;
        const std::optional<std::uint32_t> value = reads.Value(map, reg);
        if (!value || !rule.Matches(*value))
            return false;
    }
    return true;
}

} // namespace

std::vector<SPartMatch> Candidates(const CPartLibrary &library,
                                   const std::vector<std::uint8_t> &found)
{
    std::vector<SPartMatch> matches;
    matches.reserve(found.size());
    for (const std::uint8_t address : found)
        matches.push_back({address, library.Candidates(address), -1});
    return matches;
}

std::uint64_t RuleCount(const CPartLibrary &library, const std::vector<SPartMatch> &matches)
{
    std::uint64_t count = 0;
    for (const SPartMatch &match : matches) {
        for (const int candidate : match.candidates)
            count += library.Parts().at(std::size_t(candidate)).file.GetIdentify().size();
    }
    return count;
}

SBusProcedureResult Run(CBusContext &context, const CPartLibrary &library,
                        std::vector<SPartMatch> &matches)
{
    std::uint64_t done = 0;
    for (SPartMatch &match : matches) {
        if (context.IsCancelRequested())
            return {false, true, "Cancelled"};
        CAddressReads reads(context, match.address);
        std::size_t bestRules = 0;
        match.identified = -1;
        for (const int candidate : match.candidates) {
            const CI2cDeviceFile &file = library.Parts().at(std::size_t(candidate)).file;
            const std::size_t rules = file.GetIdentify().size();
            if (rules == 0 || !file.GetRegisters() || context.IsCancelRequested())
                continue;
            if (rules > bestRules && AllRulesMatch(reads, file)) {
                match.identified = candidate;
                bestRules = rules;
            }
        }
        context.ReportProgress(++done, matches.size());
    }
    if (context.IsCancelRequested())
        return {false, true, "Cancelled"};
    return {};
}

} // namespace PartIdentify
