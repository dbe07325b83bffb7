// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A run of bytes of a memory image at its offset.
struct SImageSegment
{
    std::size_t offset = 0;
    std::vector<unsigned char> bytes;

    std::size_t End() const { return offset + bytes.size(); }
};

// The bytes a file gives for a memory: a raw image is one segment from offset 0, a HEX or
// S-record file one per run of records, with gaps where it holds nothing.
struct SMemoryImage
{
    std::vector<SImageSegment> segments;

    std::size_t ByteCount() const;
    // One past the highest offset covered, 0 for an empty image.
    std::size_t End() const;
    // Segments in offset order, touching ones joined; false (with the first offset given
    // twice in `overlap`) when two overlap.
    bool Normalise(std::size_t &overlap);
    // The image moved by `delta` bytes (a file written for an --offset).
    void Shift(std::size_t delta);
    // Only what lies within [offset, offset + length).
    SMemoryImage Clipped(std::size_t offset, std::size_t length) const;
};
