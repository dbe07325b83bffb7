// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Reads the fuzzer's bytes front to back. Past the end every byte reads as 0, so a
// truncated input still makes a whole session and the fuzzer can cut anywhere.
class CSessionInput
{
public:
    CSessionInput(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {}

    bool AtEnd() const { return m_offset >= m_size; }
    std::size_t GetSize() const { return m_size; }

    std::uint8_t TakeByte() { return AtEnd() ? 0 : m_data[m_offset++]; }

    std::uint16_t TakeWord()
    {
        const std::uint16_t low = TakeByte();
        return static_cast<std::uint16_t>(low | (TakeByte() << 8));
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_offset = 0;
};
