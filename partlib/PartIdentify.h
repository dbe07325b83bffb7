// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "SFirstByte.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class CPartLibrary;

// How sure identification is of one candidate: its ID rules matched with at least 8
// compared bits in all (confirmed), with fewer (probable), were not read (likely: only the
// address fits) or did not match (ruled out).
enum class EPartGrade
{
    Confirmed,
    Probable,
    Likely,
    RuledOut,
};

struct SGradedPart
{
    int part = -1;
    EPartGrade grade = EPartGrade::Likely;
    int comparedBits = 0; // of the rules that matched
};

// A device at an address that is not a library candidate (a project device), and what it
// does with a first byte, so identification leaves it alone too.
struct SOtherDevice
{
    QString name;
    SFirstByte firstByte;
};

// What the library knows of one answering address.
struct SPartMatch
{
    std::uint8_t address = 0;
    // Library parts that can sit there (CPartLibrary::Candidates).
    std::vector<int> candidates;
    // The confirmed candidate with the most rules, or -1.
    int identified = -1;
    // Every candidate, best first: confirmed, probable, likely, then the ruled-out ones.
    std::vector<SGradedPart> ranking;
    // Why rules were not read: "Identify would send 0xFE, a reset command of Si7021".
    QStringList notIdentified;
    // The user allowed ID reads here whose first byte a device at the address acts on.
    bool anyByteAllowed = false;
    std::vector<SOtherDevice> otherDevices;

    // The part to offer first: the best of the ranking that is not ruled out, or -1.
    int MostLikely() const;
};

// Identification of found addresses by the ID registers of their candidates, as one
// procedure on the bus. It only reads: one write/read of the register address per rule, a
// read shared by rules that name the same register bytes at one address. A rule's register
// address is written only when no candidate or other device at that address acts on that
// byte (a command, a stored configuration), unless the user allowed it there. A rule whose
// read fails (the slave does not acknowledge) does not match. Of several confirmed
// candidates, the one with the most rules is identified (it was checked more closely).
namespace PartIdentify {

// Every address, with its candidates ranked likely and nothing identified, without
// touching the bus.
std::vector<SPartMatch> Candidates(const CPartLibrary &library,
                                   const std::vector<std::uint8_t> &found);
SBusProcedureResult Run(CBusContext &context, const CPartLibrary &library,
                        std::vector<SPartMatch> &matches);
// The number of write/reads Run makes at most: one per rule of every candidate.
std::uint64_t RuleCount(const CPartLibrary &library, const std::vector<SPartMatch> &matches);
// "confirmed", "probable", "likely" or "ruled out".
QString GradeName(EPartGrade grade);

} // namespace PartIdentify
