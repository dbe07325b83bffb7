// SPDX-License-Identifier: MIT
#include "PartIdentify.h"

#include "CPartLibrary.h"
#include "NumberText.h"
#include "RegisterBits.h"
#include "RegisterPlan.h"

#include <algorithm>
#include <bit>
#include <map>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

int SPartMatch::MostLikely() const
{
    if (ranking.empty() || ranking.front().grade == EPartGrade::RuledOut)
        return -1;
    return ranking.front().part;
}

namespace PartIdentify {

namespace {

// Fewer compared bits than this leave too many other parts that would match by chance.
constexpr int CONFIRMING_BITS = 8;

// The bytes a rule's read sends and how many it reads: what makes two reads the same.
using ReadKey = std::pair<std::vector<unsigned char>, std::size_t>;

class CAddressReads
{
public:
    explicit CAddressReads(CBusContext &context)
        : m_context(context)
    {}

    // The register's value, or none when it could not be read.
    std::optional<std::uint32_t> Value(const STransactionRequest &request, const SRegister &reg,
                                       ERegisterByteOrder byteOrder)
    {
        const ReadKey key{request.data, request.count};
        auto it = m_records.find(key);
        if (it == m_records.end())
            it = m_records.emplace(key, m_context.Execute(request)).first;
        const STransactionRecord &record = it->second;
        if (!record.ok)
            return std::nullopt;
        return RegisterBits::FromBytes(record.read.data, 0, reg.size, byteOrder);
    }

private:
    CBusContext &m_context;
    std::map<ReadKey, STransactionRecord> m_records;
};

struct SRuleRead
{
    const SIdentifyRule *rule = nullptr;
    const SRegister *reg = nullptr;
    STransactionRequest request;
};

// The read of each rule; none when a rule names no register of the map.
std::optional<std::vector<SRuleRead>> RuleReads(std::uint8_t address, const CI2cDeviceFile &file)
{
    const SRegisterMap &map = *file.GetRegisters();
    std::vector<SRuleRead> reads;
    for (const SIdentifyRule &rule : file.GetIdentify()) {
        const int reg = RegisterNames::FindRegister(map, rule.registerName);
        if (reg < 0)
            return std::nullopt;
        const std::vector<SRegisterRead> plan = RegisterPlan::ReadEach(map, {reg});
        reads.push_back(
            {&rule, &map.registers.at(reg), RegisterPlan::ReadRequest(address, map, plan.front())});
    }
    return reads;
}

int ComparedBits(const SIdentifyRule &rule, const SRegister &reg)
{
    const std::uint64_t width = (std::uint64_t(1) << (8 * reg.size)) - 1;
    return std::popcount(std::uint64_t(rule.mask.value_or(0xFFFFFFFFu)) & width);
}

// Why writing `byte` at the match's address would disturb a device there; empty when
// nothing there acts on it.
QString Disturbance(const CPartLibrary &library, const SPartMatch &match, std::uint8_t byte)
{
    const auto describe = [byte](const QString &what, const QString &name) {
        return u"Identify would send %1, %2 of %3"_s.arg(NumberText::Hex(byte, 2), what, name);
    };
    QString what;
    for (const int candidate : match.candidates) {
        const SLibraryPart &part = library.Parts().at(std::size_t(candidate));
        if (part.FirstByte().ActsOn(byte, &what))
            return describe(what, part.file.GetName());
    }
    for (const SOtherDevice &other : match.otherDevices) {
        if (other.firstByte.ActsOn(byte, &what))
            return describe(what, other.name);
    }
    return {};
}

SGradedPart Grade(CAddressReads &reads, const CPartLibrary &library, SPartMatch &match,
                  int candidate)
{
    SGradedPart graded{candidate, EPartGrade::Likely, 0};
    const CI2cDeviceFile &file = library.Parts().at(std::size_t(candidate)).file;
    if (file.GetIdentify().empty() || !file.GetRegisters())
        return graded;
    const std::optional<std::vector<SRuleRead>> ruleReads = RuleReads(match.address, file);
    if (!ruleReads)
        return graded;
    for (const SRuleRead &read : *ruleReads) {
        const QString disturbance = read.request.data.empty() || match.anyByteAllowed
                                        ? QString()
                                        : Disturbance(library, match, read.request.data.front());
        if (!disturbance.isEmpty()) {
            if (!match.notIdentified.contains(disturbance))
                match.notIdentified.append(disturbance);
            return graded;
        }
    }
    int bits = 0;
    for (const SRuleRead &read : *ruleReads) {
        const std::optional<std::uint32_t> value =
            reads.Value(read.request, *read.reg, file.GetRegisters()->byteOrder);
        if (!value || !read.rule->Matches(*value)) {
            graded.grade = EPartGrade::RuledOut;
            return graded;
        }
        bits += ComparedBits(*read.rule, *read.reg);
    }
    graded.grade = bits >= CONFIRMING_BITS ? EPartGrade::Confirmed : EPartGrade::Probable;
    graded.comparedBits = bits;
    return graded;
}

// Best first by grade; within a grade the parts whose default address this is come first
// (the address was most likely set for them), each group in the library's order.
void Rank(const CPartLibrary &library, SPartMatch &match)
{
    const auto elsewhere = [&library, &match](const SGradedPart &graded) {
        return library.Parts().at(std::size_t(graded.part)).file.GetAddress() != match.address;
    };
    std::stable_sort(match.ranking.begin(), match.ranking.end(),
                     [&elsewhere](const SGradedPart &a, const SGradedPart &b) {
                         if (a.grade != b.grade)
                             return a.grade < b.grade;
                         return !elsewhere(a) && elsewhere(b);
                     });
    if (match.identified >= 0) {
        const auto it = std::find_if(
            match.ranking.begin(), match.ranking.end(),
            [&match](const SGradedPart &part) { return part.part == match.identified; });
        std::rotate(match.ranking.begin(), it, it + 1);
    }
}

} // namespace

QString GradeName(EPartGrade grade)
{
    switch (grade) {
    case EPartGrade::Confirmed:
        return u"confirmed"_s;
    case EPartGrade::Probable:
        return u"probable"_s;
    case EPartGrade::Likely:
        return u"likely"_s;
    case EPartGrade::RuledOut:
        return u"ruled out"_s;
    }
    return {};
}

std::vector<SPartMatch> Candidates(const CPartLibrary &library,
                                   const std::vector<std::uint8_t> &found)
{
    std::vector<SPartMatch> matches;
    matches.reserve(found.size());
    for (const std::uint8_t address : found) {
        SPartMatch match;
        match.address = address;
        match.candidates = library.Candidates(address);
        for (const int candidate : match.candidates)
            match.ranking.push_back({candidate, EPartGrade::Likely, 0});
        Rank(library, match);
        matches.push_back(std::move(match));
    }
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
            return SBusProcedureResult::Cancelled();
        CAddressReads reads(context);
        match.identified = -1;
        match.notIdentified.clear();
        match.ranking.clear();
        std::size_t bestRules = 0;
        for (const int candidate : match.candidates) {
            if (context.IsCancelRequested())
                return SBusProcedureResult::Cancelled();
            const SGradedPart graded = Grade(reads, library, match, candidate);
            const std::size_t rules =
                library.Parts().at(std::size_t(candidate)).file.GetIdentify().size();
            if (graded.grade == EPartGrade::Confirmed && rules > bestRules) {
                match.identified = candidate;
                bestRules = rules;
            }
            match.ranking.push_back(graded);
        }
        Rank(library, match);
        context.ReportProgress(++done, matches.size());
    }
    if (context.IsCancelRequested())
        return SBusProcedureResult::Cancelled();
    return {};
}

} // namespace PartIdentify
