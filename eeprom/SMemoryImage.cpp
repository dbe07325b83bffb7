// SPDX-License-Identifier: MIT
#include "SMemoryImage.h"

#include <algorithm>

std::size_t SMemoryImage::ByteCount() const
{
    std::size_t count = 0;
    for (const SImageSegment &segment : segments)
        count += segment.bytes.size();
    return count;
}

std::size_t SMemoryImage::End() const
{
    std::size_t end = 0;
    for (const SImageSegment &segment : segments)
        end = std::max(end, segment.End());
    return end;
}

bool SMemoryImage::Normalise(std::size_t &overlap)
{
    std::erase_if(segments, [](const SImageSegment &segment) { return segment.bytes.empty(); });
    std::stable_sort(
        segments.begin(), segments.end(),
        [](const SImageSegment &a, const SImageSegment &b) { return a.offset < b.offset; });
    std::vector<SImageSegment> joined;
    for (SImageSegment &segment : segments) {
        if (!joined.empty() && joined.back().End() > segment.offset) {
            overlap = segment.offset;
            return false;
        }
        if (!joined.empty() && joined.back().End() == segment.offset) {
            auto &bytes = joined.back().bytes;
            bytes.insert(bytes.end(), segment.bytes.begin(), segment.bytes.end());
        } else {
            joined.push_back(std::move(segment));
        }
    }
    segments = std::move(joined);
    return true;
}

void SMemoryImage::Shift(std::size_t delta)
{
    for (SImageSegment &segment : segments)
        segment.offset += delta;
}

SMemoryImage SMemoryImage::Clipped(std::size_t offset, std::size_t length) const
{
    SMemoryImage clipped;
    const std::size_t end = offset + length;
    for (const SImageSegment &segment : segments) {
        const std::size_t from = std::max(segment.offset, offset);
        const std::size_t to = std::min(segment.End(), end);
        if (from >= to)
            continue;
        const auto first = segment.bytes.begin() + std::ptrdiff_t(from - segment.offset);
        clipped.segments.push_back({from, {first, first + std::ptrdiff_t(to - from)}});
    }
    return clipped;
}
