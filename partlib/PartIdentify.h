// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"

#include <cstdint>
#include <vector>

class CPartLibrary;

// What the library knows of one answering address.
struct SPartMatch
{
    std::uint8_t address = 0;
    // Library parts that can sit there (CPartLibrary::Candidates).
    std::vector<int> candidates;
    // The candidate whose identification rules all matched, or -1.
    int identified = -1;
};

// Identification of found addresses by the ID registers of their candidates, as one
// procedure on the bus. It only reads: one write/read of the register address per rule, a
// read shared by rules that name the same register bytes at one address. A rule whose read
// fails (the slave does not acknowledge) does not match. Of several candidates that match,
// the one with the most rules wins (it was checked more closely), else the first.
namespace PartIdentify {

// Every address, with its candidates and nothing identified, without touching the bus.
std::vector<SPartMatch> Candidates(const CPartLibrary &library,
                                   const std::vector<std::uint8_t> &found);
SBusProcedureResult Run(CBusContext &context, const CPartLibrary &library,
                        std::vector<SPartMatch> &matches);
// The number of write/reads Run makes at most: one per rule of every candidate.
std::uint64_t RuleCount(const CPartLibrary &library, const std::vector<SPartMatch> &matches);

} // namespace PartIdentify
