// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "SEepromPart.h"
#include "SMemoryImage.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Neighbouring bytes of a memory: `length` of them from `offset` on.
struct SByteRun
{
    std::size_t offset = 0;
    std::size_t length = 0;

    std::size_t End() const { return offset + length; }
};

// What an EEPROM operation did, as far as it got. `done` counts bytes read, bytes the chip
// holds (a page counts once its write cycle has ended) or bytes compared; it never runs ahead
// of the memory.
struct SEepromOutcome
{
    std::vector<unsigned char> data; // read: every byte that arrived, from the first offset
    std::size_t done = 0;
    std::size_t pages = 0;
    std::size_t polls = 0;
    std::optional<std::size_t> failedAt; // where the failing or cancelled transaction was
    // verify: every byte compared that differs, as runs in the order of the image's segments
    // (offset order for a normalised image), and what the first of them should hold and holds.
    // A whole image of differing bytes is one run, not 64 Ki offsets.
    std::vector<SByteRun> differing;
    unsigned char expected = 0;
    unsigned char actual = 0;

    // The verify read every byte of the image and found some that differ; after a failure of
    // the bus (`failedAt`) the runs cover only what arrived.
    bool Differs() const { return !failedAt && !differing.empty(); }
    std::size_t DifferingCount() const;
    std::optional<std::size_t> FirstDifference() const;
};

// Read, program, verify and erase of one 24-series part at a base address, as procedures on
// the bus: reads split at the adapter's limit and the block boundaries, writes at the page
// boundaries, each page followed by acknowledge polling until the chip answers again or the
// part's longest write cycle has passed. A cancel request is honoured between transactions;
// a page whose write cycle it cuts short is not counted. Progress is reported in bytes.
class CEepromEngine
{
public:
    // Between two polls of a busy chip; on a real adapter every poll also waits for a USB frame.
    static constexpr std::chrono::microseconds POLL_INTERVAL{200};

    CEepromEngine(SEepromPart part, std::uint8_t base);

    const SEepromPart &Part() const { return m_part; }
    std::uint8_t Base() const { return m_base; }

    SBusProcedureResult Read(CBusContext &context, std::size_t offset, std::size_t length,
                             SEepromOutcome &outcome) const;
    // Writes only the bytes the image covers.
    SBusProcedureResult Program(CBusContext &context, const SMemoryImage &image,
                                SEepromOutcome &outcome) const;
    // Reads every byte of the image back and lists those that differ (`differing`); a
    // difference is a failure without `failedAt`, and a failure of the bus ends the verify
    // with what was found up to there.
    SBusProcedureResult Verify(CBusContext &context, const SMemoryImage &image,
                               SEepromOutcome &outcome) const;
    // Fills the range with 0xFF.
    SBusProcedureResult Erase(CBusContext &context, std::size_t offset, std::size_t length,
                              SEepromOutcome &outcome) const;

    static SMemoryImage Blank(std::size_t offset, std::size_t length);

private:
    // Progress goes out as `progressBase` plus the bytes read, of `progressTotal`.
    SBusProcedureResult ReadRange(CBusContext &context, std::size_t offset, std::size_t length,
                                  SEepromOutcome &outcome, std::size_t progressBase,
                                  std::size_t progressTotal) const;
    SBusProcedureResult AwaitWriteCycle(CBusContext &context, std::uint8_t address,
                                        SEepromOutcome &outcome) const;

    SEepromPart m_part;
    std::uint8_t m_base;
};
